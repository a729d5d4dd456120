// Raw transfer: slot geometry, ring placement, both read modes against the emulated recorder,
// the mode cascade under faults, and cancelling.

#include "support/TempDir.h"
#include "common/Error.h"
#include "common/Ini.h"
#include "link/CommandChannel.h"
#include "link/Directory.h"
#include "link/KeySink.h"
#include "link/Port.h"
#include "link/RawTransfer.h"
#include "link/SampleGeometry.h"
#include "link/SettingsLines.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace vantrel::link;

TEST(SampleGeometry, BlocksOfEachTest) {
    struct Case {
        int test, slots, start, end;
    };
    const std::vector<Case> cases{
        {1, 1, 0, 191}, {2, 2, 96, 191}, {3, 4, 96, 143}, {1, 16, 0, 11}, {16, 16, 180, 191}, {5, 8, 96, 119},
    };
    for (const Case& c : cases) {
        const BlockRange r = blockRange(c.test, c.slots);
        EXPECT_EQ(r.start, c.start) << c.test << "/" << c.slots;
        EXPECT_EQ(r.end, c.end) << c.test << "/" << c.slots;
    }
    for (auto [test, slots] : std::vector<std::pair<int, int>>{{0, 4}, {5, 4}, {1, 3}, {1, 32}, {1, 0}})
        EXPECT_THROW(blockRange(test, slots), std::invalid_argument) << test << "/" << slots;
    EXPECT_EQ(4 * stepsPerSlot(kFullMemoryWords, 16), 3145728u);
    EXPECT_EQ(stepsPerSlot(kFullMemoryWords, 1), 12582912u);
}

TEST(SampleGeometry, RingStartPutsTheStopWordAtOffsetZero) {
    const std::uint64_t size = 4 * 1000;  // 2000 words
    struct Case {
        std::int64_t astop;
        std::uint64_t start;
    };
    const std::vector<Case> cases{
        {0, 0}, {-7, 0}, {1, size - 2}, {640, size - 1280}, {1999, 2}, {2000, 0}, {2001, size - 2},
    };
    for (const Case& c : cases) EXPECT_EQ(ringStart(size, c.astop), c.start) << c.astop;
}

// Keys the transfer writes, as they arrive.
struct Keys : KeySink {
    std::vector<std::pair<std::string, std::string>> written;
    void write(std::string_view k, std::string_view v) override { written.emplace_back(k, v); }
    std::optional<std::string> last(const std::string& key) const {
        std::optional<std::string> v;
        for (const auto& [k, value] : written)
            if (k == key) v = value;
        return v;
    }
};

struct Fractions : TransferObserver {
    std::vector<double> fractions;
    std::vector<PortType> types;
    void percentageDone(double f) override { fractions.push_back(f); }
    void portTypeUsed(PortType t) override { types.push_back(t); }
};

// A recorder with `slots` slots and a reduced sample memory behind the emulator, a port at
// its base and the link on top.
class EmulatedRecorder : public ::testing::Test {
protected:
    void make(int slots, int tests, std::uint64_t memoryWords, const recsim::Faults& faults = {}) {
        recsim::ImageOptions options;
        options.slots = slots;
        options.tests = tests;
        options.memoryWords = memoryWords;
        image = recsim::makeImage(options);
        image.faults = faults;
        auto e = std::make_unique<recsim::Emulator>(image);
        emulator = e.get();
        port = std::make_unique<Port>(std::move(e));
        port->SetPortBase(static_cast<std::int32_t>(image.port));
        port->EnterStandardMode();
        port->IdlePort();
        channel = std::make_unique<CommandChannel>(*port);
        transfer = std::make_unique<RawTransfer>(*port, *channel);
        transfer->setMemoryWords(memoryWords);
        transfer->setObserver(&observer);
        transfer->setSettings(&keys);
    }

    std::int32_t astopOf(int test) const {
        return static_cast<std::int32_t>(image.tests.at(static_cast<std::size_t>(test - 1)).astop);
    }

