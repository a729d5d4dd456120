// The controller's bit-serial command channel, driven by the hand-written PC side.

#include "PcReader.h"
#include "TestImages.h"
#include "recsim/Emulator.h"

#include <gtest/gtest.h>

namespace recsim {
namespace {

using testing::HandshakeTimeout;
using testing::PcReader;

class CommandExchange : public ::testing::Test {
protected:
    CommandExchange() : emulator(testing::smallImage(2, 4)), pc(emulator, 888) {
        pc.enterStandardMode();
        pc.idlePort();
    }
    Emulator emulator;
    PcReader pc;
};

TEST_F(CommandExchange, EveryLineReadsBackAsStored) {
    for (int n : {0, 2, 14, 32, 34, 36, 96, 98, 127, 128, 159, 255, 256}) {
        const auto bytes = pc.readLine(n);
        for (int k = 0; k < 64; ++k)
            ASSERT_EQ(bytes[static_cast<std::size_t>(k)], emulator.settingsMemory().byte(n, k))
                << "line " << n << " byte " << k;
    }
    EXPECT_EQ(emulator.counters().abortedCommands, 0u);
    EXPECT_EQ(emulator.counters().unansweredBits, 0u);
    EXPECT_EQ(emulator.counters().linesCopied, 13u);
}

TEST_F(CommandExchange, Line256IsAddressedByTheHighRegister) {
    pc.command(8, {126, 0});
    pc.command(8, {127, 1});
    EXPECT_EQ(emulator.controller().reg(126), 0);
    EXPECT_EQ(emulator.controller().reg(127), 1);
    pc.command(11, {});
    EXPECT_EQ(emulator.controller().lineBuffer(), emulator.settingsMemory().line(256));
}

TEST_F(CommandExchange, ALineBeyondTheMemoryReadsErased) {
    const auto bytes = pc.readLine(261);
    for (auto b : bytes) EXPECT_EQ(b, 0xFF);
}

TEST_F(CommandExchange, RegistersWrittenByCommand8ReadBackByCommand9) {
    pc.command(8, {17, 0xA5});
    pc.command(8, {200, 0x3C});  // line-buffer byte 8
    EXPECT_EQ(pc.commandWithReply(9, {17}), 0xA5);
    EXPECT_EQ(pc.commandWithReply(9, {200}), 0x3C);
}

TEST_F(CommandExchange, GateArrayRegistersTakeCommand14) {
    pc.command(14, {4, 95});
    pc.command(14, {4, 48});
    pc.command(14, {2, 9});
    EXPECT_EQ(emulator.gateArray().endBlock(), 95);
    EXPECT_EQ(emulator.gateArray().startBlock(), 48);
    EXPECT_EQ(emulator.gateArray().reg(2), 9);
    pc.command(14, {1, 7});
    EXPECT_EQ(emulator.gateArray().mode(), GateArray::Mode::Spp);
    pc.command(7, {});
    EXPECT_EQ(emulator.gateArray().mode(), GateArray::Mode::Ecp);
    pc.command(14, {1, 0});
    EXPECT_EQ(emulator.gateArray().mode(), GateArray::Mode::Stopped);
}

TEST_F(CommandExchange, ReplyBitsComeLeastSignificantFirst) {
    pc.command(8, {5, 0x01});
    pc.beginCommand();
    pc.sendByte(9, 5);
    pc.sendByte(5);
    std::vector<int> bits;
    for (int i = 0; i < 8; ++i) bits.push_back(pc.receiveBit());
    pc.endCommand();
    EXPECT_EQ(bits, (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CommandExchange, EachHandshakeLineSettlesAtOnce) {
    pc.beginCommand();
    EXPECT_EQ(pc.lastWaitReads(), 5u);  // acknowledge low seen on the first five reads
    pc.sendBit(1);
    EXPECT_EQ(pc.lastWaitReads(), 5u);
}

TEST_F(CommandExchange, ClockPulsesBeyondTheCommandAreNeverAcknowledged) {
    pc.beginCommand();
    pc.sendByte(11, 5);  // complete: no arguments, no reply
    EXPECT_THROW(pc.sendBit(0), HandshakeTimeout);
    EXPECT_EQ(emulator.counters().unansweredBits, 1u);
}

TEST_F(CommandExchange, AFrameEndedEarlyRunsNothing) {
    pc.beginCommand();
    pc.sendByte(14, 5);
    pc.sendByte(4);  // the value byte never comes
    pc.endCommand();
    EXPECT_EQ(emulator.counters().abortedCommands, 1u);
    EXPECT_EQ(emulator.counters().commandsByCode[14], 0u);
    pc.command(14, {4, 3});  // the next command is understood
    EXPECT_EQ(emulator.gateArray().startBlock(), 3);
}

TEST_F(CommandExchange, FramingWithoutAttentionIsIgnored) {
    pc.control(0x05);
    pc.data(0x00);
    pc.data(0x04);  // framing rises without the attention state first
    EXPECT_THROW(pc.waitStatus(16, 1), HandshakeTimeout);
}

TEST(PortAddress, OnlyTheRecordersPortAnswers) {
    RecorderImage image = testing::smallImage(1, 1);
    image.port = 632;
    Emulator emulator(image);
    PcReader elsewhere(emulator, 888);
    EXPECT_EQ(emulator.read(888 + 1), kFloating);
    EXPECT_EQ(emulator.read(888 + 0x402), kFloating);
    // The floating status passes the first waits and times out on acknowledge low.
    EXPECT_THROW(elsewhere.beginCommand(), HandshakeTimeout);
    PcReader there(emulator, 632);
    EXPECT_EQ(there.readLine(14), emulator.settingsMemory().line(14));
    emulator.write(632, 0x5A);
    emulator.write(634, 0x21);
    EXPECT_EQ(emulator.read(632), 0x5A);
    EXPECT_EQ(emulator.read(634), 0x21);
    EXPECT_EQ(emulator.read(632 + 4), kFloating);  // no EPP stream in this model
}

}  // namespace
}  // namespace recsim
