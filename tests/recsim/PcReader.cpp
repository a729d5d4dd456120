#include "PcReader.h"

namespace recsim::testing {

void PcReader::waitStatus(std::uint8_t mask, int level) {
    const std::uint8_t expected = level ? mask : 0;
    std::uint64_t attempts = 0;
    int run = 0;
    m_lastWaitReads = 0;
    for (;;) {
        if (++attempts > 200000) throw HandshakeTimeout(3301, "Timeout in iAnsPIC");
        ++m_lastWaitReads;
        if ((status() & mask) == expected)
            ++run;
        else
            run = 0;
        if (run == 5) return;
    }
}

void PcReader::beginCommand() {
    control(0x05);
    data(0x02);
    waitStatus(16, 1);
    waitStatus(8, 1);
    data(0x06);
    waitStatus(16, 1);
    waitStatus(8, 0);
}

void PcReader::sendBit(int b) {
    const auto v = static_cast<std::uint8_t>(b ? 2 : 0);
    data(static_cast<std::uint8_t>(v + 4));
    data(static_cast<std::uint8_t>(v + 5));
    waitStatus(8, 1);
    data(static_cast<std::uint8_t>(v + 4));
    waitStatus(8, 0);
}

int PcReader::receiveBit() {
    data(4);
    data(5);
    waitStatus(8, 1);
    const int bit = (status() >> 4) & 1;
    data(4);
    waitStatus(8, 0);
    return bit;
}

void PcReader::sendByte(int x, int bits) {
    for (int i = 0; i < bits; ++i) sendBit((x >> i) & 1);
}

int PcReader::receiveByte() {
    int value = 0;
    for (int i = 0; i < 8; ++i) value = receiveBit() * 128 + value / 2;
    return value;
}

void PcReader::endCommand() {
    data(0x06);
    data(0x02);
    waitStatus(16, 1);
    waitStatus(8, 1);
    data(0x02);
}

void PcReader::command(int code, std::initializer_list<int> arguments) {
    beginCommand();
    sendByte(code, 5);
    for (int a : arguments) sendByte(a);
    endCommand();
}

int PcReader::commandWithReply(int code, std::initializer_list<int> arguments) {
    beginCommand();
    sendByte(code, 5);
    for (int a : arguments) sendByte(a);
    const int reply = receiveByte();
    endCommand();
    return reply;
}

std::array<std::uint8_t, 64> PcReader::readLine(int n) {
    command(8, {126, n % 256});
    command(8, {127, (n / 256) % 256});
    command(11, {});
    std::array<std::uint8_t, 64> bytes{};
    for (int i = 0; i < 64; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(commandWithReply(9, {192 + i}));
    return bytes;
}

int PcReader::readGateArray5() {
    std::uint8_t previous = status();
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t s = status();
        if (s == previous) return (s >> 3) & 0x1F;
        previous = s;
    }
    throw HandshakeTimeout(3302, "Timeout in iAnsFPGA");
}

void PcReader::enterStandardMode() {
    control(0x22);
    control(0x06);
    ecr(static_cast<std::uint8_t>(ecr() & 0x1F));
    control(0x01);
}

void PcReader::idlePort() {
    control(0x03);
    control(0x03);
    control(0x00);
}

void PcReader::idleDataLines() {
    control(0x00);
    data(0x02);
    data(0x02);
    data(0x00);
}

void PcReader::setupGateArray(int test, int slots) {
    const int start = ((16 * (test - 1)) / slots) * 12;
    const int end = 191 / slots + start;
    command(14, {4, end});
    command(14, {4, start});
    command(14, {1, 0});
    command(14, {1, 7});
}

Step PcReader::sppStep() {
    static const std::uint8_t pattern[6] = {1, 0, 1, 0, 1, 0};
    int r[6];
    for (int i = 0; i < 6; ++i) {
        data(pattern[i]);
        data(pattern[i]);
        r[i] = readGateArray5();
    }
    Step s;
    s.w1 = static_cast<std::uint16_t>(r[0] + 32 * r[1] + 1024 * r[2]);
    s.w2 = static_cast<std::uint16_t>(r[3] + 32 * r[4] + 1024 * r[5]);
    if (((s.w1 ^ s.w2) & 0x4000) == 0) s.result = 2;
    if ((s.w1 | s.w2) & 0x8000) s.result = 3;
    return s;
}

bool PcReader::enterEcp() {
    control(0x04);
    ecr(static_cast<std::uint8_t>((ecr() & 0x1F) | 0x60));
    int reads = 0;
    while ((ecr() & 1) == 0) {
        fifo();
        if (++reads > 3000) return false;
    }
    control(0x26);
    control(0x22);
    control(0x20);
    return true;
}

Step PcReader::ecpStep(std::uint64_t* polls) {
    int count = 0;
    while ((ecr() & 2) == 0 && count <= 75) ++count;
    if (polls) *polls += static_cast<std::uint64_t>(count) + 1;
    const int b1 = fifo();
    const int b2 = fifo();
    const int b3 = fifo();
    const int b4 = fifo();
    Step s;
    s.w1 = static_cast<std::uint16_t>(b1 * 256 + b2);
    s.w2 = static_cast<std::uint16_t>(b3 * 256 + b4);
    s.result = ((s.w1 ^ s.w2) & 0x4000) && count <= 75 ? 0 : 2;
    return s;
}

namespace {

void store(Transfer& t, std::uint64_t& position, std::uint16_t word) {
    t.file[static_cast<std::size_t>(position)] = static_cast<std::uint16_t>(word & 0x3FFF);
    if (++position == t.file.size()) position = 0;
}

std::uint64_t startPosition(std::uint64_t words, std::uint64_t astop) {
    return astop == 0 ? 0 : words - astop;
}

}  // namespace

void PcReader::stopGateArray(Transfer& t) {
    try {
        command(14, {1, 0});
    } catch (const HandshakeTimeout&) {
        t.stopTimedOut = true;
    }
}


Transfer PcReader::transferSpp(int test, int slots, std::uint64_t slotWords, std::uint64_t astop) {
    Transfer t;
    setupGateArray(test, slots);
    idleDataLines();
    try {
        for (int i = 0; i < 32; ++i) sppStep();
    } catch (const HandshakeTimeout&) {
        t.outcome = 1;
        return t;
    }
    t.file.assign(static_cast<std::size_t>(slotWords), 0);
    std::uint64_t position = startPosition(slotWords, astop);
    for (std::uint64_t i = 1; i <= slotWords / 2; ++i) {
        Step s;
        try {
            s = sppStep();
        } catch (const HandshakeTimeout&) {
            s.result = 2;
        }
        if (s.result != 0) {
            stopGateArray(t);
            t.outcome = 2;
            t.failedStep = i;
            return t;
        }
        store(t, position, s.w1);
        store(t, position, s.w2);
    }
    stopGateArray(t);
    return t;
}

Transfer PcReader::transferEcp(int test, int slots, std::uint64_t slotWords, std::uint64_t astop) {
    Transfer t;
    setupGateArray(test, slots);
    command(14, {2, 9});
    command(7, {});
    if (!enterEcp()) {
        t.outcome = 1;
        return t;
    }
    for (int i = 0; i < 31; ++i) ecpStep();
    fifo();
    fifo();
    fifo();
    t.file.assign(static_cast<std::size_t>(slotWords), 0);
    std::uint64_t position = startPosition(slotWords, astop);
    for (std::uint64_t i = 1; i <= slotWords / 2; ++i) {
        const Step s = ecpStep();
        if (s.result != 0) {
            t.outcome = 2;
            t.failedStep = i;
            break;
        }
        store(t, position, s.w1);
        store(t, position, s.w2);
    }
    enterStandardMode();
    stopGateArray(t);
    return t;
}

}  // namespace recsim::testing
