#pragma once
// A minimal recorder controller behind a port base, for checking what the command layer puts
// on the wire: it answers every handshake at once, decodes the bits it is sent into commands
// and answers command 9 from its registers and line buffer (command 11 copies the settings
// line addressed by registers 126/127). Only the data register and the status register are
// modelled.

#include "link/PortBackend.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace linktest {

struct SentCommand {
    int code = 0;
    std::vector<int> arguments;

    bool operator==(const SentCommand&) const = default;
};

class FakeController : public vantrel::link::PortBackend {
public:
    using Line = std::array<std::uint8_t, 64>;

    explicit FakeController(std::uint32_t base = 888) : m_base(base) {}

    std::uint8_t read(std::uint32_t address) override {
        ++m_reads;
        return address == m_base + 1 ? m_status : std::uint8_t{0xFF};
    }
    void write(std::uint32_t address, std::uint8_t v) override {
        if (address != m_base) return;
        const bool framing = v & 4, clock = v & 1;
        const bool wasFraming = m_data & 4, wasClock = m_data & 1;
        m_data = v;
        if (!framing) {
            if (m_inCommand) finish();
            m_inCommand = false;
            m_status = 0x18;  // ready and acknowledge: idle
            return;
        }
        if (!wasFraming) {  // a command begins
            m_inCommand = true;
            m_bits.clear();
            m_replyBit = 0;
            m_status = 0x10;
            return;
        }
        if (clock && !wasClock) {
            if (m_bits.size() < needed()) {
                m_bits.push_back((v >> 1) & 1);
                if (m_bits.size() == needed()) run();
                m_status = 0x08;
            } else {
                const int bit = (m_reply >> m_replyBit++) & 1;
                m_status = static_cast<std::uint8_t>(0x08 | (bit << 4));
            }
        } else if (!clock && wasClock) {
            m_status = static_cast<std::uint8_t>(m_status & ~0x08);
        }
    }
    std::string name() const override { return "fake controller"; }

    void setLine(int n, const Line& line) { m_lines[n] = line; }
    const std::vector<SentCommand>& commands() const { return m_commands; }
    void clearCommands() { m_commands.clear(); }
    std::uint64_t statusReads() const { return m_reads; }

private:
    static int argumentBytes(int code) {
        switch (code) {
        case 8: case 14: return 2;
        case 9: return 1;
        default: return 0;
        }
    }
    std::size_t needed() const {
        if (m_bits.size() < 5) return 5;
        return 5 + 8 * static_cast<std::size_t>(argumentBytes(field(0, 5)));
    }
    int field(std::size_t first, std::size_t count) const {
        int v = 0;
        for (std::size_t i = 0; i < count; ++i) v |= m_bits[first + i] << i;
        return v;
    }
    void run() {
        SentCommand c{field(0, 5), {}};
        for (int a = 0; a < argumentBytes(c.code); ++a) c.arguments.push_back(field(5 + 8 * a, 8));
        m_reply = 0;
        if (c.code == 8) m_regs[static_cast<std::size_t>(c.arguments[0])] = static_cast<std::uint8_t>(c.arguments[1]);
        if (c.code == 11) m_buffer = m_lines[m_regs[126] + 256 * m_regs[127]];
        if (c.code == 9) {
            const int reg = c.arguments[0];
            m_reply = reg >= 192 ? m_buffer[static_cast<std::size_t>(reg - 192)] : m_regs[static_cast<std::size_t>(reg)];
        }
        m_pending = c;
    }
    void finish() { m_commands.push_back(m_pending); m_pending = {}; }

    std::uint32_t m_base;
    std::uint8_t m_data = 0;
    std::uint8_t m_status = 0x18;
    bool m_inCommand = false;
    std::vector<int> m_bits;
    int m_reply = 0;
    int m_replyBit = 0;
    SentCommand m_pending;
    std::vector<SentCommand> m_commands;
    std::array<std::uint8_t, 256> m_regs{};
    Line m_buffer{};
    std::map<int, Line> m_lines;
    std::uint64_t m_reads = 0;
};

}  // namespace linktest
