// Removed and moved points of event graphs through an opened test: counters, what readers
// see, the bulk edits and the graph commands with their refusals.

#include <gtest/gtest.h>

#include "EditSession.h"
#include "analysis/measure/PointCommands.h"

namespace {

using editsession::kEventGraph;
using editsession::Session;
using editsession::timeOf;
using editsession::TraceTest;
using testsets::scopeVolts;

std::vector<std::uint16_t> ramp(std::size_t n) {
    std::vector<std::uint16_t> codes(n);
    for (std::size_t i = 0; i < n; ++i) codes[i] = static_cast<std::uint16_t>(100 + i);
    return codes;
}

class DatasetEditsTest : public ::testing::Test {
protected:
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};
};

TEST_F(DatasetEditsTest, PointsAreStoredBesideTheTestCountedOnceAndSeenByEveryReader) {
    TraceTest t(ramp(20));
    {
        Session s;
        ASSERT_TRUE(s.open(t.setFile())) << s.dataset.sLastError();
        measure::DatasetEdits& edits = *s.edits;
        EXPECT_TRUE(edits.StoreRemovedPt(timeOf(5), kEventGraph));
        EXPECT_FALSE(edits.StoreRemovedPt(timeOf(5) + 0.0002, kEventGraph));  // the same point
        EXPECT_TRUE(edits.StoreRemovedPt(timeOf(3), kEventGraph));
        EXPECT_EQ(s.counter("Removed"), 2);
        EXPECT_EQ(testsupport::readFile(s.sideFile(files::kRemovedPointsFile)),
                  std::string("\x03\0\0\0\x05\0\0\0", 8));

        EXPECT_TRUE(edits.StoreMovedPt(kEventGraph, timeOf(7), 1.25));
        EXPECT_TRUE(edits.StoreMovedPt(kEventGraph, timeOf(7), -0.5));  // overwritten
        EXPECT_EQ(s.counter("Moved"), 1);

        EXPECT_EQ(s.dataset.graphValue(kEventGraph, 5), std::nullopt);
        EXPECT_EQ(s.dataset.graphValue(kEventGraph, 7), -0.5);
        EXPECT_EQ(s.dataset.graphValue(kEventGraph, 8), scopeVolts(107));

        // Channel graphs have no stores; times that are not numbers store nothing.
        EXPECT_FALSE(edits.StoreRemovedPt(timeOf(5), 1));
        EXPECT_FALSE(edits.StoreMovedPt(1, timeOf(5), 1.0));
        EXPECT_FALSE(edits.StoreRemovedPt(std::nan(""), kEventGraph));
        EXPECT_FALSE(edits.StoreMovedPt(kEventGraph, timeOf(2), INFINITY));
        EXPECT_EQ(s.dataset.graphValue(1, 5), scopeVolts(104));
        EXPECT_EQ(s.prompt.messages(), std::vector<std::string>{});
    }
    // Opened again, the graph draws without the removed points and with the moved one.
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    const auto& indexes = s.graph(kEventGraph).pointIndexes();
    EXPECT_EQ(std::count(indexes.begin(), indexes.end(), 3), 0);
    EXPECT_EQ(std::count(indexes.begin(), indexes.end(), 5), 0);
    const auto at7 = std::find(indexes.begin(), indexes.end(), 7) - indexes.begin();
    EXPECT_EQ(s.graph(kEventGraph).yValues()[static_cast<std::size_t>(at7)], -0.5);
    EXPECT_EQ(s.view(kEventGraph).reloads(), 1);
}

TEST_F(DatasetEditsTest, AGraphSavedAsANewEventDrawsWithTheCopiedEdits) {
    TraceTest t(ramp(20));
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    s.edits->StoreRemovedPt(timeOf(5), kEventGraph);
    s.edits->StoreMovedPt(kEventGraph, timeOf(7), 2.0);
    const std::int32_t copy = s.dataset.SaveGraphAs(kEventGraph, "copy", timeOf(1), timeOf(20), -3, 3);
    ASSERT_EQ(copy, 4);
    EXPECT_FALSE(s.edits->bAttached(copy));
    s.edits->attachAll();
    EXPECT_TRUE(s.edits->bAttached(copy));
    EXPECT_EQ(s.dataset.graphValue(copy, 5), std::nullopt);
    EXPECT_EQ(s.dataset.graphValue(copy, 7), 2.0);
    const auto& indexes = s.graph(copy).pointIndexes();
    EXPECT_EQ(std::count(indexes.begin(), indexes.end(), 5), 0);
    EXPECT_EQ(s.view(copy).reloads(), 1);
    EXPECT_EQ(s.view(kEventGraph).reloads(), 0);  // already drawn with its edits
    // The copy's edits are its own.
    s.edits->StoreRemovedPt(timeOf(9), copy);
    EXPECT_EQ(s.dataset.graphValue(copy, 9), std::nullopt);
    EXPECT_EQ(s.dataset.graphValue(kEventGraph, 9), scopeVolts(108));
}

