// The graph model: its reload rule, settings, titles and messages, run headless.

#include <gtest/gtest.h>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsets::SetFileText;

class GraphTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};
    common::ScriptedPrompt prompt;
    common::SilentProgress progress;
    files::clsDataset dataset{prompt, progress, graphs::clsGraph::factory()};

    // A 1 MHz two-channel test of 40000 points with one event over points first..last.
    void open(std::int32_t first, std::int32_t last, SetFileText set = testsets::twoChannelSet(40000)) {
        dataset.CloseAll();  // the files are written anew below
        set.set("settings", "NrEventGraphs", "1");
        set.set("Event1", "EventChannelNr", "1");
        set.set("Event1", "StartTimeInMilliSec", std::to_string((first - 1) * 0.001));
        set.set("Event1", "EndTimeMilliSec", std::to_string((last - 1) * 0.001));
        set.set("Event1", "EventTitle", "Event");
        const testsets::TestSet test(dir.path(), "Test01", set, testsets::rampWords(40000));
        ASSERT_TRUE(dataset.bSetupDataAndGraphs(test.setFile.string(), 1, true))
            << dataset.sLastError();
    }
    graphs::clsGraph& graph(std::int32_t n) { return dynamic_cast<graphs::clsGraph&>(*dataset.graph(n)); }
    graphs::HeadlessGraphView& view(std::int32_t n) {
        return dynamic_cast<graphs::HeadlessGraphView&>(*graph(n).view());
    }
};

