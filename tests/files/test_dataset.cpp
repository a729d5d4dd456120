// Opening a test set: graphs, events, time unit, uninitialised data, compressed and damaged
// tests, and new, copied and deleted event graphs.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "analysis/files/Compress.h"
#include "analysis/files/MemoryPointEdits.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using files::clsDataset;
using files::GraphKind;
using testsets::SetFileText;
using testsets::TestSet;

struct Session {
    common::ScriptedPrompt prompt;
    testsets::RecordingProgress progress;
    clsDataset dataset{prompt, progress, graphs::clsGraph::factory()};

    bool open(const fs::path& setFile, bool quiet = false) {
        return dataset.bSetupDataAndGraphs(setFile.string(), 1, quiet);
    }
    graphs::clsGraph& graph(std::int32_t number) {
        auto* g = dynamic_cast<graphs::clsGraph*>(dataset.graph(number));
        if (!g) throw std::runtime_error("no graph " + std::to_string(number));
        return *g;
    }
    graphs::HeadlessGraphView& view(std::int32_t number) {
        auto* v = dynamic_cast<graphs::HeadlessGraphView*>(graph(number).view());
        if (!v) throw std::runtime_error("no view of graph " + std::to_string(number));
        return *v;
    }
    bool shown(const std::string& text) const {
        const auto messages = prompt.messages();
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }
    bool progressShowed(const std::string& text) const {
        return std::find(progress.texts.begin(), progress.texts.end(), text) !=
               progress.texts.end();
    }
};

void addEvent(SetFileText& set, int event, int channel, double startMs, double endMs,
              const std::string& title) {
    const std::string section = "Event" + std::to_string(event);
    set.set(section, "EventChannelNr", std::to_string(channel));
    set.set(section, "StartTimeInMilliSec", std::to_string(startMs));
    set.set(section, "EndTimeMilliSec", std::to_string(endMs));
    set.set(section, "EventTitle", title);
}

class DatasetTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};
};

TEST_F(DatasetTest, OpensChannelAndEventGraphsWithoutWritingIntoTheTest) {
    SetFileText set = testsets::twoChannelSet(1000);
    addEvent(set, 1, 2, 0.1, 0.2, "Blast");
    set.set("settings", "NrEventGraphs", "1");
    set.set("Channel1", "NrAnnotations", "0");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(1000));
    const auto before = testsets::snapshot(dir.path());

    Session s;
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    EXPECT_TRUE(s.dataset.bDoneSetup());
    EXPECT_EQ(s.dataset.graphNumbers(), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(s.dataset.graphKind(3), GraphKind::Event);
    EXPECT_EQ(s.dataset.graphChannel(3), 2);
    EXPECT_EQ(s.dataset.graphSection(3), "Event1");
    EXPECT_TRUE(s.shown(files::kAllGraphsDrawn));
    EXPECT_TRUE(s.progressShowed("Graph 1 of 3"));
    EXPECT_TRUE(s.progressShowed("Graph 3 of 3"));
    EXPECT_EQ(s.view(1).messages(), (std::vector<std::int32_t>{files::kMsgTakeFocus}));

    // Channel 1 rises, channel 2 falls: the interleaved words are told apart.
    graphs::clsGraph& g1 = s.graph(1);
    ASSERT_EQ(g1.xValues().size(), 1000u);
    EXPECT_DOUBLE_EQ(g1.yValues()[7], testsets::scopeVolts(7));
    EXPECT_DOUBLE_EQ(s.graph(2).yValues()[7], testsets::scopeVolts(16383 - 7));
    EXPECT_EQ(s.view(1).caption(), "Channel 1");
    EXPECT_EQ(s.view(2).fileInfo(), test.setFile.string() + " Channel 2 DC -2.5 V to 2.5 V");

    // The event shows exactly its stored range: points 101..201 at 1 us.
    EXPECT_EQ(s.view(3).caption(), "Blast");
    EXPECT_DOUBLE_EQ(s.view(3).xStart(), 0.1);
    EXPECT_DOUBLE_EQ(s.view(3).xEnd(), 0.2);
    EXPECT_EQ(s.graph(3).pointIndexes().front(), 101);
    EXPECT_EQ(s.graph(3).pointIndexes().back(), 201);

    s.dataset.CloseAll();
    EXPECT_FALSE(s.dataset.bDoneSetup());
    EXPECT_EQ(testsets::snapshot(dir.path()), before);
}

