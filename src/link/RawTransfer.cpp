#include "link/RawTransfer.h"

#include "common/CMapFile.h"
#include "common/Error.h"
#include "link/LinkErrors.h"

#include <exception>
#include <memory>
#include <stdexcept>

namespace vantrel::link {

namespace {
constexpr std::uint8_t kGateRun = 1;
constexpr std::uint8_t kGateMode = 2;
constexpr std::uint8_t kGateBlock = 4;
constexpr std::uint8_t kArm = 7;
constexpr std::uint8_t kEcpMode = 9;
}  // namespace

// The raw file being filled: bytes go one after the other from the ring start, wrapping at
// the end of the file.
class RawTransfer::RingWriter {
public:
    RingWriter(const std::string& path, std::uint64_t steps, std::int32_t astop)
        : m_size(4 * steps), m_position(ringStart(m_size, astop)) {
        if (!m_file.MapFileNew(path, static_cast<std::int64_t>(m_size)))
            throw common::IoError("The raw data file " + path + " cannot be created: " + m_file.lastError());
        m_path = path;
    }

    void putStep(std::uint16_t w1, std::uint16_t w2) {
        put(static_cast<std::uint8_t>(w1));
        put(static_cast<std::uint8_t>((w1 >> 8) & 0x3F));
        put(static_cast<std::uint8_t>(w2));
        put(static_cast<std::uint8_t>((w2 >> 8) & 0x3F));
    }
    // Writes the file to disk and releases it; throws common::IoError when that fails.
    void commit() {
        const bool stored = m_good && m_file.Commit();
        m_file.UnMapFile();
        if (!stored) throw common::IoError("The raw data file " + m_path + " could not be written to disk.");
    }
    void abandon() { m_file.UnMapFile(); }

private:
    void put(std::uint8_t b) {
        m_good = m_file.PutByte(b, static_cast<std::int64_t>(m_position)) && m_good;
        if (++m_position == m_size) m_position = 0;
    }