    std::vector<std::uint16_t> fileWords() const {
        std::ifstream in(raw, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::uint16_t> words(bytes.size() / 2);
        std::memcpy(words.data(), bytes.data(), words.size() * 2);
        return words;
    }

    // The file must be the slot's memory rotated at the stop address, word for word.
    void expectDataFileOf(int test) {
        const std::vector<std::uint16_t> expected = emulator->expectedDataFile(test);
        const std::vector<std::uint16_t> actual = fileWords();
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t j = 0; j < expected.size(); ++j)
            ASSERT_EQ(actual[j], expected[j]) << "word " << j << " of test " << test;
    }

    testsupport::TempDir dir;
    std::string raw = (dir / "shot_01.raw").string();
    recsim::RecorderImage image;
    recsim::Emulator* emulator = nullptr;
    std::unique_ptr<Port> port;
    std::unique_ptr<CommandChannel> channel;
    std::unique_ptr<RawTransfer> transfer;
    Fractions observer;
    Keys keys;
};

constexpr std::uint64_t kSmallMemory = 6144 * 64;  // 16 slots of 24576 words: 12288 steps each

TEST_F(EmulatedRecorder, EcpAndSppFilesAreTheSlotRotatedAtTheStop) {
    make(16, 16, kSmallMemory);
    SettingsLines lines(*channel);
    ASSERT_EQ(ReadDirectory(lines, nullptr).slots, 16);
    for (int test : {1, 7, 16}) {
        EXPECT_EQ(transfer->TransferEcp(raw, astopOf(test), test, 16), (TransferResult{0, false})) << test;
        expectDataFileOf(test);
        std::filesystem::remove(raw);
        EXPECT_EQ(transfer->TransferSpp(raw, astopOf(test), test, 16, false), (TransferResult{0, false})) << test;
        expectDataFileOf(test);
    }
    // Progress every 2048 steps up to 95 %.
    ASSERT_FALSE(observer.fractions.empty());
    EXPECT_DOUBLE_EQ(observer.fractions.front(), 2048.0 / 12288 * 0.95);
    EXPECT_DOUBLE_EQ(observer.fractions.back(), 0.95);
    EXPECT_EQ(observer.fractions.size(), 6u * 6);
}

TEST_F(EmulatedRecorder, AnyStopAddressGivesTheSameRingInTimeOrder) {
    make(4, 2, 6144 * 4);  // 6144 words a slot
    const std::vector<std::uint16_t> expected = emulator->expectedDataFile(2);
    const std::int64_t words = static_cast<std::int64_t>(expected.size()), A = astopOf(2);
    for (std::int32_t astop : {0, 1, 33, 6143}) {
        ASSERT_EQ(transfer->TransferEcp(raw, astop, 2, 4).outcome, 0);
        const std::vector<std::uint16_t> actual = fileWords();
        ASSERT_EQ(actual.size(), expected.size());
        // File word j holds slot word (astop + j); the expected file holds slot word (A + j).
        for (std::int64_t j = 0; j < words; ++j)
            ASSERT_EQ(actual[static_cast<std::size_t>(j)],
                      expected[static_cast<std::size_t>(((astop - A + j) % words + words) % words)])
                << "astop " << astop << " word " << j;
    }
}

TEST_F(EmulatedRecorder, FullSizeSixteenSlotTestInEcp) {
    make(16, 16, kFullMemoryWords);
    EXPECT_EQ(transfer->DownloadSamples(raw, astopOf(16), 16, 16), kTestDone);
    EXPECT_EQ(std::filesystem::file_size(raw), 3145728u);
    expectDataFileOf(16);
    EXPECT_EQ(keys.written, (decltype(keys.written){{"ECP", "0"}}));
    EXPECT_EQ(observer.types, std::vector<PortType>{PortType::Ecp});
}

