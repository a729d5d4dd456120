#include "recsim/Emulator.h"

#include "recsim/CorvaneSettings.h"
#include "recsim/ExpectedData.h"
#include "recsim/ImageError.h"
#include "recsim/RecorderImageFile.h"

#include <limits>

namespace recsim {
namespace {

constexpr std::uint32_t kOffData = 0;
constexpr std::uint32_t kOffStatus = 1;
constexpr std::uint32_t kOffControl = 2;
constexpr std::uint32_t kOffEpp = 4;
constexpr std::uint32_t kOffFifo = 0x400;
constexpr std::uint32_t kOffEcr = 0x402;
constexpr std::uint8_t kEcpMode = 3;

std::vector<SlotContent> makeSlots(const RecorderImage& image) {
    validateImage(image);
    std::vector<SlotContent> slots;
    for (int t = 1; t <= static_cast<int>(image.tests.size()); ++t) slots.emplace_back(image, t);
    return slots;
}

SettingsMemory makeSettings(const RecorderImage& image, const std::vector<SlotContent>& slots) {
    std::vector<std::array<std::array<std::uint16_t, 16>, 2>> initial(image.tests.size());
    for (std::size_t t = 0; t < image.tests.size(); ++t) {
        const StoredTest& test = image.tests[t];
        const auto nch = static_cast<std::uint64_t>(slots[t].channelCount());
        for (std::size_t c = 0; c < 2; ++c) {
            const auto& given = test.channels[c].initialSamples;
            for (std::size_t i = 0; i < 16; ++i) {
                if (given)
                    initial[t][c][i] = static_cast<std::uint16_t>((*given)[i]);
                else if (c < nch)
                    initial[t][c][i] = slots[t].timeOrderWord(i * nch + c);
                else
                    initial[t][c][i] = 0;  // the input is off in a one-channel test
            }
        }
    }
    SettingsMemory memory = encodeCorvaneSettings(image, initial);
    for (const SettingsOverride& o : image.overrides) memory.setByte(o.line, o.byte, o.value);
    return memory;
}

}  // namespace

Emulator::Emulator(RecorderImage image)
    : m_image(std::move(image)),
      m_base(m_image.port),
      m_slots(makeSlots(m_image)),
      m_gate(m_slots, m_image.memoryWords, m_image.slots, m_counters),
      m_controller(m_settings, m_gate, m_counters),
      m_status(m_controller.status()) {
    m_settings = makeSettings(m_image, m_slots);
    setFaults(m_image.faults);
}

std::unique_ptr<Emulator> Emulator::fromFile(const std::filesystem::path& imageFile) {
    return std::make_unique<Emulator>(loadImage(imageFile));
}

Emulator::~Emulator() = default;

void Emulator::setFaults(const Faults& faults) {
    m_faults = faults;
    m_status.configure(faults);
    m_gate.configure(faults);
    m_fifo.configure(faults.ecpBytesPerAccess, faults.ecpNeverFull);
    m_unplugAt = faults.unplugAfterAccesses != 0 ? faults.unplugAfterAccesses + 1 : 0;
    m_stuckDataMask = 0;
    m_stuckDataLevel = 0;
    if (faults.stuck.kind == StuckLine::Kind::Data) {
        m_stuckDataMask = static_cast<std::uint8_t>(1u << faults.stuck.bit);
        m_stuckDataLevel = faults.stuck.level ? m_stuckDataMask : 0;
    }
}

std::vector<std::uint16_t> Emulator::expectedDataFile(int test) const {
    return expectedWords(slot(test));
}

std::uint8_t Emulator::read(std::uint32_t address) {
    ++m_counters.reads;
    if (++m_accesses == m_unplugAt) unplug();
    switch (address - m_base) {
    case kOffStatus:
        ++m_counters.statusReads;
        return readStatus();
    case kOffEcr:
        return readEcr();
    case kOffFifo:
        return readFifo();
    case kOffData:
        return m_data;
    case kOffControl:
        return m_control;
    case kOffEpp:
        ++m_counters.eppReads;
        return kFloating;
    default:
        ++m_counters.floatingAccesses;
        return kFloating;
    }
}

void Emulator::write(std::uint32_t address, std::uint8_t value) {
    ++m_counters.writes;
    if (++m_accesses == m_unplugAt) unplug();
    switch (address - m_base) {
    case kOffData:
        ++m_counters.dataWrites;
        m_data = value;
        if (m_live) writeData(value);
        return;
    case kOffControl:
        ++m_counters.controlWrites;
        m_control = value;
        route();
        return;
    case kOffEcr:
        writeEcr(value);
        return;
    case kOffFifo:
        return;  // forward-direction data: the recorder does not listen in this model
    default:
        ++m_counters.floatingAccesses;
        return;
    }
}

void Emulator::writeData(std::uint8_t value) {
    const auto seen =
        static_cast<std::uint8_t>(((value & ~m_stuckDataMask) | m_stuckDataLevel) & 0x07);
    const auto changed = static_cast<std::uint8_t>(seen ^ m_seen);
    if (changed == 0) return;
    m_seen = seen;
    if (m_sppDrive && (changed & 1)) {
        const std::uint8_t s = m_gate.sppAdvance();
        if (m_gate.wantsPowerOff()) {
            switchOff();
            return;
        }
        m_status.drive(s, StatusLines::Driver::GateArray);
    }
    const unsigned r = m_controller.dataLines(seen);
    if (r & Controller::CommandRan)
        route();
    else if ((r & Controller::StatusChanged) && !m_sppDrive)
        m_status.drive(m_controller.status(), StatusLines::Driver::Controller);
}

void Emulator::produce() {
    const std::uint64_t before = m_fifo.produced();
    const bool stopped = m_fifo.produce(m_accesses);
    m_counters.ecpBytes += m_fifo.produced() - before;
    if (stopped) switchOff();  // the power-off step was reached
}

std::uint8_t Emulator::ecr() const {
    return static_cast<std::uint8_t>(m_ecrBits | (m_fifo.empty() ? 1 : 0) | (m_fifo.full() ? 2 : 0));
}

std::uint8_t Emulator::readEcr() {
    ++m_counters.ecrReads;
    produce();
    return ecr();
}

std::uint8_t Emulator::readFifo() {
    ++m_counters.fifoReads;
    produce();
    if (m_fifo.empty()) {
        ++m_counters.fifoEmptyReads;
        return kFloating;
    }
    return m_gate.ecpByte(m_fifo.pop());
}

void Emulator::writeEcr(std::uint8_t value) {
    ++m_counters.ecrWrites;
    produce();
    const auto bits = static_cast<std::uint8_t>(value & 0xFC);
    if ((bits >> 5) != (m_ecrBits >> 5)) m_fifo.clear();
    m_ecrBits = bits;
    route();
}

void Emulator::route() {
    const bool spp = m_live && m_gate.mode() == GateArray::Mode::Spp && !(m_control & 1);
    m_sppDrive = spp;
    if (spp)
        m_status.drive(m_gate.sppStatus(), StatusLines::Driver::GateArray);
    else
        m_status.drive(m_controller.status(), StatusLines::Driver::Controller);

    const bool ecp = m_live && m_gate.mode() == GateArray::Mode::Ecp &&
                     (m_ecrBits >> 5) == kEcpMode && (m_control & 0x20) && !(m_control & 0x04);
    if (m_gate.ecpStreamNumber() != m_ecpStream) {
        // Command 7 started a new stream: the FIFO counts its bytes from 0.
        m_fifo.setFlowing(false, m_accesses);
        m_ecpStream = m_gate.ecpStreamNumber();
        m_fifo.restart(m_gate.ecpPowerOffByte());
    }
    m_fifo.setFlowing(ecp, m_accesses);
}

void Emulator::updateLive() {
    const bool was = m_live;
    m_live = m_plugged && m_powered;
    route();
    if (m_live && !was) writeData(m_data);  // the recorder sees the lines as they are now
}

void Emulator::unplug() {
    m_plugged = false;
    updateLive();
}

void Emulator::plugIn() {
    m_plugged = true;
    m_unplugAt = 0;
    updateLive();
}

void Emulator::switchOff() {
    m_powered = false;
    m_seen = 0;
    m_controller.reset();
    m_gate.reset();
    updateLive();
}

void Emulator::switchOn() {
    m_powered = true;
    updateLive();
}

}  // namespace recsim
