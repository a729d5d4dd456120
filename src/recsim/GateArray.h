#pragma once
// The recorder's gate array: it streams the sample memory of a block range to the PC.
//
// Registers (written by the controller's command 14): register 4 takes block numbers, the
// last two writes being the end block and then the start block; register 1 = 7 arms a
// stream, 0 stops it; register 2 selects the port mode (9 before an ECP stream).
//
// SPP: once armed, each change of data line 0 (while the strobe line is clear) moves the
// status lines on to the next 5-bit group: per step W1 bits 0-4, 5-9, 10-14, then W2 likewise.
// The stream begins with 32 lead-in steps. ECP: command 7 starts a byte stream into the port's
// FIFO: 127 lead-in bytes, then every word high byte first.
//
// Data words carry the sample in bits 0-13 and a marker in bit 14 that alternates word by
// word (0 in W1, 1 in W2); lead-in words carry no alternating marker. After the end block the
// stream starts again at the start block.

#include "recsim/Counters.h"
#include "recsim/Faults.h"
#include "recsim/SlotContent.h"

#include <array>
#include <cstdint>
#include <vector>

namespace recsim {

inline constexpr std::uint64_t kSppLeadInSteps = 32;
inline constexpr std::uint64_t kEcpLeadInBytes = 31 * 4 + 3;
inline constexpr std::uint16_t kLeadInWord = 0x1555;

class GateArray {
public:
    enum class Mode { Stopped, Spp, Ecp };

    GateArray(const std::vector<SlotContent>& slots, std::uint64_t memoryWords, int slotCount,
              Counters& counters);
    GateArray(const GateArray&) = delete;
    GateArray& operator=(const GateArray&) = delete;

    void configure(const Faults& faults) { m_faults = faults; }
    void writeRegister(std::uint8_t reg, std::uint8_t value);
    void startEcp();
    void reset();  // power off: stopped, registers cleared

    Mode mode() const { return m_mode; }
    // Counts the ECP streams started (command 7 on an armed gate array).
    std::uint64_t ecpStreamNumber() const { return m_ecpStreams; }
    std::uint8_t reg(int n) const { return m_regs.at(static_cast<std::size_t>(n)); }
    int startBlock() const { return m_blockLast; }
    int endBlock() const { return m_blockPrev; }

    // SPP: the status byte now driven, and one change of data line 0.
    std::uint8_t sppStatus() const { return m_sppStatus; }
    std::uint8_t sppAdvance() {
        if (++m_part == 6) nextSppStep();
        m_sppStatus = m_groups[m_part];
        return m_sppStatus;
    }
    // Set when the step the gate array was about to deliver is the power-off step.
    bool wantsPowerOff() const { return m_powerOffNow; }

    // ECP: byte n of the stream; the byte number at which the recorder switches off.
    std::uint8_t ecpByte(std::uint64_t n) {
        if (n < kEcpLeadInBytes) return n % 2 ? 0x55 : 0x15;
        const std::uint64_t d = n - kEcpLeadInBytes;
        const std::uint16_t w = dataWord(d >> 1);
        return static_cast<std::uint8_t>(d & 1 ? w : w >> 8);
    }
    std::uint64_t ecpPowerOffByte() const;

    // Data word w (0-based, after the lead-in) of the current transfer, marker included.
    std::uint16_t dataWord(std::uint64_t w) {
        const std::uint64_t i = w - m_chunkFirst;
        if (i < m_chunkCount) return m_chunk[static_cast<std::size_t>(i)];
        refill(w);
        return m_chunk[0];
    }

private:
    static constexpr std::size_t kChunkWords = 4096;

    void arm();
    void nextSppStep();
    void refill(std::uint64_t w);
    bool markerErrorActive() const;

    const std::vector<SlotContent>& m_slots;
    std::uint64_t m_blockWords;
    std::uint64_t m_slotWords;
    Counters& m_counters;
    Faults m_faults;

    std::array<std::uint8_t, 256> m_regs{};
    int m_blockPrev = 0;  // second-to-last write to register 4: the end block
    int m_blockLast = 0;  // last write: the start block
    Mode m_mode = Mode::Stopped;
    std::uint64_t m_rangeFirstWord = 0;
    std::uint64_t m_rangeWords = 0;  // 0 when the block range makes no sense
    std::uint64_t m_transferNumber = 0;
    std::uint64_t m_ecpStreams = 0;

    // SPP position: step number (lead-in included) and group 0..5 within it.
    std::uint64_t m_sppStep = 0;
    int m_part = 5;
    std::array<std::uint8_t, 6> m_groups{};
    std::uint8_t m_sppStatus = 0x07;
    bool m_powerOffNow = false;

    std::array<std::uint16_t, kChunkWords> m_chunk{};
    std::uint64_t m_chunkFirst = 0;
    std::uint64_t m_chunkCount = 0;
};

}  // namespace recsim
