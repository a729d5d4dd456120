#include "link/CommandChannel.h"

#include "link/LinkErrors.h"

namespace vantrel::link {

int CommandChannel::WaitStatus(std::uint8_t mask, int level) {
    const std::uint8_t expected = level == 1 ? mask : 0;
    long attempts = 0;
    int run = 0;
    for (;;) {
        if (++attempts > kHandshakeReads) throw handshakeTimeout();
        if ((m_port.ReadStatus() & mask) == expected) {
            if (++run == kHandshakeRun) return 0;
        } else {
            run = 0;
        }
    }
}

int CommandChannel::BeginCommand() {
    if (m_framing == CommandFraming::Smaller) {
        m_port.WriteControl(0x05);
        m_port.WriteData(0x02);
        if (int r = WaitStatus(kStatusAck, 0)) return r;
        m_port.WriteData(0x06);
        return 0;
    }
    m_port.WriteControl(0x05);
    m_port.WriteData(0x02);
    if (int r = WaitStatus(kStatusReady, 1)) return r;
    if (int r = WaitStatus(kStatusAck, 1)) return r;
    m_port.WriteData(0x06);
    if (int r = WaitStatus(kStatusReady, 1)) return r;
    return WaitStatus(kStatusAck, 0);
}

int CommandChannel::SendBit(int b) {
    const std::uint8_t v = b == 1 ? 2 : 0;
    m_port.WriteData(static_cast<std::uint8_t>(v + 4));
    m_port.WriteData(static_cast<std::uint8_t>(v + 5));
    if (int r = WaitStatus(kStatusAck, 1)) return r;
    m_port.WriteData(static_cast<std::uint8_t>(v + 4));
    return WaitStatus(kStatusAck, 0);
}

int CommandChannel::ReceiveBit() {
    m_port.WriteData(4);
    m_port.WriteData(5);
    WaitStatus(kStatusAck, 1);
    const int bit = (m_port.ReadStatus() >> 4) & 1;
    m_port.WriteData(4);
    WaitStatus(kStatusAck, 0);
    return bit;
}

int CommandChannel::SendCode(int code) {
    for (int i = 0; i < 5; ++i)
        if (int r = SendBit((code >> i) & 1)) return r;
    return 0;
}

int CommandChannel::SendByte(int x) {
    for (int i = 0; i < 8; ++i)
        if (int r = SendBit((x >> i) & 1)) return r;
    return 0;
}

int CommandChannel::ReceiveByte() {
    int value = 0;
    for (int i = 0; i < 8; ++i) value = ReceiveBit() * 128 + value / 2;
    return value;
}

int CommandChannel::EndCommand() {
    if (m_framing == CommandFraming::Smaller) {
        m_port.WriteData(0x04);
        m_port.WriteData(0x00);
        return WaitStatus(kStatusAck, 0);
    }
    m_port.WriteData(0x06);
    m_port.WriteData(0x02);
    if (int r = WaitStatus(kStatusReady, 1)) return r;
    if (int r = WaitStatus(kStatusAck, 1)) return r;
    m_port.WriteData(0x02);
    return 0;
}

int CommandChannel::ReadGateArray5() {
    std::uint8_t previous = m_port.ReadStatus();
    for (int i = 0; i < kSettleReads; ++i) {
        const std::uint8_t status = m_port.ReadStatus();
        if (status == previous) return (status >> 3) & 0x1F;
        previous = status;
    }
    throw gateArrayTimeout();
}

int CommandChannel::Command(int code, std::initializer_list<std::uint8_t> arguments, std::uint8_t* reply) {
    if (int r = BeginCommand()) return r;
    if (int r = SendCode(code)) return r;
    for (std::uint8_t a : arguments)
        if (int r = SendByte(a)) return r;
    if (reply) *reply = static_cast<std::uint8_t>(ReceiveByte());
    return EndCommand();
}

}  // namespace vantrel::link