TEST_F(DatasetTest, ChannelTwoSwitchedOffGivesOneChannelGraph) {
    SetFileText set = testsets::twoChannelSet(500);
    set.set("settings", "Ch2on", "F");
    addEvent(set, 1, 2, 0.0, 0.1, "on channel 2");
    addEvent(set, 2, 1, 0.0, 0.1, "on channel 1");
    set.set("settings", "NrEventGraphs", "2");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(500));
    Session s;
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    // Channel 1 is graph 1; event 2 keeps its number K + 2 = 3.
    EXPECT_EQ(s.dataset.graphNumbers(), (std::vector<std::int32_t>{1, 3}));
    EXPECT_EQ(s.dataset.eventsNotShown(), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(s.dataset.lPointsPerChannel(), 500);  // two channels still interleaved
    EXPECT_DOUBLE_EQ(s.graph(1).yValues()[42], testsets::scopeVolts(42));
    EXPECT_EQ(s.dataset.tableState(2), files::TableState::NotBuilt);
}

TEST_F(DatasetTest, ChannelOfAGraphIsItsChannelWhenChannelOneIsOff) {
    SetFileText set = testsets::twoChannelSet(100);
    set.set("settings", "Ch1on", "F");
    set.set("Channel2", "Scope BNC Number", "4");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    Session s;
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    const files::ChannelInfo info = s.dataset.GetChannelInfo(1);
    EXPECT_EQ(info.channel, 2);
    EXPECT_TRUE(info.isScope);
    EXPECT_EQ(info.socket, 4);
    EXPECT_DOUBLE_EQ(s.graph(1).yValues()[0], testsets::scopeVolts(16383));
}

TEST_F(DatasetTest, DeletedEventsAreNotShownAndCounted) {
    SetFileText set = testsets::twoChannelSet(300);
    for (int e = 1; e <= 4; ++e) addEvent(set, e, 1 + e % 2, 0.0, 0.05, "E" + std::to_string(e));
    set.set("Event1", "Graph Deleted", "T");
    set.set("Event3", "Graph Deleted", "True");
    set.set("settings", "NrEventGraphs", "4");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(300));
    Session s;
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    EXPECT_EQ(s.dataset.graphNumbers(), (std::vector<std::int32_t>{1, 2, 4, 6}));
    EXPECT_EQ(s.dataset.lDeletedEvents(), 2);
    EXPECT_TRUE(s.progressShowed("Graph 3 of 6 (1 deleted )"));
    EXPECT_TRUE(s.progressShowed("Graph 4 of 6 (1 deleted )"));
    EXPECT_TRUE(s.progressShowed("Graph 6 of 6 (2 deleted )"));
    EXPECT_EQ(s.view(4).caption(), "E2");
}

TEST_F(DatasetTest, ChangeTimeDrawsMillisecondsInTheChosenUnit) {
    struct Case {
        const char* factor;
        double expectedX;
    };
    for (const Case& c : {Case{"1000", 2.5}, Case{"0", 2500.0}}) {
        SetFileText set = testsets::twoChannelSet(3000);
        set.set("settings", "SampleSpeedInHz", "1000");
        set.set("settings", "Change Time", "T");
        set.set("settings", "Change Time Factor", c.factor);
        set.set("settings", "Change Time Units", "s");
        testsupport::TempDir folder;
        const TestSet test(folder.path(), "Test01", set, testsets::rampWords(3000));
        Session s;
        ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
        EXPECT_EQ(s.dataset.sTimeUnits(), "s");
        EXPECT_EQ(s.graph(1).sCurTimeUnits(), "s");
        // Point 2501 lies at 2500 ms.
        EXPECT_EQ(s.graph(1).pointIndexes()[2500], 2501);
        EXPECT_DOUBLE_EQ(s.graph(1).xValues()[2500], c.expectedX) << c.factor;
    }
}

