#include "recsim/Controller.h"

namespace recsim {
namespace {

// Argument and reply bytes of each command code; unknown codes take none.
struct CommandShape {
    int arguments;
    int replies;
};

CommandShape shapeOf(unsigned code) {
    switch (code) {
    case 8:
    case 14:
        return {2, 0};
    case 9:
        return {1, 1};
    default:
        return {0, 0};
    }
}

constexpr int kLineRegisterLow = 126;
constexpr int kLineRegisterHigh = 127;
constexpr int kBufferRegister = 192;

}  // namespace

void Controller::reset() {
    m_lines = 0;
    m_status = 0;
    m_phase = Phase::Idle;
    m_acked = false;
    m_bitsIn = 0;
    m_bitsNeeded = 5;
    m_shift = 0;
    m_replyBits = 0;
    m_regs.fill(0);
    m_buffer.fill(0);
}

unsigned Controller::step(std::uint8_t d) {
    const std::uint8_t prev = m_lines;
    m_lines = d;
    const std::uint8_t before = m_status;
    unsigned result = Nothing;
    const bool frame = d & 4;
    const bool framePrev = prev & 4;

    if (m_phase == Phase::Idle) {
        if (frame && !framePrev && (prev & 6) == 2 && (d & 2)) {
            // A command begins.
            m_phase = Phase::Command;
            m_bitsIn = 0;
            m_bitsNeeded = 5;
            m_shift = 0;
            m_replyBits = 0;
            m_acked = false;
            m_status = kReady;
        } else {
            m_status = (d & 6) == 2 ? kReady | kAck : 0;
        }
    } else if (!frame) {
        // The command ends.
        if (m_bitsIn < m_bitsNeeded || m_replyBits > 0)
            ++m_counters.abortedCommands;
        m_phase = Phase::Idle;
        m_status = (d & 2) ? kReady | kAck : 0;
    } else if ((d & 1) && !(prev & 1)) {
        result |= clockRise(d);
    } else if (!(d & 1) && (prev & 1) && m_acked) {
        m_acked = false;
        m_status = kReady;
    }
    if (m_status != before) result |= StatusChanged;
    return result;
}

unsigned Controller::clockRise(std::uint8_t d) {
    if (m_bitsIn < m_bitsNeeded) {
        m_shift |= static_cast<std::uint32_t>((d >> 1) & 1) << m_bitsIn;
        ++m_bitsIn;
        m_acked = true;
        m_status = kReady | kAck;
        if (m_bitsIn == 5) {
            const CommandShape shape = shapeOf(m_shift & 0x1F);
            m_bitsNeeded = 5 + 8 * shape.arguments;
        }
        if (m_bitsIn == m_bitsNeeded) {
            run();
            return CommandRan;
        }
        return Nothing;
    }
    if (m_replyBits > 0) {
        const bool bit = m_reply & 1;
        m_reply = static_cast<std::uint8_t>(m_reply >> 1);
        --m_replyBits;
        m_acked = true;
        m_status = static_cast<std::uint8_t>(kAck | (bit ? kReady : 0));
        return Nothing;
    }
    ++m_counters.unansweredBits;
    return Nothing;
}

void Controller::run() {
    const unsigned code = m_shift & 0x1F;
    const auto a0 = static_cast<std::uint8_t>(m_shift >> 5);
    const auto a1 = static_cast<std::uint8_t>(m_shift >> 13);
    ++m_counters.commands;
    ++m_counters.commandsByCode[code];
    switch (code) {
    case 7:
        m_gate.startEcp();
        break;
    case 8:
        if (a0 >= kBufferRegister)
            m_buffer[static_cast<std::size_t>(a0 - kBufferRegister)] = a1;
        else
            m_regs[a0] = a1;
        break;
    case 9:
        m_reply = a0 >= kBufferRegister ? m_buffer[static_cast<std::size_t>(a0 - kBufferRegister)]
                                        : m_regs[a0];
        m_replyBits = 8;
        break;
    case 11: {
        const int n = m_regs[kLineRegisterHigh] * 256 + m_regs[kLineRegisterLow];
        if (n < kSettingsLines)
            m_buffer = m_settings.line(n);
        else
            m_buffer.fill(0xFF);  // no such line
        ++m_counters.linesCopied;
        break;
    }
    case 14:
        m_gate.writeRegister(a0, a1);
        break;
    default:
        break;
    }
}

}  // namespace recsim
