// The gate array's SPP and ECP streams as the PC side reads them: lead-in, alternating
// markers, block ranges, and whole transfers that reproduce the expected data file.

#include "PcReader.h"
#include "TestImages.h"
#include "recsim/Emulator.h"
#include "recsim/ExpectedData.h"

#include <gtest/gtest.h>

namespace recsim {
namespace {

using testing::PcReader;
using testing::Step;

struct Fixture {
    explicit Fixture(RecorderImage image) : emulator(std::move(image)), pc(emulator, 888) {
        pc.enterStandardMode();
        pc.idlePort();
    }
    Emulator emulator;
    PcReader pc;
};

struct TransferCase {
    const char* name;
    int slots;
    int tests;
    int test;
    bool ecp;
};

class WholeTransfer : public ::testing::TestWithParam<TransferCase> {};

TEST_P(WholeTransfer, WritesTheExpectedDataFile) {
    const TransferCase& c = GetParam();
    Fixture f(testing::smallImage(c.tests, c.slots, 64));
    const StoredTest& t = f.emulator.image().tests[static_cast<std::size_t>(c.test - 1)];
    const std::uint64_t slotWords = f.emulator.image().slotWords();
    const auto transfer = c.ecp ? f.pc.transferEcp(c.test, c.slots, slotWords, t.astop)
                                : f.pc.transferSpp(c.test, c.slots, slotWords, t.astop);
    ASSERT_EQ(transfer.outcome, 0) << "failed at step " << transfer.failedStep;
    EXPECT_EQ(transfer.file, f.emulator.expectedDataFile(c.test));
    EXPECT_EQ(transfer.file, expectedDataFile(f.emulator.image(), c.test));
    EXPECT_EQ(f.emulator.counters().fifoEmptyReads, 0u);
    EXPECT_EQ(f.emulator.gateArray().mode(), GateArray::Mode::Stopped);
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeTransfer,
                         ::testing::Values(TransferCase{"sppOneSlot", 1, 1, 1, false},
                                           TransferCase{"ecpOneSlot", 1, 1, 1, true},
                                           TransferCase{"sppThirdOfFour", 4, 3, 3, false},
                                           TransferCase{"ecpSecondOfFour", 4, 3, 2, true},
                                           TransferCase{"ecpLastOfSixteen", 16, 16, 16, true},
                                           TransferCase{"sppFirstOfSixteen", 16, 5, 1, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Spp, LeadInHasNoAlternatingMarkerAndDataDoes) {
    Fixture f(testing::smallImage(1, 2, 64));
    f.pc.setupGateArray(1, 2);
    f.pc.idleDataLines();
    for (int i = 0; i < 32; ++i) EXPECT_EQ(f.pc.sppStep().result, 2) << "lead-in step " << i;
    for (int i = 0; i < 100; ++i) {
        const Step s = f.pc.sppStep();
        ASSERT_EQ(s.result, 0) << "data step " << i;
        EXPECT_EQ(s.w1 & 0x4000, 0);
        EXPECT_EQ(s.w2 & 0x4000, 0x4000);
    }
    EXPECT_EQ(f.emulator.counters().sppSteps, 132u);
}

TEST(Spp, FirstDataStepIsTheSlotsFirstWords) {
    Fixture f(testing::smallImage(2, 2, 64));
    f.pc.setupGateArray(2, 2);
    f.pc.idleDataLines();
    for (int i = 0; i < 32; ++i) f.pc.sppStep();
    std::uint16_t memory[4];
    f.emulator.slot(2).fillAddresses(0, 4, memory);
    const Step a = f.pc.sppStep();
    const Step b = f.pc.sppStep();
    EXPECT_EQ(a.w1 & 0x3FFF, memory[0]);
    EXPECT_EQ(a.w2 & 0x3FFF, memory[1]);
    EXPECT_EQ(b.w1 & 0x3FFF, memory[2]);
    EXPECT_EQ(b.w2 & 0x3FFF, memory[3]);
}

TEST(Spp, StatusBelongsToTheControllerWhileTheStrobeIsSet) {
    Fixture f(testing::smallImage(1, 1, 64));
    f.pc.setupGateArray(1, 1);
    f.pc.control(0x05);
    f.pc.data(1);
    f.pc.data(0);
    f.pc.idleDataLines();
    // The two toggles under the controller moved nothing: the first step is still lead-in.
    for (int i = 0; i < 32; ++i) ASSERT_EQ(f.pc.sppStep().result, 2);
    EXPECT_EQ(f.pc.sppStep().result, 0);
}

TEST(Spp, StreamStartsAgainAfterTheEndBlock) {
    Fixture f(testing::smallImage(1, 16, 32));  // 384 words, 192 steps a slot
    f.pc.setupGateArray(1, 16);
    f.pc.idleDataLines();
    for (int i = 0; i < 32; ++i) f.pc.sppStep();
    std::vector<Step> first;
    for (int i = 0; i < 192; ++i) first.push_back(f.pc.sppStep());
    for (int i = 0; i < 3; ++i) {
        const Step again = f.pc.sppStep();
        EXPECT_EQ(again.w1, first[static_cast<std::size_t>(i)].w1);
        EXPECT_EQ(again.w2, first[static_cast<std::size_t>(i)].w2);
    }
}

TEST(Spp, ANonsenseBlockRangeStreamsNoData) {
    Fixture f(testing::smallImage(1, 1, 64));
    f.pc.command(14, {4, 10});  // end before start
    f.pc.command(14, {4, 20});
    f.pc.command(14, {1, 0});
    f.pc.command(14, {1, 7});
    f.pc.idleDataLines();
    for (int i = 0; i < 32; ++i) f.pc.sppStep();
    EXPECT_EQ(f.pc.sppStep().result, 2);
}

TEST(Ecp, FifoFlowsOnlyInReverseEcpModeAfterCommand7) {
    Fixture f(testing::smallImage(1, 1, 64));
    f.pc.setupGateArray(1, 1);
    f.pc.command(14, {2, 9});
    EXPECT_EQ(f.emulator.ecr() & 3, 1);  // empty, not full
    f.pc.command(7, {});
    f.pc.control(0x04);
    f.pc.ecr(static_cast<std::uint8_t>((f.pc.ecr() & 0x1F) | 0x60));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(f.pc.ecr() & 3, 1) << "forward direction: nothing comes";
    EXPECT_EQ(f.pc.ecr() >> 5, 3);
    f.pc.control(0x26);  // reverse, but reverse request not yet asserted
    EXPECT_EQ(f.pc.ecr() & 1, 1);
    f.pc.control(0x20);
    int polls = 0;
    while ((f.pc.ecr() & 2) == 0) ASSERT_LT(++polls, 20);
    EXPECT_GT(polls, 2);  // two bytes per access: the FIFO takes a few polls to fill
    EXPECT_EQ(f.emulator.counters().ecpBytes, 16u);
    // Standard mode empties it.
    f.pc.enterStandardMode();
    EXPECT_EQ(f.pc.ecr() & 3, 1);
}

TEST(Ecp, LeadInIs127BytesThenWordsHighByteFirst) {
    Fixture f(testing::smallImage(1, 1, 64));
    f.pc.setupGateArray(1, 1);
    f.pc.command(14, {2, 9});
    f.pc.command(7, {});
    ASSERT_TRUE(f.pc.enterEcp());
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < 127 + 8) {
        if (f.pc.ecr() & 1) continue;
        bytes.push_back(f.pc.fifo());
    }
    std::uint16_t memory[4];
    f.emulator.slot(1).fillAddresses(0, 4, memory);
    for (int w = 0; w < 4; ++w) {
        const std::uint16_t word = static_cast<std::uint16_t>(bytes[127 + 2 * w] * 256 + bytes[128 + 2 * w]);
        EXPECT_EQ(word & 0x3FFF, memory[w]);
        EXPECT_EQ((word >> 14) & 1, w % 2);
    }
}

TEST(Ecp, StepsAfterTheLeadInPassAndFifoIsNeverReadEmpty) {
    Fixture f(testing::smallImage(1, 1, 64));
    f.pc.setupGateArray(1, 1);
    f.pc.command(14, {2, 9});
    f.pc.command(7, {});
    ASSERT_TRUE(f.pc.enterEcp());
    for (int i = 0; i < 31; ++i) f.pc.ecpStep();
    f.pc.fifo();
    f.pc.fifo();
    f.pc.fifo();
    for (int i = 0; i < 500; ++i) ASSERT_EQ(f.pc.ecpStep().result, 0) << i;
    EXPECT_EQ(f.emulator.counters().fifoEmptyReads, 0u);
}

TEST(Ecp, ARetryStartsTheStreamAgain) {
    Fixture f(testing::smallImage(1, 1, 64));
    const StoredTest& t = f.emulator.image().tests[0];
    const std::uint64_t words = f.emulator.image().slotWords();
    f.pc.setupGateArray(1, 1);
    f.pc.command(14, {2, 9});
    f.pc.command(7, {});
    ASSERT_TRUE(f.pc.enterEcp());
    for (int i = 0; i < 50; ++i) f.pc.ecpStep();  // an attempt broken off half way
    f.pc.enterStandardMode();
    f.pc.command(14, {1, 0});
    const auto transfer = f.pc.transferEcp(1, 1, words, t.astop);
    ASSERT_EQ(transfer.outcome, 0);
    EXPECT_EQ(transfer.file, f.emulator.expectedDataFile(1));
}

}  // namespace
}  // namespace recsim