TEST_F(GraphTest, ReloadRule) {
    struct Case {
        const char* name;
        std::int32_t loadedPoints;  // of the event graph (3)
        double zoomStart, zoomEnd;  // display times
        bool force;
        bool reloads;
    };
    const std::vector<Case> cases = {
        {"12096 points, zoom inside", 12096, 1.0, 5.0, false, false},
        {"12097 points, zoom inside", 12097, 1.0, 5.0, false, true},
        {"zoom starts earlier", 1000, -0.5, 0.5, false, true},
        {"zoom ends later", 1000, 0.1, 2.0, false, true},
        {"forced", 1000, 0.1, 0.5, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(1, c.loadedPoints);
        graphs::clsGraph& g = graph(3);
        ASSERT_EQ(g.loadRecord().count, c.loadedPoints);
        EXPECT_FALSE(g.loadRecord().thinned);
        const int before = view(3).reloads();
        g.ResetPlotPtsChannel(c.zoomStart, c.zoomEnd, c.force);
        EXPECT_EQ(view(3).reloads() - before, c.reloads ? 1 : 0);
        EXPECT_TRUE(g.loadRecord().valid);
        if (c.reloads) {
            EXPECT_DOUBLE_EQ(g.loadRecord().start, c.zoomStart);
            EXPECT_DOUBLE_EQ(g.loadRecord().end, c.zoomEnd);
        }
    }
}

TEST_F(GraphTest, ThinnedChannelGraphReloadsFullDetailOnZoom) {
    open(1, 10);
    graphs::clsGraph& g = graph(1);
    EXPECT_TRUE(g.loadRecord().thinned);  // 40000 points into at most 24192
    EXPECT_LE(g.loadRecord().count, files::kMaxPlotPoints);
    g.ResetPlotPtsChannel(1.0, 2.0, false);
    EXPECT_EQ(view(1).reloads(), 1);
    EXPECT_FALSE(g.loadRecord().thinned);
    EXPECT_EQ(g.loadRecord().count, 1001);
    EXPECT_EQ(g.pointIndexes().front(), 1001);
}

TEST_F(GraphTest, EventGraphShowsItsStoredRangeAndFixedValueRange) {
    SetFileText set = testsets::twoChannelSet(40000);
    set.set("Event1", "YS", "T");
    set.set("Event1", "Y1", "-1,5");  // a decimal comma reads as well
    set.set("Event1", "Y2", "0.75");
    open(10001, 20001, set);
    EXPECT_DOUBLE_EQ(view(3).xStart(), 10.0);
    EXPECT_DOUBLE_EQ(view(3).xEnd(), 20.0);
    EXPECT_DOUBLE_EQ(view(3).yMin(), -1.5);
    EXPECT_DOUBLE_EQ(view(3).yMax(), 0.75);
    EXPECT_EQ(view(3).caption(), "Event");
    EXPECT_TRUE(graph(3).bIsEventGraph());
    EXPECT_EQ(graph(3).lEventNr(), 1);
    EXPECT_EQ(graph(3).sPlotFile(), (dir / "Test01.plot001").string());
}

TEST_F(GraphTest, SettingsByNumber) {
    open(1, 10);
    const graphs::clsGraph& channel = graph(1);
    const graphs::clsGraph& event = graph(3);
    struct Case {
        std::int32_t id;
        bool channelGraph;
        bool eventGraph;
    };
    for (const Case& c : {Case{101, true, true}, Case{102, true, true}, Case{103, true, false},
                          Case{104, true, true}, Case{105, false, false}, Case{106, false, false},
                          Case{100, false, false}, Case{107, false, false}, Case{0, false, false}}) {
        EXPECT_EQ(channel.bGraphSetting(c.id), c.channelGraph) << c.id;
        EXPECT_EQ(event.bGraphSetting(c.id), c.eventGraph) << c.id;
    }
}

TEST_F(GraphTest, UnitsAndAxisTitles) {
    SetFileText set = testsets::twoChannelSet(40000);
    testsets::vodChannel(set, 2, "12.5");
    set.erase("settings", "Length unit for unit resistance");
    set.set("Event1", "Y quantity", "Pressure");
    set.set("Event1", "Y units", "MPa");
    open(1, 10, set);
    EXPECT_EQ(graph(2).sYunits(), "Unknown m or ft");
    EXPECT_EQ(graph(2).sVODunits(), "Unknown m or ft/s");
    EXPECT_TRUE(graph(2).bGraphSetting(106));
    EXPECT_EQ(graph(2).GetPlnChannelType(), 1);
    EXPECT_EQ(view(2).fileInfo(), (dir / "Test01.crv").string() + " Channel 2 VOD test");
    EXPECT_EQ(graph(1).sQUstr(), "Voltage (V)");
    EXPECT_EQ(graph(3).sQUstr(), "Pressure (MPa)");
    EXPECT_EQ(graph(3).sYunits(), "MPa");
}

TEST_F(GraphTest, MessagesReachTheWindowAndClosingByTheUserIsKept) {
    open(1, 10);
    graphs::clsGraph& g = graph(3);
    g.ProcessGraphMsg(41);
    g.ProcessGraphMsg(2);
    EXPECT_EQ(view(3).messages(), (std::vector<std::int32_t>{41, 2}));
    g.SetClosedByUser();
    g.CloseGraph();
    ASSERT_NE(g.view(), nullptr);  // already closed by the user: nothing more to close
    EXPECT_FALSE(view(3).closed());
    graph(1).CloseGraph();
    EXPECT_EQ(graph(1).view(), nullptr);
}

TEST_F(GraphTest, PointsAndAnnotationNumbers) {
    open(1, 10);
    graphs::clsGraph& g = graph(3);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ASSERT_TRUE(g.Get2Pts(0, 9, x1, y1, x2, y2));
    EXPECT_DOUBLE_EQ(x2 - x1, 0.009);
    EXPECT_DOUBLE_EQ(y1, testsets::scopeVolts(0));
    EXPECT_FALSE(g.Get1Pt(10, x1, y1));
    EXPECT_FALSE(g.Get1Pt(-1, x1, y1));
    EXPECT_EQ(g.lNextAnnotationNr(), 1);
    EXPECT_EQ(g.lNextAnnotationNr(), 2);
    g.SaveStartEndTimes(0.002, 0.004, -1.0, 1.0);
    EXPECT_EQ(dataset.sGetGraphIniStr(3, "StartTimeInMilliSec"), "0.002");
    EXPECT_EQ(dataset.sGetGraphIniStr(3, "Y2"), "1");
}

}  // namespace