TEST_F(DatasetTest, WithoutChangeTimeTheUnitIsMilliseconds) {
    const TestSet test(dir.path(), "Test01", testsets::twoChannelSet(10), testsets::rampWords(10));
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.dataset.sTimeUnits(), "ms");
    s.dataset.SetNewTimeMultiplier(1000, "s");
    EXPECT_EQ(s.dataset.sTimeUnits(), "s");
    EXPECT_DOUBLE_EQ(s.dataset.dTimeDivisor(), 1000.0);
}

TEST_F(DatasetTest, QuietOpeningShowsNoMessages) {
    const TestSet test(dir.path(), "Test01", testsets::twoChannelSet(10), testsets::rampWords(10));
    Session s;
    ASSERT_TRUE(s.open(test.setFile, true));
    EXPECT_TRUE(s.prompt.messages().empty());
    SetFileText broken = testsets::twoChannelSet(10);
    broken.set("settings", "NrChannels", "0");
    const TestSet bad(dir.path(), "Test02", broken, testsets::rampWords(10));
    EXPECT_FALSE(s.open(bad.setFile, true));
    EXPECT_TRUE(s.prompt.messages().empty());
    EXPECT_EQ(s.dataset.lLastErrorStep(), 2);
}

TEST_F(DatasetTest, TenThousandPointsIntoAThousandKeepTwoPointsPerBucketOfTwentyOne) {
    const TestSet test(dir.path(), "Test01", testsets::twoChannelSet(10000),
                       testsets::rampWords(10000));
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    const files::PlotPoints points = s.dataset.SetPlotDataMaxMinAll(1, 1000);
    EXPECT_TRUE(points.reduced);
    EXPECT_LE(points.size(), 1000u);
    // A rising channel: each bucket of 21 emits its first and its last point.
    ASSERT_GE(points.size(), 4u);
    EXPECT_EQ(points.index[0], 1);
    EXPECT_EQ(points.index[1], 21);
    EXPECT_EQ(points.index[2], 22);
    EXPECT_EQ(points.index[3], 42);
}

// --- bad input ---------------------------------------------------------------------------

struct BadCase {
    const char* name;
    std::function<void(SetFileText&)> change;
    std::int64_t points;  // points per channel written (negative: no data file)
    bool opens;
    std::string message;  // shown message expected ("" for none beyond the usual)
};

