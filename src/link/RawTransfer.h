#pragma once
// The bulk transfer of one test's samples from the recorder's sample memory into its raw
// data file, in the port's ECP mode (through the ECP FIFO) or in standard mode (SPP, 5 bits
// at a time from the status lines), and the order in which the modes are tried.
//
// Outcome codes of one attempt: 0 success, 1 set-up failed, 2 transfer failed, 3 cancelled
// (ECP; SPP reports a cancel as 2 with the cancelled flag). An attempt reports 0 only when
// every step of the slot was read with good check bits and the file was written to disk.
//
// The file has 4 bytes per step, W1 then W2 of each step as little-endian words with bits 14
// and 15 cleared, placed as a ring from SampleGeometry's ringStart. A file that cannot be
// created or written throws common::IoError (after the port and the gate array have been
// put back to rest): no port mode can help with that.

#include "link/CommandChannel.h"
#include "link/KeySink.h"
#include "link/Port.h"
#include "link/SampleGeometry.h"
#include "link/TransferObserver.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace common {
class CMapFile;
}

namespace vantrel::link {

inline constexpr int kTransferOk = 0;
inline constexpr int kSetUpFailed = 1;
inline constexpr int kTransferFailed = 2;
inline constexpr int kTransferCancelled = 3;

// Test outcomes of DownloadSamples.
inline constexpr int kTestDone = 1;
inline constexpr int kTestFailed = 2;
inline constexpr int kTestCancelled = 3;
// "Error" in the set file when every mode failed.
inline constexpr int kAllModesFailed = 378;

struct TransferResult {
    int outcome = kTransferOk;
    bool cancelled = false;
    bool operator==(const TransferResult&) const = default;
};

class RawTransfer {
public:
    static constexpr std::uint64_t kProgressSteps = 2048;
    static constexpr int kSppLeadInSteps = 32;
    static constexpr int kEcpLeadInSteps = 31;
    static constexpr int kEcpLeadInBytes = 3;
    static constexpr int kFifoDrainReads = 3000;
    static constexpr int kFullPolls = 75;  // more polls than this make a step fail
    static constexpr int kEcpTries = 3;

    RawTransfer(Port& port, CommandChannel& channel) : m_port(port), m_channel(channel) {}

    void setObserver(TransferObserver* observer) { m_observer = observer ? observer : &m_quiet; }
    // The test's set file, section "settings": receives "ECP", "SPP", "SPP_s" and "Error".
    void setSettings(KeySink* settings) { m_settings = settings; }
    // Size of the recorder's sample memory in words (an emulated recorder may have less).
    void setMemoryWords(std::uint64_t words) { m_memoryWords = words; }
    std::uint64_t memoryWords() const { return m_memoryWords; }

    // The Cancel button. Never reset during a run.
    void cancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool cancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }

    TransferResult TransferEcp(const std::string& rawPath, std::int32_t astop, int testIndex, int slots);
    // Up to `tries` ECP attempts, stopping at the first success or cancel.
    TransferResult TransferEcpTries(int tries, const std::string& rawPath, std::int32_t astop, int testIndex,
                                    int slots);
    TransferResult TransferSpp(const std::string& rawPath, std::int32_t astop, int testIndex, int slots, bool slow);
    // ECP 3 tries, one more ECP, SPP, slow SPP; writes each mode's last outcome into the set
    // file. 1 done, 2 failed ("Error" = 378 written), 3 cancelled.
    int DownloadSamples(const std::string& rawPath, std::int32_t astop, int testIndex, int slots);

private:
    class RingWriter;

    // Command 14: (4, end), (4, start), (1, 0), (1, 7); the first non-zero result.
    int setUpGateArray(int testIndex, int slots);
    int readSppStep(std::uint16_t& w1, std::uint16_t& w2);
    int readEcpStep(std::uint16_t& w1, std::uint16_t& w2);
    bool enterEcp();
    void stopGateArray() noexcept;
    void leaveEcp() noexcept;
    bool progressAndCancel(std::uint64_t i, std::uint64_t steps);
    void letEventsRun();
    void writeKey(const char* key, int value);

    Port& m_port;
    CommandChannel& m_channel;
    TransferObserver m_quiet;
    TransferObserver* m_observer = &m_quiet;
    KeySink* m_settings = nullptr;
    std::uint64_t m_memoryWords = kFullMemoryWords;
    std::atomic<bool> m_cancel{false};
};

}  // namespace vantrel::link
