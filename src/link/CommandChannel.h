#pragma once
// The recorder controller's command channel: a bit-serial, fully handshaken exchange over the
// data lines (bit 0 clock, bit 1 data, bit 2 framing) and the status lines (bit 3 acknowledge,
// bit 4 ready / reply bit), and the 5-bit read of the gate array's output on status bits 3..7.
//
// Every wait is a loop counted in status reads: a handshake line must show its state on 5
// consecutive reads within 200000 reads (else error 3301); a gate-array value must repeat on
// two consecutive reads within 8 re-reads (else error 3302). Steps return 0 on success; the
// first non-zero step result ends a command with that result.

#include "link/Port.h"

#include <cstdint>
#include <initializer_list>

namespace vantrel::link {

// How a command is framed: the multi-channel recorder, or the smaller recorder whose begin
// waits for acknowledge low only and whose end drops the data lines.
enum class CommandFraming { MultiChannel, Smaller };

// Command codes.
inline constexpr int kStartStream = 7;
inline constexpr int kWriteControllerRegister = 8;
inline constexpr int kReadControllerRegister = 9;
inline constexpr int kCopySettingsLine = 11;
inline constexpr int kWriteGateArrayRegister = 14;
// Controller registers.
inline constexpr std::uint8_t kLineNumberLow = 126;
inline constexpr std::uint8_t kLineNumberHigh = 127;
inline constexpr std::uint8_t kLineBufferFirst = 192;

class CommandChannel {
public:
    static constexpr long kHandshakeReads = 200000;
    static constexpr int kHandshakeRun = 5;
    static constexpr int kSettleReads = 8;

    explicit CommandChannel(Port& port, CommandFraming framing = CommandFraming::MultiChannel)
        : m_port(port), m_framing(framing) {}

    Port& port() { return m_port; }

    // Waits until (status AND mask) is mask (level 1) or 0 (level 0) on 5 consecutive reads.
    int WaitStatus(std::uint8_t mask, int level);
    int BeginCommand();
    int SendBit(int b);
    // The bit the recorder puts on status bit 4.
    int ReceiveBit();
    int SendCode(int code);   // 5 bits, least significant first
    int SendByte(int x);      // 8 bits, least significant first
    int ReceiveByte();        // 8 bits, the first received ends as bit 0
    int EndCommand();
    // The gate array's 5-bit output (status >> 3) once two consecutive reads agree.
    int ReadGateArray5();

    // BeginCommand, SendCode, the argument bytes, the reply byte when reply is not null,
    // EndCommand; the first non-zero step result.
    int Command(int code, std::initializer_list<std::uint8_t> arguments, std::uint8_t* reply = nullptr);
    int StartStream() { return Command(kStartStream, {}); }
    int WriteControllerRegister(std::uint8_t reg, std::uint8_t value) {
        return Command(kWriteControllerRegister, {reg, value});
    }
    int ReadControllerRegister(std::uint8_t reg, std::uint8_t& value) {
        return Command(kReadControllerRegister, {reg}, &value);
    }
    int CopySettingsLine() { return Command(kCopySettingsLine, {}); }
    int WriteGateArray(std::uint8_t reg, std::uint8_t value) {
        return Command(kWriteGateArrayRegister, {reg, value});
    }

private:
    Port& m_port;
    CommandFraming m_framing;
};

}  // namespace vantrel::link