TEST_F(DatasetTest, BadInputOpensWithWhatIsValidOrIsRefusedClearly) {
    auto key = [](const char* section, const char* k, const char* v) {
        return [=](SetFileText& set) { set.set(section, k, v); };
    };
    const std::vector<BadCase> cases = {
        {"no channels", key("settings", "NrChannels", "0"), 100, false,
         "Error 2 : Graphs not shown."},
        {"six channels", key("settings", "NrChannels", "6"), 100, false,
         "Error 2 : Graphs not shown."},
        {"channel count missing",
         [](SetFileText& set) { set.erase("settings", "NrChannels"); }, 100, false,
         "Error 2 : Graphs not shown."},
        {"sample speed 0", key("settings", "SampleSpeedInHz", "0"), 100, false,
         "Error 3 : Graphs not shown."},
        {"sample speed negative", key("settings", "SampleSpeedInHz", "-5"), 100, false,
         "Error 3 : Graphs not shown."},
        {"sample speed not a number", key("settings", "SampleSpeedInHz", "fast"), 100, false,
         "Error 3 : Graphs not shown."},
        {"model missing", [](SetFileText& set) { set.erase("settings", "DataCollector"); }, 100,
         false, "Error 3 : Graphs not shown."},
        {"unit resistance 0", [](SetFileText& set) { testsets::vodChannel(set, 1, "0"); }, 100,
         false, "Error 4 : Graphs not shown."},
        {"no data file", [](SetFileText&) {}, -1, false, "Error - can't open raw data file. "},
        {"empty data file", [](SetFileText&) {}, 0, true, ""},
        {"shorter than claimed", key("settings", "NumPtsDownloaded", "2000000"), 77, true, ""},
        {"end of recording past the data",
         [](SetFileText& set) {
             set.set("settings", "OFL", "0");
             set.set("settings", "ASTOP", "999999");
         },
         100, true, ""},
        {"pre-trigger beyond the data", key("settings", "PreTriggerPts", "2147483647"), 100,
         true, ""},
        {"event channel 0",
         [](SetFileText& set) {
             addEvent(set, 1, 0, 0.0, 0.01, "zero");
             set.set("settings", "NrEventGraphs", "1");
         },
         100, true, ""},
        {"event channel 3",
         [](SetFileText& set) {
             addEvent(set, 1, 3, 0.0, 0.01, "three");
             set.set("settings", "NrEventGraphs", "1");
         },
         100, true, ""},
        {"event channel -1",
         [](SetFileText& set) {
             addEvent(set, 1, -1, 0.0, 0.01, "minus");
             set.set("settings", "NrEventGraphs", "1");
         },
         100, true, ""},
        {"event range reversed and outside",
         [](SetFileText& set) {
             addEvent(set, 1, 1, 1e300, -1e300, "wide");
             set.set("settings", "NrEventGraphs", "1");
         },
         100, true, ""},
        {"event count negative", key("settings", "NrEventGraphs", "-4"), 100, true, ""},
        {"calibration not convertible", key("Channel2", "KS2", "0"), 100, true,
         "Channel 2 cannot be converted: KS2 is 0."},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir folder;
        SetFileText set = testsets::twoChannelSet(100);
        c.change(set);
        const std::int64_t points = std::max<std::int64_t>(c.points, 0);
        std::vector<std::uint16_t> words = testsets::rampWords(points);
        if (c.points == 77) words.push_back(5);  // an incomplete record at the end
        const TestSet test(folder.path(), "Test01", set, words);
        if (c.points < 0) fs::remove(test.rawFile);
        const auto before = testsets::snapshot(folder.path());
        Session s;
        s.prompt.setDefaultAnswer(false);
        EXPECT_EQ(s.open(test.setFile), c.opens) << s.dataset.sLastError();
        EXPECT_EQ(s.dataset.bDoneSetup(), c.opens);
        if (!c.message.empty()) {
            const auto messages = s.prompt.messages();
            const bool found = std::any_of(messages.begin(), messages.end(), [&](const auto& m) {
                return m.rfind(c.message, 0) == 0;
            });
            EXPECT_TRUE(found) << (messages.empty() ? "no message" : messages.front());
        }
        if (!c.opens) {
            EXPECT_FALSE(s.dataset.sLastError().empty());
            EXPECT_TRUE(s.dataset.graphNumbers().empty());
        } else {
            for (std::int32_t g : s.dataset.graphNumbers())
                for (std::int32_t i : s.graph(g).pointIndexes()) {
                    ASSERT_GE(i, 1);
                    ASSERT_LE(i, s.dataset.lPointsPerChannel());
                }
        }
        s.dataset.CloseAll();
        EXPECT_EQ(testsets::snapshot(folder.path()), before);
    }
}

TEST_F(DatasetTest, DataShorterThanClaimedOpensWithItsWholeRecords) {
    std::vector<std::uint16_t> words = testsets::rampWords(77);
    words.push_back(5);
    const TestSet test(dir.path(), "Test01", testsets::twoChannelSet(1000), words);
    {
        std::ofstream odd(test.rawFile, std::ios::binary | std::ios::app);
        odd.put('\x01');  // an odd trailing byte
    }
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.dataset.lPointsPerChannel(), 77);
    EXPECT_EQ(s.graph(2).pointIndexes().back(), 77);
}