    common::CMapFile m_file;
    std::string m_path;
    std::uint64_t m_size;
    std::uint64_t m_position;
    bool m_good = true;
};

int RawTransfer::setUpGateArray(int testIndex, int slots) {
    const BlockRange blocks = blockRange(testIndex, slots);
    // All four are sent before a result is looked at.
    const int results[] = {
        m_channel.WriteGateArray(kGateBlock, static_cast<std::uint8_t>(blocks.end)),
        m_channel.WriteGateArray(kGateBlock, static_cast<std::uint8_t>(blocks.start)),
        m_channel.WriteGateArray(kGateRun, 0),
        m_channel.WriteGateArray(kGateRun, kArm),
    };
    for (int r : results)
        if (r) return r;
    return 0;
}

void RawTransfer::stopGateArray() noexcept {
    // Putting the recorder back to rest must not hide why the transfer ended.
    try {
        m_channel.WriteGateArray(kGateRun, 0);
    } catch (const std::exception&) {
    }
}

void RawTransfer::leaveEcp() noexcept {
    try {
        m_port.EnterStandardMode();
    } catch (const std::exception&) {
    }
    stopGateArray();
}

void RawTransfer::letEventsRun() {
    m_observer->letEventsRun();
    if (m_observer->stopRequested()) cancel();
}

bool RawTransfer::progressAndCancel(std::uint64_t i, std::uint64_t steps) {
    m_observer->percentageDone(static_cast<double>(i) / static_cast<double>(steps) * 0.95);
    if (m_observer->stopRequested()) cancel();
    return cancelRequested();
}

int RawTransfer::readSppStep(std::uint16_t& w1, std::uint16_t& w2) {
    int r[6];
    for (int k = 0; k < 6; ++k) {
        const std::uint8_t strobe = (k % 2 == 0) ? 1 : 0;
        m_port.WriteData(strobe);
        m_port.WriteData(strobe);
        r[k] = m_channel.ReadGateArray5();
    }
    w1 = static_cast<std::uint16_t>(r[0] + 32 * r[1] + 1024 * r[2]);
    w2 = static_cast<std::uint16_t>(r[3] + 32 * r[4] + 1024 * r[5]);
    if ((w1 | w2) & 0x8000) return 3;
    return ((w1 ^ w2) & 0x4000) ? 0 : 2;
}

int RawTransfer::readEcpStep(std::uint16_t& w1, std::uint16_t& w2) {
    int count = 0;
    while (!(m_port.ReadEcr() & kEcrFifoFull))
        if (++count > kFullPolls) break;
    const int b1 = m_port.ReadEcpFifo();
    const int b2 = m_port.ReadEcpFifo();
    const int b3 = m_port.ReadEcpFifo();
    const int b4 = m_port.ReadEcpFifo();
    w1 = static_cast<std::uint16_t>(b1 * 256 + b2);
    w2 = static_cast<std::uint16_t>(b3 * 256 + b4);
    return ((w1 ^ w2) & 0x4000) && count <= kFullPolls ? 0 : 2;
}

TransferResult RawTransfer::TransferSpp(const std::string& rawPath, std::int32_t astop, int testIndex, int slots,
                                        bool slow) {
    const std::uint64_t steps = stepsPerSlot(m_memoryWords, slots);
    // Errors of the set-up commands end the download of the test: they are not caught here.
    if (setUpGateArray(testIndex, slots) != 0) return {kSetUpFailed, false};
    m_port.IdleDataLines();

    std::uint16_t w1 = 0, w2 = 0;
    try {
        for (int i = 0; i < kSppLeadInSteps; ++i) {
            readSppStep(w1, w2);
            if (slow) letEventsRun();
        }
    } catch (const std::exception&) {
        stopGateArray();
        return {kSetUpFailed, false};
    }

    std::unique_ptr<RingWriter> file;
    try {
        file = std::make_unique<RingWriter>(rawPath, steps, astop);
    } catch (...) {
        stopGateArray();
        throw;
    }

    int result = 0;
    try {
        for (std::uint64_t i = 1; i <= steps; ++i) {
            result = readSppStep(w1, w2);
            if (result != 0) break;
            file->putStep(w1, w2);
            if (i % kProgressSteps == 0 && progressAndCancel(i, steps)) {
                stopGateArray();
                file->abandon();
                return {kTransferFailed, true};
            }
            if (slow) letEventsRun();
        }
    } catch (const std::exception&) {
        // A read that raised is a failed transfer whatever the previous step gave.
        result = 2;
    }
    stopGateArray();
    if (result == 3) {
        file->abandon();
        throw recorderNotFound(kUnexpectedSppData);
    }
    if (result != 0) {
        file->abandon();
        return {kTransferFailed, false};
    }
    file->commit();
    return {kTransferOk, false};
}

bool RawTransfer::enterEcp() {
    m_port.WriteControl(0x04);
    m_port.WriteEcr(static_cast<std::uint8_t>((m_port.ReadEcr() & 0x1F) | kEcrModeEcp));
    int drained = 0;
    while (!(m_port.ReadEcr() & kEcrFifoEmpty)) {
        if (++drained > kFifoDrainReads) return false;
        m_port.ReadEcpFifo();
    }
    m_port.WriteControl(0x26);
    m_port.WriteControl(0x22);
    m_port.WriteControl(0x20);
    return true;
}

TransferResult RawTransfer::TransferEcp(const std::string& rawPath, std::int32_t astop, int testIndex, int slots) {
    const std::uint64_t steps = stepsPerSlot(m_memoryWords, slots);
    try {
        const int r1 = setUpGateArray(testIndex, slots);
        const int r2 = m_channel.WriteGateArray(kGateMode, kEcpMode);
        const int r3 = m_channel.StartStream();
        if (r1 || r2 || r3) return {kSetUpFailed, false};
    } catch (const std::invalid_argument&) {
        throw;
    } catch (const std::exception&) {
        return {kSetUpFailed, false};
    }
    // From here the port may be in ECP mode: every exit puts it back into standard mode.
    try {
        if (!enterEcp()) {
            leaveEcp();
            return {kSetUpFailed, false};
        }
    } catch (const std::exception&) {
        leaveEcp();
        return {kSetUpFailed, false};
    }

    std::uint16_t w1 = 0, w2 = 0;
    std::unique_ptr<RingWriter> file;
    TransferResult result{kTransferOk, false};
    try {
        for (int i = 0; i < kEcpLeadInSteps; ++i) readEcpStep(w1, w2);
        for (int i = 0; i < kEcpLeadInBytes; ++i) m_port.ReadEcpFifo();
    } catch (const std::exception&) {
        leaveEcp();
        return {kTransferFailed, false};
    }
    try {
        file = std::make_unique<RingWriter>(rawPath, steps, astop);
    } catch (...) {
        leaveEcp();
        throw;
    }
    try {
        for (std::uint64_t i = 1; i <= steps; ++i) {
            if (readEcpStep(w1, w2) != 0) {
                result = {kTransferFailed, false};
                break;
            }
            file->putStep(w1, w2);
            if (i % kProgressSteps == 0 && progressAndCancel(i, steps)) {
                result = {kTransferCancelled, true};
                break;
            }
        }
    } catch (const std::exception&) {
        result = {kTransferFailed, false};
    }
    leaveEcp();
    if (result.outcome != kTransferOk) {
        file->abandon();
        return result;
    }
    file->commit();
    return result;
}

TransferResult RawTransfer::TransferEcpTries(int tries, const std::string& rawPath, std::int32_t astop,
                                             int testIndex, int slots) {
    TransferResult r{kSetUpFailed, false};
    for (int i = 0; i < tries; ++i) {
        r = TransferEcp(rawPath, astop, testIndex, slots);
        if (r.outcome == kTransferOk || r.cancelled) break;
    }
    return r;
}

void RawTransfer::writeKey(const char* key, int value) {
    if (m_settings) m_settings->write(key, std::to_string(value));
}

int RawTransfer::DownloadSamples(const std::string& rawPath, std::int32_t astop, int testIndex, int slots) {
    m_observer->portTypeUsed(PortType::Ecp);
    TransferResult ecp = TransferEcpTries(kEcpTries, rawPath, astop, testIndex, slots);
    writeKey("ECP", ecp.outcome);
    if (ecp.cancelled) return kTestCancelled;
    if (ecp.outcome != kTransferOk) {
        ecp = TransferEcp(rawPath, astop, testIndex, slots);
        writeKey("ECP", ecp.outcome);
        if (ecp.cancelled) return kTestCancelled;
    }
    if (ecp.outcome == kTransferOk) return kTestDone;

    m_observer->portTypeUsed(PortType::Spp);
    TransferResult spp = TransferSpp(rawPath, astop, testIndex, slots, false);
    writeKey("SPP", spp.outcome);
    if (spp.cancelled) return kTestCancelled;
    if (spp.outcome != kTransferOk) {
        m_observer->portTypeUsed(PortType::SlowSpp);
        spp = TransferSpp(rawPath, astop, testIndex, slots, true);
        writeKey("SPP_s", spp.outcome);
        if (spp.cancelled) return kTestCancelled;
    }
    if (spp.outcome != kTransferOk) {
        writeKey("Error", kAllModesFailed);
        return kTestFailed;
    }
    return kTestDone;
}

}  // namespace vantrel::link
