#include "recsim/GateArray.h"

#include "recsim/EcpFifo.h"
#include "recsim/RecorderImage.h"

#include <algorithm>

namespace recsim {
namespace {

constexpr std::uint8_t kStatusLowBits = 0x07;

std::uint8_t groupStatus(std::uint16_t word, int shift) {
    return static_cast<std::uint8_t>((((word >> shift) & 0x1F) << 3) | kStatusLowBits);
}

}  // namespace

GateArray::GateArray(const std::vector<SlotContent>& slots, std::uint64_t memoryWords,
                     int slotCount, Counters& counters)
    : m_slots(slots),
      m_blockWords(memoryWords / kMemoryBlocks),
      m_slotWords(memoryWords / static_cast<std::uint64_t>(slotCount)),
      m_counters(counters) {}

void GateArray::reset() {
    m_regs.fill(0);
    m_blockPrev = m_blockLast = 0;
    m_mode = Mode::Stopped;
    m_sppStatus = kStatusLowBits;
    m_powerOffNow = false;
    m_chunkCount = 0;
}

void GateArray::writeRegister(std::uint8_t reg, std::uint8_t value) {
    m_regs[reg] = value;
    if (reg == 4) {
        m_blockPrev = m_blockLast;
        m_blockLast = value;
    } else if (reg == 1) {
        if (value == 7)
            arm();
        else if (value == 0)
            m_mode = Mode::Stopped;
    }
}

void GateArray::arm() {
    const int first = m_blockLast;
    const int last = m_blockPrev;
    if (first <= last && last < static_cast<int>(kMemoryBlocks)) {
        m_rangeFirstWord = static_cast<std::uint64_t>(first) * m_blockWords;
        m_rangeWords = static_cast<std::uint64_t>(last - first + 1) * m_blockWords;
    } else {
        m_rangeFirstWord = 0;
        m_rangeWords = 0;
    }
    ++m_transferNumber;
    ++m_counters.transfers;
    m_mode = Mode::Spp;
    m_sppStep = 0;
    m_part = 5;  // the first change of the data line shows group 0 of step 0
    m_sppStatus = kStatusLowBits;
    m_powerOffNow = false;
    m_chunkCount = 0;  // marker faults depend on the transfer
}

void GateArray::startEcp() {
    if (m_mode == Mode::Stopped) return;  // not armed: the command does nothing
    m_mode = Mode::Ecp;
    ++m_ecpStreams;
    m_chunkCount = 0;
}

std::uint64_t GateArray::ecpPowerOffByte() const {
    if (m_faults.powerOffAtStep == 0) return EcpFifo::kNoLimit;
    // The FIFO must be full before each step, so the recorder runs 12 bytes ahead of the
    // reader: stopping 12 bytes into step k leaves step k the first one that never sees it full.
    return kEcpLeadInBytes + 4 * (m_faults.powerOffAtStep - 1) + (EcpFifo::kCapacity - 4);
}

bool GateArray::markerErrorActive() const {
    return m_faults.markerErrorStep != 0 &&
           (m_faults.markerErrorTransfers == 0 || m_transferNumber <= m_faults.markerErrorTransfers);
}

void GateArray::nextSppStep() {
    m_part = 0;
    const std::uint64_t step = m_sppStep++;
    ++m_counters.sppSteps;
    std::uint16_t w1 = kLeadInWord;
    std::uint16_t w2 = kLeadInWord;
    if (step >= kSppLeadInSteps) {
        const std::uint64_t d = step - kSppLeadInSteps;  // data step, 0-based
        if (m_faults.powerOffAtStep != 0 && d + 1 == m_faults.powerOffAtStep) m_powerOffNow = true;
        w1 = dataWord(2 * d);
        w2 = dataWord(2 * d + 1);
    }
    for (int p = 0; p < 3; ++p) {
        m_groups[static_cast<std::size_t>(p)] = groupStatus(w1, 5 * p);
        m_groups[static_cast<std::size_t>(p + 3)] = groupStatus(w2, 5 * p);
    }
}

void GateArray::refill(std::uint64_t w) {
    m_chunkFirst = w;
    if (m_rangeWords == 0) {
        std::fill(m_chunk.begin(), m_chunk.end(), std::uint16_t{0});
        m_chunkCount = kChunkWords;
        return;
    }
    const std::uint64_t a = w % m_rangeWords;
    const std::uint64_t absolute = m_rangeFirstWord + a;
    const std::uint64_t slot = absolute / m_slotWords;
    const std::uint64_t r = absolute - slot * m_slotWords;
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>({kChunkWords, m_rangeWords - a, m_slotWords - r}));
    if (slot < m_slots.size())
        m_slots[static_cast<std::size_t>(slot)].fillAddresses(r, n, m_chunk.data());
    else
        std::fill_n(m_chunk.begin(), n, std::uint16_t{0});  // an empty slot reads as erased
    for (std::size_t i = 0; i < n; ++i)
        m_chunk[i] = static_cast<std::uint16_t>(m_chunk[i] | (((w + i) & 1) << 14));
    if (markerErrorActive()) {
        const std::uint64_t bad = 2 * m_faults.markerErrorStep - 1;  // W2 of that step
        if (bad >= w && bad < w + n) m_chunk[static_cast<std::size_t>(bad - w)] &= 0x3FFF;
    }
    m_chunkCount = n;
}

}  // namespace recsim