TEST_F(DatasetTest, AbsurdEventCountMakesOnlyTheStoredEvents) {
    SetFileText set = testsets::twoChannelSet(100);
    set.set("settings", "NrEventGraphs", "2000000000");
    addEvent(set, 1, 1, 0.0, 0.01, "one");
    addEvent(set, 1999999999, 2, 0.0, 0.01, "far");
    addEvent(set, 2000000001, 2, 0.0, 0.01, "beyond the count");
    set.set("Event01", "EventTitle", "not an event section");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    Session s;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(s.dataset.graphNumbers(), (std::vector<std::int32_t>{1, 2, 3, 2000000001}));
    EXPECT_TRUE(s.progressShowed("Graph 4 of 4"));
    // No side files exist beyond graph 300; such a graph still opens.
    EXPECT_EQ(s.view(2000000001).caption(), "far");
}

TEST_F(DatasetTest, DamagedCompressedFileIsRefusedWithTheRawFileMessage) {
    SetFileText set = testsets::twoChannelSet(100);
    set.set("settings", "RawFileCompressed", "T");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    fs::remove(test.rawFile);
    const fs::path cmp = dir / "Test01.cmp";
    testsupport::writeFile(cmp, std::string(64, '\x5a'));
    const auto before = testsets::snapshot(dir.path());
    Session s;
    EXPECT_FALSE(s.open(test.setFile));
    EXPECT_EQ(s.prompt.messages(),
              (std::vector<std::string>{std::string(files::kCannotOpenRawFile) + cmp.string()}));
    EXPECT_EQ(testsets::snapshot(dir.path()), before);
}

TEST_F(DatasetTest, CompressedTestOpensThroughAPrivateCopyRemovedOnClosing) {
    SetFileText set = testsets::twoChannelSet(5000);
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(5000));
    const fs::path cmp = dir / "Test01.cmp";
    ASSERT_TRUE(files::CompressDataFile(test.rawFile, cmp).ok);
    fs::remove(test.rawFile);
    set.set("settings", "RawFileCompressed", "T");
    testsupport::writeFile(test.setFile, set.text());

    Session s;
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    const fs::path copy = s.dataset.sRawFilePath();
    EXPECT_TRUE(s.dataset.bCompressed());
    EXPECT_TRUE(fs::exists(copy));
    EXPECT_NE(copy.parent_path(), dir.path());
    EXPECT_EQ(s.dataset.lPointsPerChannel(), 5000);
    EXPECT_DOUBLE_EQ(s.graph(2).yValues()[100], testsets::scopeVolts(16383 - 100));
    s.dataset.CloseAll();
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_FALSE(fs::exists(test.rawFile));
}

TEST_F(DatasetTest, ReadOnlySetFileIsShownWithTheNoticeAndNeverWritten) {
    SetFileText set = testsets::twoChannelSet(100);
    set.set("Channel1", "NrAnnotations", "3");
    addEvent(set, 1, 1, 0.0, 0.01, "E");
    set.set("settings", "NrEventGraphs", "1");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    ::chmod(test.setFile.c_str(), 0444);
    const auto before = testsets::snapshot(dir.path());
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_FALSE(s.dataset.bTestCurIniFileWriteable());
    EXPECT_TRUE(s.shown(files::readOnlyNotice()));
    s.dataset.WriteGraphIniStr(3, "EventTitle", "changed");
    s.dataset.SaveNewStartEndTimes(3, 1.0, 2.0);
    EXPECT_EQ(s.dataset.lGetNextGraphIniLong(3, "NrAnnotations"), 1);
    EXPECT_EQ(s.dataset.AddNewEventGraph(1, 0.0, 0.01, "new", "1*V+0", "Voltage", "V"), 0);
    EXPECT_EQ(testsets::snapshot(dir.path()), before);
}