TEST_F(EmulatedRecorder, CascadeFallsBackToSppWhenEcpFailsFourTimes) {
    struct Case {
        const char* name;
        recsim::Faults faults;
    };
    recsim::Faults marker;
    marker.markerErrorStep = 100;
    marker.markerErrorTransfers = 4;  // every ECP attempt, not the SPP one
    recsim::Faults neverFull;
    neverFull.ecpNeverFull = true;  // the marker bits alternate, the FIFO is never reported full
    for (const Case& c : std::vector<Case>{{"marker error", marker}, {"FIFO never full", neverFull}}) {
        keys.written.clear();
        observer.types.clear();
        make(16, 3, 6144 * 16, c.faults);
        EXPECT_EQ(transfer->DownloadSamples(raw, astopOf(3), 3, 16), kTestDone) << c.name;
        EXPECT_EQ(keys.last("ECP"), "2") << c.name;
        EXPECT_EQ(keys.last("SPP"), "0") << c.name;
        EXPECT_FALSE(keys.last("SPP_s")) << c.name;
        EXPECT_FALSE(keys.last("Error")) << c.name;
        EXPECT_EQ(emulator->counters().transfers, 5u) << c.name;
        EXPECT_EQ(observer.types, (std::vector<PortType>{PortType::Ecp, PortType::Spp})) << c.name;
        expectDataFileOf(3);
    }
}

TEST_F(EmulatedRecorder, EveryModeFailingMarksTheTestAndNeverLooksComplete) {
    recsim::Faults marker;
    marker.markerErrorStep = 3000;  // in every transfer
    make(16, 1, 6144 * 16, marker);
    EXPECT_EQ(transfer->DownloadSamples(raw, astopOf(1), 1, 16), kTestFailed);
    EXPECT_EQ(keys.last("ECP"), "2");
    EXPECT_EQ(keys.last("SPP"), "2");
    EXPECT_EQ(keys.last("SPP_s"), "2");
    EXPECT_EQ(keys.last("Error"), "378");
    EXPECT_EQ(emulator->counters().transfers, 6u);  // four ECP and two SPP attempts
    EXPECT_EQ(observer.types, (std::vector<PortType>{PortType::Ecp, PortType::Spp, PortType::SlowSpp}));
}

TEST_F(EmulatedRecorder, KeysGoIntoTheSettingsSectionOfTheSetFile) {
    recsim::Faults marker;
    marker.markerErrorStep = 1;
    marker.markerErrorTransfers = 4;
    make(16, 1, 6144 * 16, marker);
    const auto setFile = dir / "shot_01.crv";
    IniSection settings(setFile, std::string(kSettingsSection));
    transfer->setSettings(&settings);
    EXPECT_EQ(transfer->DownloadSamples(raw, astopOf(1), 1, 16), kTestDone);
    EXPECT_EQ(common::ini::readValue(setFile, "settings", "ECP"), "2");
    EXPECT_EQ(common::ini::readValue(setFile, "settings", "SPP"), "0");
}

TEST_F(EmulatedRecorder, SlowGateArrayWithinTheSettlingReadsStillReadsExactly) {
    recsim::Faults slow;
    slow.gateSettleReads = 7;
    make(16, 2, 6144 * 16, slow);
    EXPECT_EQ(transfer->TransferSpp(raw, astopOf(2), 2, 16, false), (TransferResult{0, false}));
    expectDataFileOf(2);

    slow.gateSettleReads = 8;  // no value ever repeats: the lead-in already fails
    emulator->setFaults(slow);
    EXPECT_EQ(transfer->TransferSpp(raw, astopOf(2), 2, 16, false), (TransferResult{1, false}));
}

TEST_F(EmulatedRecorder, RecorderSwitchedOffMidwayFailsTheAttemptAndRestoresStandardMode) {
    recsim::Faults off;
    off.powerOffAtStep = 1000;
    make(16, 1, 6144 * 16, off);
    EXPECT_EQ(transfer->TransferEcp(raw, astopOf(1), 1, 16), (TransferResult{2, false}));
    EXPECT_EQ(emulator->ecr() & kEcrModeMask, 0);  // back in standard mode
    // The half-read file stays at full size but is not reported as a success; with the
    // recorder off, the next attempt cannot even be set up.
    EXPECT_EQ(std::filesystem::file_size(raw), 4u * 3072);
    EXPECT_THROW(transfer->TransferSpp(raw, astopOf(1), 1, 16, false), common::Error);
}