TEST_F(DatasetEditsTest, ACounterBelowOneHidesTheFilesAndTheNextEditCountsFromZero) {
    TraceTest t(ramp(10));
    // A removed-points file left behind without its counter.
    testsupport::writeFile(t.dir / "Test01.r03", std::string("\x04\0\0\0", 4));
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    EXPECT_EQ(s.dataset.graphValue(kEventGraph, 4), scopeVolts(103));
    s.dataset.WriteGraphIniStr(kEventGraph, "Moved", "-3");
    EXPECT_TRUE(s.edits->StoreRemovedPt(timeOf(4), kEventGraph));
    EXPECT_TRUE(s.edits->StoreMovedPt(kEventGraph, timeOf(2), 9.0));
    EXPECT_EQ(s.counter("Removed"), 1);
    EXPECT_EQ(s.counter("Moved"), 1);
    EXPECT_EQ(s.dataset.graphValue(kEventGraph, 4), std::nullopt);
    EXPECT_EQ(s.dataset.graphValue(kEventGraph, 2), 9.0);
}

struct SpikeCase {
    const char* name;
    std::vector<std::uint16_t> codes;
    std::int32_t lastPickedPoint;            // time2 is the time of this point
    std::vector<std::int32_t> removedFirst;  // points removed before the edit
    std::int32_t count;
    std::vector<std::uint16_t> after;        // codes whose volts every point then reads (0: removed)
};

TEST_F(DatasetEditsTest, NegativeDistanceChangesAreRaisedToTheHighestValueBeforeThem) {
    const std::vector<SpikeCase> cases = {
        {"two dips", {1, 3, 2, 2, 4}, 5, {}, 2, {1, 3, 3, 3, 4}},
        {"rising", {1, 2, 3, 4, 5}, 5, {}, 0, {1, 2, 3, 4, 5}},
        {"level", {2, 2, 2}, 3, {}, 0, {2, 2, 2}},
        {"falling", {5, 4, 3, 2, 1}, 5, {}, 4, {5, 5, 5, 5, 5}},
        // The range reaches two points past the one at time2.
        {"range ends two past time2", {1, 3, 2, 2, 1, 1}, 2, {}, 2, {1, 3, 3, 3, 1, 1}},
        {"range ends at the record", {4, 1, 1}, 3, {}, 2, {4, 4, 4}},
        {"a removed peak is no reference", {1, 3, 2, 2, 4}, 5, {2}, 0, {1, 0, 2, 2, 4}},
        {"a removed first point", {9, 1, 3, 2}, 4, {1}, 1, {0, 1, 3, 3}},
    };
    for (const SpikeCase& c : cases) {
        SCOPED_TRACE(c.name);
        TraceTest t(c.codes);
        Session s;
        ASSERT_TRUE(s.open(t.setFile()));
        for (const std::int32_t i : c.removedFirst) s.edits->StoreRemovedPt(timeOf(i), kEventGraph);
        const auto counted =
            s.edits->RemoveSpikes(kEventGraph, timeOf(1), timeOf(c.lastPickedPoint), measure::kCountOnly);
        EXPECT_EQ(counted.count, c.count);
        EXPECT_EQ(s.counter("Moved"), 0);
        const auto moved = s.edits->RemoveSpikes(kEventGraph, timeOf(1), timeOf(c.lastPickedPoint),
                                                 measure::kCountAndMove);
        EXPECT_EQ(moved.count, c.count);
        EXPECT_FALSE(moved.stopped);
        EXPECT_EQ(s.counter("Moved"), c.count);
        for (std::size_t i = 0; i < c.after.size(); ++i) {
            const auto value = s.dataset.graphValue(kEventGraph, static_cast<std::int32_t>(i + 1));
            if (c.after[i] == 0) EXPECT_EQ(value, std::nullopt) << i + 1;
            else EXPECT_EQ(value, scopeVolts(c.after[i])) << i + 1;
        }
        // Once raised, nothing is left to raise.
        EXPECT_EQ(s.edits->RemoveSpikes(kEventGraph, timeOf(1), timeOf(c.lastPickedPoint),
                                        measure::kCountOnly).count, 0);
    }
}