TEST_F(DatasetTest, ChannelGraphAnnotationCountIsResetOnlyWhenItHoldsOne) {
    SetFileText set = testsets::twoChannelSet(100);
    set.set("Channel2", "NrAnnotations", "3");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.dataset.sGetGraphIniStr(2, "NrAnnotations"), "0");
    // Channel 1 had no count: its section was not touched.
    EXPECT_EQ(s.dataset.sGetGraphIniStrDefault(1, "NrAnnotations", "missing"), "missing");
}

TEST_F(DatasetTest, UninitialisedDataIsHiddenOnlyWhenTheUserSaysSo) {
    SetFileText set = testsets::twoChannelSet(1000);
    set.set("settings", "OFL", "0");
    set.set("settings", "ASTOP", "1201");  // last valid point (1201 + 1) div 2 - 1 = 600
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(1000));
    Session s;
    s.prompt.answerYesNo(false);
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.prompt.shown().front().text, files::kHideUninitialised);
    EXPECT_EQ(s.prompt.shown().front().title, common::kMessageTitle);
    EXPECT_TRUE(s.dataset.bMemoryNotFilled());
    EXPECT_EQ(s.dataset.lLastValidPoint(), 600);
    EXPECT_EQ(s.graph(1).pointIndexes().back(), 1000);

    s.prompt.answerYesNo(true);  // asked again while the answer was No
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_TRUE(s.dataset.bHideUninitialised());
    EXPECT_EQ(s.graph(1).pointIndexes().back(), 600);
    EXPECT_EQ(s.dataset.SetPlotDataMaxMinTimes(1, 0.7, 0.9).size(), 1u);

    ASSERT_TRUE(s.open(test.setFile));  // not asked again (no answer queued)
    EXPECT_EQ(s.prompt.pendingAnswers(), 0u);
    EXPECT_EQ(s.graph(1).pointIndexes().back(), 600);
}

TEST_F(DatasetTest, EventPlotNameIsCutAtTheFirstDotOfTheFileName) {
    const fs::path folder = dir / "site.b";
    fs::create_directories(folder);
    const TestSet test(folder, "Test01", testsets::twoChannelSet(10), testsets::rampWords(10));
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.dataset.sGetEventPlotName(5), (folder / "Test01.plot005").string());
    EXPECT_EQ(s.dataset.sFileNoPathNoExtDotAtEnd(), "Test01.");
}

