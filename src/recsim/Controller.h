#pragma once
// The recorder's on-board controller: a bit-serial, fully handshaken command channel on the
// data lines (0 clock, 1 data, 2 framing) and the status lines (3 acknowledge, 4 ready/reply).
//
//   data 0x02 (framing low, data high)   -> ready and acknowledge high: attention / done
//   framing rises from attention          -> a command begins: ready high, acknowledge low
//   clock rises during a command          -> the data line is taken as the next bit (or, once
//                                            the command and its arguments are complete, the
//                                            next reply bit is put on the ready line), and
//                                            acknowledge goes high
//   clock falls                           -> acknowledge low
//   framing falls                         -> command ends: ready and acknowledge high
//
// Bits travel least significant first: a 5-bit command code, its argument bytes, then the
// reply byte. A command runs as soon as its last argument bit has arrived. Commands: 7 start
// the ECP stream; 8 (register, value) write a controller register (126/127 = settings line
// number); 9 (register) -> value, registers 192..255 being the line buffer; 11 copy the
// addressed settings line into the line buffer; 14 (register, value) write a gate-array
// register. Clock pulses beyond a command are never acknowledged.
//
// The smaller recorder frames its commands differently (its begin waits for acknowledge low,
// its end drops the data lines to 0); its model is meant to add its own framing here.

#include "recsim/Counters.h"
#include "recsim/GateArray.h"
#include "recsim/SettingsMemory.h"

#include <array>
#include <cstdint>

namespace recsim {

inline constexpr std::uint8_t kAck = 0x08;
inline constexpr std::uint8_t kReady = 0x10;

class Controller {
public:
    enum Result : unsigned { Nothing = 0, StatusChanged = 1, CommandRan = 2 };

    Controller(const SettingsMemory& settings, GateArray& gate, Counters& counters)
        : m_settings(settings), m_gate(gate), m_counters(counters) {}
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // The data lines as the recorder sees them (bits 0..2) now read d.
    unsigned dataLines(std::uint8_t d) {
        if (m_phase == Phase::Idle && ((d | m_lines) & 6) == 0) {  // the gate array's lines
            m_lines = d;
            return Nothing;
        }
        return step(d);
    }

    // Status byte the controller drives (bits 3 and 4; the unused low bits read 1).
    std::uint8_t status() const { return static_cast<std::uint8_t>(m_status | 0x07); }
    std::uint8_t reg(int n) const { return m_regs.at(static_cast<std::size_t>(n)); }
    const SettingsLine& lineBuffer() const { return m_buffer; }
    void reset();

private:
    enum class Phase { Idle, Command };

    unsigned step(std::uint8_t d);
    unsigned clockRise(std::uint8_t d);
    void run();

    const SettingsMemory& m_settings;
    GateArray& m_gate;
    Counters& m_counters;

    std::uint8_t m_lines = 0;
    std::uint8_t m_status = 0;
    Phase m_phase = Phase::Idle;
    bool m_acked = false;      // the current clock pulse was acknowledged
    int m_bitsIn = 0;          // bits taken in for the current command
    int m_bitsNeeded = 5;      // code, then code + arguments
    std::uint32_t m_shift = 0; // bits taken in, first bit in bit 0
    int m_replyBits = 0;       // reply bits still to give
    std::uint8_t m_reply = 0;
    std::array<std::uint8_t, 256> m_regs{};
    SettingsLine m_buffer{};
};

}  // namespace recsim
