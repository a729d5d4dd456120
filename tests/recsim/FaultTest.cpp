// Each injected fault shows itself at the register level exactly as documented.

#include "PcReader.h"
#include "TestImages.h"
#include "recsim/Emulator.h"

#include <gtest/gtest.h>

namespace recsim {
namespace {

using testing::HandshakeTimeout;
using testing::PcReader;

struct Fixture {
    explicit Fixture(const Faults& faults, int slots = 1, std::uint64_t blockWords = 64)
        : emulator(withFaults(faults, slots, blockWords)), pc(emulator, 888) {
        pc.enterStandardMode();
        pc.idlePort();
    }
    static RecorderImage withFaults(const Faults& faults, int slots, std::uint64_t blockWords) {
        RecorderImage image = testing::smallImage(1, slots, blockWords);
        image.faults = faults;
        return image;
    }
    std::uint64_t astop() const { return emulator.image().tests[0].astop; }
    std::uint64_t words() const { return emulator.image().slotWords(); }
    testing::Transfer spp() { return pc.transferSpp(1, emulator.image().slots, words(), astop()); }
    testing::Transfer ecp() { return pc.transferEcp(1, emulator.image().slots, words(), astop()); }

    Emulator emulator;
    PcReader pc;
};

TEST(AckDelay, TheAnswerAppearsAfterExactlyThatManyReads) {
    struct Case {
        std::uint32_t delay;
        bool answered;
    };
    for (const Case c : {Case{0, true}, Case{1, true}, Case{37, true}, Case{199995, true},
                         Case{199996, false}}) {
        Faults f;
        f.ackDelayReads = c.delay;
        Fixture x(f);
        x.pc.control(0x05);
        x.pc.data(0x02);
        if (c.answered) {
            x.pc.waitStatus(16, 1);
            EXPECT_EQ(x.pc.lastWaitReads(), c.delay + 5u) << c.delay;
        } else {
            EXPECT_THROW(x.pc.waitStatus(16, 1), HandshakeTimeout) << c.delay;
        }
    }
}

TEST(AckDelay, SlowsCommandsWithoutBreakingThem) {
    Faults f;
    f.ackDelayReads = 20;
    Fixture x(f);
    EXPECT_EQ(x.pc.readLine(14), x.emulator.settingsMemory().line(14));
}

TEST(Flicker, OneMissRestartsTheRunOfFive) {
    Faults f;
    f.flickerPeriod = 5;
    f.flickerMask = 0x08;
    f.flickerLimit = 1;
    Fixture x(f);
    x.pc.control(0x05);
    x.pc.data(0x02);
    x.pc.waitStatus(8, 1);
    EXPECT_EQ(x.pc.lastWaitReads(), 10u);  // 4 good, 1 miss, 5 good
    EXPECT_EQ(x.pc.readLine(2), x.emulator.settingsMemory().line(2));
}

TEST(Flicker, EndlessFlickerTimesTheHandshakeOut) {
    Faults f;
    f.flickerPeriod = 5;
    f.flickerLimit = 0;
    Fixture x(f);
    try {
        x.pc.readLine(2);
        FAIL() << "no timeout";
    } catch (const HandshakeTimeout& e) {
        EXPECT_EQ(e.number(), 3301);
    }
}

TEST(Flicker, AlternatingGateArrayOutputNeverSettles) {
    Fixture x(Faults{});
    x.pc.setupGateArray(1, 1);
    Faults f;
    f.flickerPeriod = 2;
    f.flickerLimit = 0;
    x.emulator.setFaults(f);
    x.pc.idleDataLines();
    try {
        x.pc.sppStep();
        FAIL() << "settled";
    } catch (const HandshakeTimeout& e) {
        EXPECT_EQ(e.number(), 3302);
    }
}

TEST(GateSettle, UpToSevenReadsAreAbsorbedEightAreNot) {
    for (std::uint32_t settle : {1u, 3u, 7u, 8u}) {
        Faults f;
        f.gateSettleReads = settle;
        Fixture x(f, 16, 32);
        const auto t = x.spp();
        if (settle <= 7) {
            EXPECT_EQ(t.outcome, 0) << settle;
            EXPECT_EQ(t.file, x.emulator.expectedDataFile(1)) << settle;
        } else {
            EXPECT_EQ(t.outcome, 1) << settle;  // already the lead-in cannot be read
        }
    }
}

TEST(StuckLine, StatusLineHeldLowStopsTheHandshake) {
    Faults f;
    f.stuck = {StuckLine::Kind::Status, 4, false};
    Fixture x(f);
    EXPECT_THROW(x.pc.beginCommand(), HandshakeTimeout);
}

TEST(StuckLine, StatusLineHeldHighCorruptsEveryGroup) {
    Faults f;
    f.stuck = {StuckLine::Kind::Status, 7, true};  // bit 4 of every 5-bit group
    Fixture x(f);
    const auto t = x.spp();
    // The markers (bit 14 = bit 4 of the third group) now read 1 in both words.
    EXPECT_EQ(t.outcome, 2);
    EXPECT_EQ(t.failedStep, 1u);
}

TEST(StuckLine, DataLineHeldLowNeverCallsAttention) {
    Faults f;
    f.stuck = {StuckLine::Kind::Data, 1, false};
    Fixture x(f);
    EXPECT_THROW(x.pc.beginCommand(), HandshakeTimeout);
    EXPECT_EQ(x.emulator.counters().commands, 0u);
}

TEST(StuckLine, DataLineHeldHighGarblesTheCommandCode) {
    Faults f;
    f.stuck = {StuckLine::Kind::Data, 1, true};
    Fixture x(f);
    EXPECT_THROW(x.pc.readLine(2), HandshakeTimeout);  // code 8 arrives as 31, its bytes are extra
    EXPECT_EQ(x.emulator.counters().commandsByCode[31], 1u);
    EXPECT_EQ(x.emulator.counters().commandsByCode[8], 0u);
    EXPECT_EQ(x.emulator.counters().unansweredBits, 1u);
}

TEST(StuckLine, ClockHeldLowIsNeverAcknowledged) {
    Faults f;
    f.stuck = {StuckLine::Kind::Data, 0, false};
    Fixture x(f);
    x.pc.beginCommand();
    EXPECT_THROW(x.pc.sendBit(1), HandshakeTimeout);
}

TEST(Unplug, AfterNAccessesTheLinesFloat) {
    Faults f;
    f.unplugAfterAccesses = 1000;
    RecorderImage image = testing::smallImage(1, 1);
    image.faults = f;
    Emulator e(image);
    PcReader pc(e, 888);
    while (e.accesses() < 999) pc.status();
    EXPECT_NE(pc.status(), kFloating);  // access 1000
    EXPECT_TRUE(e.pluggedIn());
    EXPECT_EQ(pc.status(), kFloating);  // access 1001
    EXPECT_FALSE(e.pluggedIn());
    e.plugIn();
    EXPECT_NE(pc.status(), kFloating);
}

TEST(Unplug, MidTransferTheTransferFails) {
    Fixture probe(Faults{});
    probe.spp();
    const std::uint64_t whole = probe.emulator.accesses();
    Faults f;
    f.unplugAfterAccesses = whole / 2;
    Fixture x(f);
    const auto t = x.spp();
    EXPECT_EQ(t.outcome, 2);
    EXPECT_TRUE(t.stopTimedOut);
    EXPECT_FALSE(x.emulator.pluggedIn());
}

struct StepFaultCase {
    const char* name;
    bool ecp;
    bool powerOff;
};

class StepFault : public ::testing::TestWithParam<StepFaultCase> {};

TEST_P(StepFault, TransferFailsAtThatStep) {
    const StepFaultCase& c = GetParam();
    Faults f;
    if (c.powerOff)
        f.powerOffAtStep = 1000;
    else
        f.markerErrorStep = 1000;
    Fixture x(f);
    const auto t = c.ecp ? x.ecp() : x.spp();
    EXPECT_EQ(t.outcome, 2);
    EXPECT_EQ(t.failedStep, 1000u);
    EXPECT_EQ(x.emulator.poweredOn(), !c.powerOff);
    EXPECT_EQ(t.stopTimedOut, c.powerOff);
    // Everything before the step arrived intact.
    const auto expected = x.emulator.expectedDataFile(1);
    std::uint64_t position = x.astop() == 0 ? 0 : x.words() - x.astop();
    for (int i = 0; i < 2 * 999; ++i) {
        ASSERT_EQ(t.file[static_cast<std::size_t>(position)], expected[static_cast<std::size_t>(position)]);
        position = (position + 1) % x.words();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StepFault,
                         ::testing::Values(StepFaultCase{"sppMarker", false, false},
                                           StepFaultCase{"ecpMarker", true, false},
                                           StepFaultCase{"sppPowerOff", false, true},
                                           StepFaultCase{"ecpPowerOff", true, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MarkerError, LimitedToTheFirstTransfersThenARetrySucceeds) {
    Faults f;
    f.markerErrorStep = 7;
    f.markerErrorTransfers = 2;
    Fixture x(f);
    EXPECT_EQ(x.ecp().outcome, 2);
    EXPECT_EQ(x.ecp().outcome, 2);
    const auto third = x.ecp();
    EXPECT_EQ(third.outcome, 0);
    EXPECT_EQ(third.file, x.emulator.expectedDataFile(1));
}

TEST(PowerOff, StaysOffUntilSwitchedOn) {
    Faults f;
    f.powerOffAtStep = 10;
    Fixture x(f);
    EXPECT_EQ(x.ecp().outcome, 2);
    EXPECT_THROW(x.spp(), HandshakeTimeout);  // nothing answers the set-up commands
    x.emulator.switchOn();
    f.powerOffAtStep = 0;
    x.emulator.setFaults(f);
    x.pc.enterStandardMode();
    x.pc.idlePort();
    const auto t = x.spp();
    EXPECT_EQ(t.outcome, 0);
    EXPECT_EQ(t.file, x.emulator.expectedDataFile(1));
}

TEST(EcpNeverFull, EveryStepFailsButSppStillWorks) {
    Faults f;
    f.ecpNeverFull = true;
    Fixture x(f);
    std::uint64_t polls = 0;
    x.pc.setupGateArray(1, 1);
    x.pc.command(14, {2, 9});
    x.pc.command(7, {});
    ASSERT_TRUE(x.pc.enterEcp());
    const auto step = x.pc.ecpStep(&polls);
    EXPECT_EQ(step.result, 2);
    EXPECT_EQ(polls, 77u);  // never "full": the reader polls until its count passes 75
    x.pc.enterStandardMode();
    x.pc.command(14, {1, 0});
    EXPECT_EQ(x.ecp().outcome, 2);
    const auto spp = x.spp();
    EXPECT_EQ(spp.outcome, 0);
    EXPECT_EQ(spp.file, x.emulator.expectedDataFile(1));
}

}  // namespace
}  // namespace recsim