TEST_F(DatasetTest, NewCopiedAndDeletedEventGraphsKeepTheirNumbers) {
    const TestSet test(dir.path(), "Test01", testsets::twoChannelSet(2000),
                       testsets::rampWords(2000));
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    const std::int32_t added =
        s.dataset.AddNewEventGraph(2, 0.1, 0.3, "New", "1*V+0", "Voltage", "V");
    ASSERT_EQ(added, 3);
    EXPECT_EQ(s.dataset.lGetMainWithDefault("NrEventGraphs", 0), 1);
    EXPECT_EQ(s.dataset.sGetGraphIniStr(3, "EventChannelNr"), "2");
    EXPECT_EQ(s.dataset.sGetGraphIniStr(3, "StartTimeInMilliSec"), "0.1");
    EXPECT_EQ(s.view(3).messages(),
              (std::vector<std::int32_t>{files::kMsgYAxisLabel, files::kMsgNormalState}));
    EXPECT_EQ(s.graph(3).pointIndexes().front(), 101);

    // Removed and moved points of graph 3 travel with Save As.
    const std::string removed3 = s.dataset.setFile().sCustomFileName(files::kRemovedPointsFile, 3);
    testsupport::writeFile(removed3, std::string("\x05\0\0\0\x09\0\0\0", 8));
    s.dataset.WriteGraphIniStr(3, "Removed", "2");
    s.dataset.WriteGraphIniStr(3, "NrAnnotations", "4");
    const std::int32_t copy = s.dataset.SaveGraphAs(3, "Copy", 0.15, 0.2, -1.0, 1.5);
    ASSERT_EQ(copy, 4);
    EXPECT_EQ(s.view(4).messages(),
              (std::vector<std::int32_t>{43, 222, 223, 224, 44}));
    EXPECT_EQ(testsupport::readFile(s.dataset.setFile().sCustomFileName(files::kRemovedPointsFile, 4)),
              testsupport::readFile(removed3));
    EXPECT_EQ(s.dataset.sGetGraphIniStr(4, "Removed"), "2");
    EXPECT_EQ(s.dataset.sGetGraphIniStr(4, "NrAnnotations"), "4");
    EXPECT_TRUE(s.dataset.bGetGraphIniBool(4, "YS"));
    EXPECT_DOUBLE_EQ(s.view(4).yMin(), -1.0);
    EXPECT_DOUBLE_EQ(s.view(4).yMax(), 1.5);

    // Deleting graph 3 removes its moved points; graph 4 keeps its number after reopening.
    const std::string moved3 = s.dataset.setFile().sCustomFileName(files::kMovedPointsFile1, 3);
    testsupport::writeFile(moved3, "x");
    EXPECT_FALSE(s.dataset.DeleteGraph(1));  // channel graphs cannot be deleted
    EXPECT_TRUE(s.dataset.DeleteGraph(3));
    EXPECT_FALSE(fs::exists(moved3));
    EXPECT_TRUE(s.dataset.bGraphDeleted(3));
    EXPECT_TRUE(s.dataset.bGetGraphIniBool(3, "Graph Deleted"));
    EXPECT_EQ(s.graph(3).view(), nullptr);  // its window was closed
    s.dataset.SendGraphMsg(3, 45);           // a deleted graph gets no message
    EXPECT_FALSE(s.dataset.DeleteGraph(3));

    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.dataset.graphNumbers(), (std::vector<std::int32_t>{1, 2, 4}));
    EXPECT_EQ(s.view(4).caption(), "Copy");
    EXPECT_EQ(s.dataset.AddNewEventGraph(1, 0.0, 0.1, "Third", "1*V+0", "Voltage", "V"), 5);
}

TEST_F(DatasetTest, NewEventDoesNotInheritASectionLeftBeyondTheCount) {
    SetFileText set = testsets::twoChannelSet(200);
    addEvent(set, 1, 1, 0.0, 0.05, "left behind");
    set.set("Event1", "Graph Deleted", "T");
    set.set("Event1", "YS", "T");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(200));  // count missing
    testsupport::writeFile(dir / "Test01.plot001", "old annotations");
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    ASSERT_EQ(s.dataset.AddNewEventGraph(1, 0.0, 0.1, "fresh", "1*V+0", "Voltage", "V"), 3);
    EXPECT_FALSE(s.dataset.bGetGraphIniBool(3, "Graph Deleted"));
    EXPECT_FALSE(s.dataset.bGetGraphIniBool(3, "YS"));
    EXPECT_FALSE(fs::exists(dir / "Test01.plot001"));
    ASSERT_TRUE(s.open(test.setFile));
    EXPECT_EQ(s.dataset.graphNumbers(), (std::vector<std::int32_t>{1, 2, 3}));
}

TEST_F(DatasetTest, ScopeEventListNamesSocketAndTitle) {
    SetFileText set = testsets::twoChannelSet(100);
    testsets::vodChannel(set, 1, "10.5");
    set.set("Channel2", "Scope BNC Number", "3");
    addEvent(set, 1, 2, 0.0, 0.01, "pressure");
    addEvent(set, 2, 1, 0.0, 0.01, "vod");
    set.set("settings", "NrEventGraphs", "2");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    Session s;
    ASSERT_TRUE(s.open(test.setFile)) << s.dataset.sLastError();
    EXPECT_EQ(s.dataset.FillScopeGraphListBox(), (std::vector<std::string>{"S3: pressure"}));
    EXPECT_TRUE(s.graph(1).bIsVODgraph());
    EXPECT_EQ(s.graph(1).sYunits(), "m");
}