TEST_F(EmulatedRecorder, CableFaultDuringTheCascadeEndsTheTestWithTheHandshakeError) {
    recsim::Faults pulled;
    make(16, 1, 6144 * 16);
    pulled.unplugAfterAccesses = emulator->accesses() + 8000;  // during the first ECP attempt
    emulator->setFaults(pulled);
    try {
        transfer->DownloadSamples(raw, astopOf(1), 1, 16);
        FAIL() << "the SPP set-up must raise";
    } catch (const common::Error& e) {
        EXPECT_EQ(e.number(), 3301);
    }
    EXPECT_TRUE(keys.last("ECP") == "1" || keys.last("ECP") == "2");
    EXPECT_FALSE(keys.last("SPP"));
}

// Presses Cancel once the emulated recorder has delivered a number of data steps: between two
// progress reports, as a click handled by some other event would.
class CancelAfter final : public PortBackend {
public:
    explicit CancelAfter(std::unique_ptr<recsim::Emulator> inner) : m_inner(std::move(inner)) {}
    std::uint8_t read(std::uint32_t a) override {
        const std::uint8_t v = m_inner->read(a);
        check();
        return v;
    }
    void write(std::uint32_t a, std::uint8_t v) override {
        m_inner->write(a, v);
        check();
    }
    std::string name() const override { return "cancel"; }
    void arm(RawTransfer* t, std::uint64_t dataSteps) { m_transfer = t, m_steps = dataSteps; }

private:
    void check() {
        if (!m_transfer) return;
        const recsim::Counters& c = m_inner->counters();
        const std::uint64_t ecpSteps = c.fifoReads > 127 ? (c.fifoReads - 127) / 4 : 0;
        const std::uint64_t sppSteps = c.sppSteps > 32 ? c.sppSteps - 32 : 0;
        if (std::max(ecpSteps, sppSteps) >= m_steps) {
            m_transfer->cancel();
            m_transfer = nullptr;
        }
    }
    std::unique_ptr<recsim::Emulator> m_inner;
    RawTransfer* m_transfer = nullptr;
    std::uint64_t m_steps = 0;
};

TEST(Cancel, TakesEffectAtTheNextMultipleOf2048Steps) {
    struct Case {
        bool ecp;
        TransferResult result;
    };
    for (const Case& c : std::vector<Case>{{true, {3, true}}, {false, {2, true}}}) {
        recsim::ImageOptions options;
        options.slots = 16;
        options.tests = 1;
        options.memoryWords = kSmallMemory;
        auto wrapper = std::make_unique<CancelAfter>(std::make_unique<recsim::Emulator>(recsim::makeImage(options)));
        CancelAfter& w = *wrapper;
        Port port(std::move(wrapper));
        port.SetPortBase(888);
        port.EnterStandardMode();
        CommandChannel channel(port);
        RawTransfer transfer(port, channel);
        transfer.setMemoryWords(kSmallMemory);
        Fractions observer;
        transfer.setObserver(&observer);
        testsupport::TempDir dir;
        const std::string raw = (dir / "t.raw").string();
        w.arm(&transfer, 2500);
        const TransferResult r = c.ecp ? transfer.TransferEcp(raw, 0, 1, 16) : transfer.TransferSpp(raw, 0, 1, 16, false);
        EXPECT_EQ(r, c.result) << (c.ecp ? "ECP" : "SPP");
        // Cancelled between the reports at 2048 and 4096 steps: the transfer stopped at 4096.
        EXPECT_EQ(observer.fractions, (std::vector<double>{2048.0 / 12288 * 0.95, 4096.0 / 12288 * 0.95}));
        // The flag lives on: the next test of the run stops at its first report.
        observer.fractions.clear();
        Keys keys;
        transfer.setSettings(&keys);
        EXPECT_EQ(transfer.DownloadSamples(raw, 0, 1, 16), kTestCancelled);
        EXPECT_EQ(observer.fractions.size(), 1u);
        EXPECT_EQ(keys.written, (decltype(keys.written){{"ECP", "3"}}));
    }
}