TEST_F(DatasetEditsTest, BulkEditsReportEvery25PointsAndStopWhenAsked) {
    std::vector<std::uint16_t> codes(101, 100);
    codes[0] = 200;  // 100 points below the first
    struct Case {
        long stopAfter;
        std::int32_t moved;
        long steps;
        bool stopped;
    };
    for (const Case c : {Case{-1, 100, 4, false}, Case{1, 50, 2, true}, Case{0, 25, 1, true}}) {
        SCOPED_TRACE(c.stopAfter);
        TraceTest t(codes);
        Session s;
        ASSERT_TRUE(s.open(t.setFile()));
        s.progress.stopAfter = c.stopAfter;
        const auto result =
            s.edits->RemoveSpikes(kEventGraph, timeOf(1), timeOf(101), measure::kCountAndMove);
        EXPECT_EQ(result.count, c.moved);
        EXPECT_EQ(result.stopped, c.stopped);
        EXPECT_EQ(s.progress.steps, c.steps);
        EXPECT_EQ(s.counter("Moved"), c.moved);
        EXPECT_EQ(s.edits->stores(kEventGraph)->movedPts().count(), static_cast<std::size_t>(c.moved));
        EXPECT_EQ(s.progress.text(), "");
        // The count shown at each report, the last one at the end.
        EXPECT_NE(std::find(s.progress.texts.begin(), s.progress.texts.end(), "25"),
                  s.progress.texts.end());
        EXPECT_NE(std::find(s.progress.texts.begin(), s.progress.texts.end(),
                            std::to_string(c.moved)), s.progress.texts.end());
    }
}

TEST_F(DatasetEditsTest, AHumpIsReplacedByTheLineBetweenItsEnds) {
    TraceTest t({10, 50, 90, 60, 30, 20, 7});
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    // From point 2 to two points past point 3: 2..5, on the line from code 50 to code 30.
    const auto result = measure::RemoveHumpInCurGraph(*s.edits, kEventGraph, timeOf(2), timeOf(3));
    EXPECT_EQ(result.outcome, measure::CommandOutcome::Done);
    EXPECT_EQ(result.count, 4);
    const double y1 = scopeVolts(50), y2 = scopeVolts(30);
    for (std::int32_t i = 2; i <= 5; ++i)
        EXPECT_DOUBLE_EQ(*s.dataset.graphValue(kEventGraph, i), (y2 - y1) * (i - 2) / 3.0 + y1) << i;
    EXPECT_EQ(*s.dataset.graphValue(kEventGraph, 6), scopeVolts(20));
    EXPECT_EQ(s.counter("Moved"), 4);
    EXPECT_EQ(s.view(kEventGraph).reloads(), 1);

    // A range of one point has no line.
    EXPECT_EQ(measure::RemoveHumpInCurGraph(*s.edits, kEventGraph, timeOf(7), timeOf(7)).outcome,
              measure::CommandOutcome::Nothing);
}

TEST_F(DatasetEditsTest, CommandsAreRefusedOnChannelGraphs) {
    TraceTest t({5, 4, 3});
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    using measure::CommandOutcome;
    EXPECT_EQ(measure::RemovePt(*s.edits, 1, timeOf(2)).outcome, CommandOutcome::Refused);
    EXPECT_EQ(measure::MovePt(*s.edits, 2, timeOf(2), 1.0).outcome, CommandOutcome::Refused);
    EXPECT_EQ(measure::RemoveSpikesInCurGraph(*s.edits, 1, 0, 1).outcome, CommandOutcome::Refused);
    EXPECT_EQ(measure::RemoveHumpInCurGraph(*s.edits, 2, 0, 1).outcome, CommandOutcome::Refused);
    EXPECT_EQ(s.prompt.messages(),
              (std::vector<std::string>{measure::kPointEditOnOriginalGraph,
                                        measure::kPointEditOnOriginalGraph,
                                        measure::kBulkEditOnOriginalGraph,
                                        measure::kBulkEditOnOriginalGraph}));
    EXPECT_EQ(std::string(measure::kBulkEditOnOriginalGraph),
              "This function can not be used with an Original graph.[nl]Save as a Sub-Graph and try again.");
    EXPECT_EQ(std::string(measure::kPointEditOnOriginalGraph),
              "This function is unavailabe in an Orignal graph.[nl]Save as a Sub-graph and try again.");
    EXPECT_FALSE(std::filesystem::exists(t.dir / "Test01.r01"));
}