TEST_F(DatasetTest, GraphValueRuleUsesMovedValuesAndLeavesRemovedPointsOut) {
    const TestSet test(dir.path(), "Test01", testsets::twoChannelSet(100), testsets::rampWords(100));
    Session s;
    ASSERT_TRUE(s.open(test.setFile));
    files::MemoryPointEdits edits;
    edits.remove(5);
    edits.move(6, 42.0);
    s.dataset.SetPointEdits(1, &edits);
    EXPECT_FALSE(s.dataset.graphValue(1, 5).has_value());
    EXPECT_DOUBLE_EQ(*s.dataset.graphValue(1, 6), 42.0);
    EXPECT_DOUBLE_EQ(*s.dataset.graphValue(1, 7), testsets::scopeVolts(6));
    EXPECT_FALSE(s.dataset.graphValue(1, 101).has_value());
    s.graph(1).Reload();
    const auto& idx = s.graph(1).pointIndexes();
    EXPECT_EQ(std::count(idx.begin(), idx.end(), 5), 0);
}

TEST_F(DatasetTest, HooksAxisUnitsAndFormulaTables) {
    SetFileText set = testsets::twoChannelSet(100);
    addEvent(set, 1, 2, 0.0, 0.05, "gauge");
    set.set("settings", "NrEventGraphs", "1");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    common::ScriptedPrompt prompt;
    testsets::RecordingProgress progress;
    std::vector<std::string> calls;
    files::DatasetHooks hooks;
    hooks.setCurrentGraph = [&](std::int32_t d, std::int32_t g) {
        calls.push_back("current " + std::to_string(d) + "/" + std::to_string(g));
    };
    hooks.scopeChannelFound = [&] { calls.push_back("scope"); };
    hooks.setNextPlotFile = [&](const std::string& f) { calls.push_back(fs::path(f).filename()); };
    hooks.formulaTable = [](const std::vector<double>& base, const std::string& formula) {
        auto table = std::make_shared<std::vector<double>>(base);
        if (formula == "2*V+0")
            for (double& v : *table) v *= 2;
        return std::shared_ptr<const std::vector<double>>(std::move(table));
    };
    clsDataset dataset(prompt, progress, graphs::clsGraph::factory(), hooks);
    ASSERT_TRUE(dataset.bSetupDataAndGraphs(test.setFile.string(), 7, true));
    EXPECT_EQ(calls, (std::vector<std::string>{"current 7/1", "scope", "scope", "Test01.plot001"}));
    auto& event = dynamic_cast<graphs::clsGraph&>(*dataset.graph(3));
    auto& view = dynamic_cast<graphs::HeadlessGraphView&>(*event.view());
    EXPECT_EQ(event.lDataSetNr(), 7);

    dataset.NewYaxisUnits(3, "Pressure", "kPa");
    EXPECT_EQ(dataset.sGetGraphIniStr(3, "Y quantity"), "Pressure");
    EXPECT_EQ(event.sQUstr(), "Pressure (kPa)");
    EXPECT_EQ(view.messages().back(), files::kMsgYAxisLabel);

    const double before = event.yValues()[10];
    dataset.NewFormulaReplot(3, "2*V+0", "Pressure", "kPa");
    EXPECT_EQ(dataset.sGetGraphIniStr(3, "Y formula"), "2*V+0");
    EXPECT_DOUBLE_EQ(event.yValues()[10], 2 * before);
    EXPECT_DOUBLE_EQ(*dataset.graphValue(3, 11), 2 * before);
    EXPECT_DOUBLE_EQ(*dataset.graphValue(2, 11), before);  // the channel graph keeps volts
}

}  // namespace