// Hides the FIFO-full bit from the first `hidden` ECR reads after each FIFO read.
class LateFull final : public PortBackend {
public:
    LateFull(std::unique_ptr<recsim::Emulator> inner, int hidden) : m_inner(std::move(inner)), m_hidden(hidden) {}
    std::uint8_t read(std::uint32_t a) override {
        std::uint8_t v = m_inner->read(a);
        if (a == 888 + 0x402 && m_sinceFifo++ < m_hidden) v = static_cast<std::uint8_t>(v & ~kEcrFifoFull);
        if (a == 888 + 0x400) m_sinceFifo = 0;
        return v;
    }
    void write(std::uint32_t a, std::uint8_t v) override { m_inner->write(a, v); }
    std::string name() const override { return "late full"; }

private:
    std::unique_ptr<recsim::Emulator> m_inner;
    int m_hidden;
    int m_sinceFifo = 0;
};

TEST(EcpStep, FullMustShowWithinSeventySixPolls) {
    struct Case {
        int hidden;  // polls that see "not full"
        int outcome;
    };
    for (const Case& c : std::vector<Case>{{0, 0}, {75, 0}, {76, 2}}) {
        recsim::ImageOptions options;
        options.slots = 16;
        options.tests = 1;
        options.memoryWords = 6144 * 16;
        Port port(std::make_unique<LateFull>(std::make_unique<recsim::Emulator>(recsim::makeImage(options)), c.hidden));
        port.SetPortBase(888);
        CommandChannel channel(port);
        RawTransfer transfer(port, channel);
        transfer.setMemoryWords(6144 * 16);
        testsupport::TempDir dir;
        EXPECT_EQ(transfer.TransferEcp((dir / "t.raw").string(), 0, 1, 16).outcome, c.outcome) << c.hidden;
    }
}

TEST(ProgressObserverTest, StopFromTheProgressCancelsTheTransfer) {
    recsim::ImageOptions options;
    options.slots = 16;
    options.tests = 1;
    options.memoryWords = kSmallMemory;
    Port port(std::make_unique<recsim::Emulator>(recsim::makeImage(options)));
    port.SetPortBase(888);
    CommandChannel channel(port);
    RawTransfer transfer(port, channel);
    transfer.setMemoryWords(kSmallMemory);
    common::SilentProgress progress;
    progress.stopAfterSteps(2);
    ProgressObserver observer(progress);
    transfer.setObserver(&observer);
    testsupport::TempDir dir;
    EXPECT_EQ(transfer.DownloadSamples((dir / "t.raw").string(), 0, 1, 16), kTestCancelled);
    EXPECT_TRUE(transfer.cancelRequested());
    EXPECT_EQ(progress.text(), " Using ECP");
    EXPECT_DOUBLE_EQ(progress.fraction(), 3 * 2048.0 / 12288 * 0.95);
}

TEST(RawFile, AFileThatCannotBeCreatedIsAnIoErrorNotATransferOutcome) {
    recsim::ImageOptions options;
    options.slots = 16;
    options.tests = 1;
    options.memoryWords = 6144 * 16;
    auto e = std::make_unique<recsim::Emulator>(recsim::makeImage(options));
    recsim::Emulator& emulator = *e;
    Port port(std::move(e));
    port.SetPortBase(888);
    CommandChannel channel(port);
    RawTransfer transfer(port, channel);
    transfer.setMemoryWords(6144 * 16);
    for (bool ecp : {true, false}) {
        const std::string raw = "/nonexistent-folder/t.raw";
        if (ecp) EXPECT_THROW(transfer.TransferEcp(raw, 0, 1, 16), common::IoError);
        else EXPECT_THROW(transfer.TransferSpp(raw, 0, 1, 16, false), common::IoError);
        EXPECT_EQ(emulator.ecr() & kEcrModeMask, 0);
        EXPECT_EQ(emulator.gateArray().reg(1), 0);  // the stream was stopped again
    }
}

}  // namespace
