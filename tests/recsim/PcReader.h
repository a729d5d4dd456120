#pragma once
// A small PC side written for these tests from the recorder's documented port sequences: the
// counted handshake wait, the bit-serial command framing, settings-line reads, the gate-array
// set-up and the SPP and ECP step reads. It drives the emulator exactly as a download would
// and reports what it saw, so the tests can check the recorder side register by register.

#include "link/PortBackend.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace recsim::testing {

class HandshakeTimeout : public std::runtime_error {
public:
    HandshakeTimeout(int number, const char* what) : std::runtime_error(what), m_number(number) {}
    int number() const { return m_number; }

private:
    int m_number;
};

struct Step {
    std::uint16_t w1 = 0;
    std::uint16_t w2 = 0;
    int result = 0;  // 0 good, 2 marker not alternating (or ECP FIFO never full), 3 bit 15 set
};

struct Transfer {
    int outcome = 0;  // 0 success, 1 set-up failed, 2 transfer failed
    std::uint64_t failedStep = 0;
    bool stopTimedOut = false;  // the closing command found no recorder
    std::vector<std::uint16_t> file;  // as the reader would store it
};

class PcReader {
public:
    PcReader(vantrel::link::PortBackend& port, std::uint32_t base) : m_port(port), m_base(base) {}

    std::uint8_t status() { return m_port.read(m_base + 1); }
    void data(std::uint8_t v) { m_port.write(m_base, v); }
    void control(std::uint8_t v) { m_port.write(m_base + 2, v); }
    std::uint8_t ecr() { return m_port.read(m_base + 0x402); }
    void ecr(std::uint8_t v) { m_port.write(m_base + 0x402, v); }
    std::uint8_t fifo() { return m_port.read(m_base + 0x400); }

    // Five consecutive reads in the expected state; more than 200000 attempts: 3301.
    void waitStatus(std::uint8_t mask, int level);
    std::uint64_t lastWaitReads() const { return m_lastWaitReads; }

    void beginCommand();
    void sendBit(int b);
    int receiveBit();
    void sendByte(int x, int bits = 8);
    int receiveByte();
    void endCommand();
    void command(int code, std::initializer_list<int> arguments);
    int commandWithReply(int code, std::initializer_list<int> arguments);
    std::array<std::uint8_t, 64> readLine(int n);

    // Two equal consecutive status reads within 8 re-reads; otherwise 3302.
    int readGateArray5();

    void enterStandardMode();
    void idlePort();
    void idleDataLines();

    // Gate-array set-up for test t of a recorder with `slots` slots.
    void setupGateArray(int test, int slots);
    Step sppStep();
    // ECP entry after the set-up commands: false when the FIFO does not drain.
    bool enterEcp();
    Step ecpStep(std::uint64_t* polls = nullptr);

    // Whole transfers of test t into a ring of slotWords words placed from astop.
    Transfer transferSpp(int test, int slots, std::uint64_t slotWords, std::uint64_t astop);
    Transfer transferEcp(int test, int slots, std::uint64_t slotWords, std::uint64_t astop);

private:
    void stopGateArray(Transfer& t);

    vantrel::link::PortBackend& m_port;
    std::uint32_t m_base;
    std::uint64_t m_lastWaitReads = 0;
};

}  // namespace recsim::testing