TEST_F(DatasetEditsTest, RemovingNegativeChangesAsksFirstAndReloadsTheGraph) {
    using measure::CommandOutcome;
    {
        TraceTest t({1, 2, 3, 4});
        Session s;
        ASSERT_TRUE(s.open(t.setFile()));
        EXPECT_EQ(measure::RemoveSpikesInCurGraph(*s.edits, kEventGraph, timeOf(1), timeOf(4)).outcome,
                  CommandOutcome::Nothing);
        EXPECT_EQ(s.prompt.messages(), std::vector<std::string>{"No negative distance changes found."});
    }
    TraceTest t({1, 3, 2, 2, 4});
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    s.prompt.answerYesNo(false);
    EXPECT_EQ(measure::RemoveSpikesInCurGraph(*s.edits, kEventGraph, timeOf(1), timeOf(5)).outcome,
              CommandOutcome::Cancelled);
    ASSERT_EQ(s.prompt.shown().size(), 1u);
    EXPECT_EQ(s.prompt.shown()[0].title, "Confirm");
    EXPECT_EQ(s.prompt.shown()[0].text,
              "Removing Negative Distance Changes will require moving 2 points. Continue?");
    EXPECT_EQ(s.counter("Moved"), 0);
    EXPECT_FALSE(std::filesystem::exists(s.sideFile(files::kMovedPointsFile1)));

    s.prompt.answerYesNo(true);
    const auto done = measure::RemoveSpikesInCurGraph(*s.edits, kEventGraph, timeOf(1), timeOf(5));
    EXPECT_EQ(done.outcome, CommandOutcome::Done);
    EXPECT_EQ(done.count, 2);
    EXPECT_EQ(s.counter("Moved"), 2);
    EXPECT_EQ(s.view(kEventGraph).reloads(), 1);
}

TEST_F(DatasetEditsTest, MoreThan65536NegativeChangesAreRefused) {
    std::vector<std::uint16_t> codes(65538, 10);
    codes[0] = 20;
    TraceTest t(codes);
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    const auto result = measure::RemoveSpikesInCurGraph(*s.edits, kEventGraph, timeOf(1), timeOf(65538));
    EXPECT_EQ(result.outcome, measure::CommandOutcome::Refused);
    EXPECT_EQ(result.count, 65537);
    EXPECT_EQ(s.prompt.messages(),
              std::vector<std::string>{
                  "Maximum number of moved points is 65536.  Please zoom in to a smaller graph area. "});
    EXPECT_EQ(s.counter("Moved"), 0);
}

TEST_F(DatasetEditsTest, ADamagedSideFileIsReportedOnceAndItsUnreadablePointsAreKept) {
    testsets::SetFileText set = editsession::traceSet(10);
    set.set("Event1", "Removed", "2");
    TraceTest t(ramp(10), set);
    // Point 4, then an incomplete record.
    testsupport::writeFile(t.dir / "Test01.r03", std::string("\x04\0\0\0\x06\0", 6));
    const std::string dataBefore = testsupport::readFile(t.test->rawFile);
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    s.edits->attachAll();
    s.edits->stores(kEventGraph);
    const auto messages = s.prompt.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("is damaged"), std::string::npos) << messages[0];
    EXPECT_EQ(s.dataset.graphValue(kEventGraph, 4), std::nullopt);
    EXPECT_EQ(s.dataset.graphValue(kEventGraph, 6), scopeVolts(105));

    EXPECT_TRUE(s.edits->StoreRemovedPt(timeOf(8), kEventGraph));
    EXPECT_EQ(testsupport::readFile(s.sideFile(files::kRemovedPointsFile)),
              std::string("\x04\0\0\0\x08\0\0\0", 8));
    EXPECT_EQ(testsupport::readFile(t.test->rawFile), dataBefore);
    EXPECT_EQ(s.prompt.messages().size(), 1u);
}

TEST_F(DatasetEditsTest, AReadOnlyTestIsNotEdited) {
    TraceTest t({3, 2, 1});
    ::chmod(t.setFile().c_str(), 0444);
    Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    s.prompt.clear();
    EXPECT_EQ(measure::RemovePt(*s.edits, kEventGraph, timeOf(2)).outcome,
              measure::CommandOutcome::Refused);
    EXPECT_EQ(s.prompt.messages(), std::vector<std::string>{files::readOnlyNotice()});
    EXPECT_FALSE(s.edits->StoreMovedPt(kEventGraph, timeOf(2), 1.0));
    EXPECT_EQ(s.edits->RemoveSpikes(kEventGraph, timeOf(1), timeOf(3), measure::kCountAndMove).count, 0);
    EXPECT_FALSE(std::filesystem::exists(t.dir / "Test01.r03"));
    EXPECT_FALSE(std::filesystem::exists(t.dir / "Test01.ml03"));
}

}  // namespace
