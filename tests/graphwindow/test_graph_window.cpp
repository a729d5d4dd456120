// Graph windows in the main window, offscreen: plotting limits, zoom, click modes, point edits,
// Save As and the plot files, closing rules.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QRegularExpression>

#include <algorithm>
#include <filesystem>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/graphs/window/GraphWindowContext.h"
#include "analysis/graphs/window/frmpeGraph.h"
#include "analysis/measure/DataExport.h"
#include "analysis/measure/VodSlope.h"
#include "common/NumberFormat.h"
#include "common/ScriptedPrompt.h"
#include "corvane/frmIntroBx.h"
#include "corvane/frmMDImain.h"
#include "files/DatasetFixture.h"
#include "support/QtApplicationEnvironment.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using graphs::frmpeGraph;

constexpr std::int64_t kPoints = 30000;  // 30 ms at 1 MHz

class GraphWindows : public ::testing::Test {
protected:
    GraphWindows() {
        fs::create_directories(m_data);
        m_window.show();
        m_window.Start();
    }
    ~GraphWindows() override { m_window.graphs().CloseAllDatasets(); }

    // Channel 1 rises by one code a point, channel 2 is flat; event 1 shows channel 1 from 10
    // to 20 ms.
    fs::path fixtureSet() {
        testsets::SetFileText set = testsets::twoChannelSet(kPoints);
        set.set("settings", "NrEventGraphs", "1");
        set.set("Event1", "StartTimeInMilliSec", "10");
        set.set("Event1", "EndTimeMilliSec", "20");
        set.set("Event1", "EventChannelNr", "1");
        set.set("Event1", "EventTitle", "E1");
        std::vector<std::uint16_t> words;
        for (std::int64_t i = 0; i < kPoints; ++i) {
            words.push_back(static_cast<std::uint16_t>(i % 16384));
            words.push_back(8191);
        }
        return testsets::TestSet(m_data, "Fixture01", set, words).setFile;
    }
    fs::path sampleSet() {
        const fs::path root = fs::path(VANTREL_SOURCE_DIR) / "samples" / "CV2026Dec001_01";
        for (const char* ext : {".crv", ".raw"})
            fs::copy_file(root.string() + ext, m_data / (std::string("CV2026Dec001_01") + ext),
                          fs::copy_options::overwrite_existing);
        return m_data / "CV2026Dec001_01.crv";
    }
    void open(const fs::path& set) {
        ASSERT_TRUE(m_window.OpenTestSetFile(set.string()));
        settle();
    }
    static void settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmpeGraph* graph(const QString& title) {
        for (frmpeGraph* w : m_window.graphWindows())
            if (w->windowTitle() == title) return w;
        return nullptr;
    }
    // The window at a fixed size, laid out, so that pixels of points hold.
    static void sized(frmpeGraph& w) {
        w.subWindow()->showNormal();
        w.subWindow()->resize(900, 600);
        settle();
        w.plot().relayout();
    }
    static QPointF pixelOf(frmpeGraph& w, std::int32_t point) {
        double x = 0, y = 0;
        w.owner()->Get1Pt(point, x, y);
        return w.plot().graphToPixel(x, y);
    }
    static void mouse(frmpeGraph& w, QEvent::Type type, QPointF at) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                                                         : Qt::LeftButton;
        QMouseEvent event(type, at, w.plotWidget()->mapToGlobal(at), Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(w.plotWidget(), &event);
    }
    static void click(frmpeGraph& w, QPointF at) {
        mouse(w, QEvent::MouseButtonPress, at);
        mouse(w, QEvent::MouseButtonRelease, at);
    }
    static void trigger(frmpeGraph& w, const char* item) {
        QAction* a = w.action(item);
        ASSERT_NE(a, nullptr) << item;
        a->trigger();
    }
    static std::vector<graphs::Annotation> used(frmpeGraph& w) {
        std::vector<graphs::Annotation> out;
        for (const auto& a : w.plot().state().annotations)
            if (a.used) out.push_back(a);
        return out;
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedVantrelHome m_home{m_dir.path()};
    fs::path m_data = m_dir / "tests";
    common::ScriptedPrompt m_prompt;
    corvane::frmMDImain m_window{m_prompt, "/opt/corvane/"};
};

TEST_F(GraphWindows, FirstLimitsHaveTheirMarginsAndAnEventGraphShowsItsRangeExactly) {
    open(fixtureSet());
    frmpeGraph* channel = graph("Channel 1");
    frmpeGraph* event = graph("E1");
    frmpeGraph* flat = graph("Channel 2");
    ASSERT_TRUE(channel && event && flat);
    EXPECT_NEAR(event->limits().xMin, 10.0, 1e-9);
    EXPECT_NEAR(event->limits().xMax, 20.0, 1e-9);
    // The flat channel: 0.001 above and below its value.
    const double level = flat->owner()->yValues().front();
    EXPECT_NEAR(flat->limits().yMin, level - 0.001, 1e-6);
    EXPECT_NEAR(flat->limits().yMax, level + 0.001, 1e-6);
    EXPECT_EQ(channel->plot().state().mainTitle.text, "Channel 1");
    EXPECT_EQ(channel->plot().state().xLabel.text, "Time (ms)");

    struct Case {
        frmpeGraph* window;
        double xStart, xEnd, yMin, yMax;
        graphs::PlotLimits expected;
    } cases[] = {
        {event, 10, 20, 0, 1, {10, 20, -0.03, 1.03}},
        {channel, 10, 20, 0, 1, {9.7, 20.3, -0.03, 1.03}},
        {channel, 10, 20, 1.5, 1.5, {9.7, 20.3, 1.499, 1.501}},
        {channel, 10, 20, 2.0, 2.0 + 0.0005, {9.7, 20.3, 1.999, 2.0015}},
    };
    const std::vector<double> x{10, 15, 20}, y{0, 1, 0.5};
    for (const Case& c : cases) {
        c.window->SetData(x, y, 3, c.xStart, c.xEnd, c.yMin, c.yMax);
        const graphs::PlotLimits& l = c.window->limits();
        EXPECT_NEAR(l.xMin, c.expected.xMin, 1e-9);
        EXPECT_NEAR(l.xMax, c.expected.xMax, 1e-9);
        EXPECT_NEAR(l.yMin, c.expected.yMin, 1e-9);
        EXPECT_NEAR(l.yMax, c.expected.yMax, 1e-9);
        EXPECT_EQ(c.window->zoomHistory().entry(0), l);
    }
}

TEST_F(GraphWindows, ThreeZoomsThenResetToFullRangeRestoresTheFirstLimits) {
    open(fixtureSet());  // 30000 points: drawn thinned, so every zoom reloads
    frmpeGraph* w = graph("Channel 1");
    ASSERT_NE(w, nullptr);
    const graphs::PlotLimits first = w->limits();
    const std::int32_t firstCount = w->owner()->loadRecord().count;
    double x0 = first.xMin, x1 = first.xMax;
    for (int n = 0; n < 3; ++n) {
        const double span = x1 - x0;
        x0 += span / 4;
        x1 -= span / 4;
        w->applyZoomBox({x0, x1, first.yMin + 1, first.yMax - 1});
        EXPECT_EQ(w->zoomHistory().level(), n + 1);
        EXPECT_NEAR(w->limits().xMin, x0, 1e-12);
        if (n == 0) {
            // The thinned plot was reloaded for the zoomed range, in full detail; later zooms
            // inside that detailed load keep it.
            EXPECT_NEAR(w->owner()->loadRecord().start, x0, 1e-12);
            EXPECT_FALSE(w->owner()->loadRecord().thinned);
            EXPECT_LT(w->owner()->loadRecord().count, firstCount);
        }
    }
    EXPECT_TRUE(w->bZoomed());
    trigger(*w, "MenuResetToFullRange");
    EXPECT_EQ(w->zoomHistory().level(), 0);
    EXPECT_EQ(w->limits(), first);
    EXPECT_EQ(w->owner()->loadRecord().count, firstCount);
    trigger(*w, "MenuUnzoom");  // at level 0 nothing happens
    EXPECT_EQ(w->limits(), first);
}

TEST_F(GraphWindows, ADraggedZoomBoxZoomsWithTheNinetyEightPercentRule) {
    open(sampleSet());
    frmpeGraph* w = graph("Channel 1");
    ASSERT_NE(w, nullptr);
    sized(*w);
    trigger(*w, "MenuZoom");
    ASSERT_TRUE(w->plot().dragZoom());
    const graphs::PlotLimits shown = w->limits();
    // A box over the whole height, from a quarter to a half of the width.
    const QPointF from = w->plot().graphToPixel(shown.xMin + (shown.xMax - shown.xMin) / 4,
                                                shown.yMax);
    const QPointF to = w->plot().graphToPixel(shown.xMin + (shown.xMax - shown.xMin) / 2,
                                              shown.yMin);
    mouse(*w, QEvent::MouseButtonPress, from);
    mouse(*w, QEvent::MouseMove, (from + to) / 2);
    mouse(*w, QEvent::MouseMove, to);
    mouse(*w, QEvent::MouseButtonRelease, to);
    ASSERT_EQ(w->zoomHistory().level(), 1);
    EXPECT_FALSE(w->plot().dragZoom());
    const double height = shown.yMax - shown.yMin;
    EXPECT_GT(w->limits().yMax - w->limits().yMin, height);  // widened, not cut
    EXPECT_NEAR(w->limits().xMax - w->limits().xMin, (shown.xMax - shown.xMin) / 4,
                (shown.xMax - shown.xMin) / 100);
}

TEST_F(GraphWindows, MarkersInDataValueModeOnlyBelowFiveHundredPoints) {
    open(fixtureSet());
    frmpeGraph* w = graph("Channel 1");
    ASSERT_NE(w, nullptr);
    for (const std::size_t n : {std::size_t{499}, std::size_t{500}}) {
        std::vector<double> x(n), y(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = y[i] = double(i);
        w->SetData(x, y, static_cast<std::int32_t>(n), 0, double(n), 0, double(n));
        w->ProcessMsg(3);
        EXPECT_EQ(w->plot().state().markers, n < 500) << n;
        w->ProcessMsg(1);
        EXPECT_FALSE(w->plot().state().markers);
    }
}

TEST_F(GraphWindows, TwoPickedPointsOnAVodGraphGiveTheVodLabelAsAnnotations) {
    open(sampleSet());
    frmpeGraph* w = graph("Channel 1");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->owner()->bIsVODgraph());
    sized(*w);
    m_prompt.clear();
    trigger(*w, "MenuVOD2pt");
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{measure::kClickTwoPointsForVod}));
    EXPECT_EQ(w->clickState().mode(), graphs::kModeVodTwoPoints);

    const auto n = static_cast<std::int32_t>(w->owner()->xValues().size());
    click(*w, pixelOf(*w, n / 3));
    click(*w, pixelOf(*w, n / 3));  // the same point again: ignored
    EXPECT_EQ(w->clickState().pickedCount(), 1);
    click(*w, pixelOf(*w, 2 * n / 3));
    ASSERT_EQ(w->clickState().pickedCount(), 2);
    EXPECT_EQ(w->clickState().mode(), graphs::kModeNormal);

    double x1, y1, x2, y2;
    ASSERT_TRUE(w->owner()->Get2Pts(w->clickState().pickedPoint(0), w->clickState().pickedPoint(1),
                                    x1, y1, x2, y2));
    const auto entries = used(*w);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].type, graphs::AnnotationType::MediumLineStart);
    EXPECT_EQ(entries[0].colour, graphs::kRed);
    EXPECT_EQ(entries[1].type, graphs::AnnotationType::LineContinuation);
    EXPECT_EQ(entries[2].type, graphs::AnnotationType::Text);
    EXPECT_EQ(entries[2].colour, graphs::kBlack);
    EXPECT_EQ(entries[2].text, measure::twoPointVodLabel(x1, y1, x2, y2, "m/s") + " ");
    EXPECT_EQ(entries[2].text.rfind("VOD = ", 0), 0u);
    EXPECT_NE(entries[2].text.find(" m/s "), std::string::npos);
}

TEST_F(GraphWindows, TheYAxisLabelMessageAndThePictureOutput) {
    open(sampleSet());
    frmpeGraph* w = graph("Channel 1");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->plot().state().yLabel.text, "Distance (m)");
    w->ProcessMsg(43);
    EXPECT_EQ(w->plot().state().yLabel.text, "Distance (m) ");
    EXPECT_EQ(w->owner()->sGetGraphString(225), "Distance (m) ");
    EXPECT_EQ(w->owner()->dGraphValue(211), 1.0);
    EXPECT_EQ(w->owner()->dGraphValue(202), w->limits().xMax);
    const fs::path picture = m_dir / "Calib_07_Ch_1.jpg";
    EXPECT_TRUE(w->owner()->OuputToJpeg(picture.string(), "Test 7", "Ch 1 Avg"));
    EXPECT_GT(fs::file_size(picture), 0u);
    EXPECT_EQ(w->owner()->sGetGraphString(222), "Test 7");
    EXPECT_EQ(w->owner()->sGetGraphString(223), "Ch 1 Avg");
}

TEST_F(GraphWindows, ChannelGraphsRefuseClosingDeletingAndPointEdits) {
    open(sampleSet());
    frmpeGraph* w = graph("Channel 1");
    ASSERT_NE(w, nullptr);
    m_prompt.clear();
    EXPECT_FALSE(w->subWindow()->close());
    trigger(*w, "MenuGraphClose");
    trigger(*w, "MenuGraphDelete");
    trigger(*w, "MenuRemoveBadDataPt");
    trigger(*w, "MenuMoveBadDataPt");
    w->HandleSelected2ptFunction(66);
    EXPECT_EQ(m_prompt.messages(),
              (std::vector<std::string>{
                  graphs::kChannelGraphNotClosed, graphs::kChannelGraphNotClosed,
                  graphs::kChannelGraphNotDeleted,
                  "This function is unavailabe in an Orignal graph.[nl]Save as a Sub-graph and try again.",
                  "This function is unavailable in an Original graph.[nl]Save as a Sub-graph and try again.",
                  graphs::kOnlyForSubGraphs}));
    settle();
    EXPECT_EQ(graph("Channel 1"), w);
    EXPECT_EQ(w->clickState().mode(), graphs::kModeNormal);
}

TEST_F(GraphWindows, SaveAsMakesAnEventGraphWhoseAnnotationsAndRemovedPointSurviveReopening) {
    const fs::path set = sampleSet();
    open(set);
    frmpeGraph* channel = graph("Channel 1");
    ASSERT_NE(channel, nullptr);
    sized(*channel);
    // A red line drawn on the channel graph.
    channel->ProcessMsg(6);
    mouse(*channel, QEvent::MouseButtonRelease, pixelOf(*channel, 100));
    mouse(*channel, QEvent::MouseButtonRelease, pixelOf(*channel, 4000));
    ASSERT_EQ(used(*channel).size(), 2u);
    const double x1 = channel->limits().xMin + 1, x2 = channel->limits().xMax - 2;
    channel->applyZoomBox({x1, x2, channel->limits().yMin, channel->limits().yMax});

    m_prompt.clear();
    m_prompt.answerInput(std::nullopt);
    trigger(*channel, "MenuGraphSave");
    EXPECT_EQ(m_prompt.shown().at(0).text, graphs::kEnterNewGraphTitle);
    EXPECT_EQ(m_prompt.shown().at(0).title, graphs::kNewGraphNameTitle);
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{graphs::kGraphNotSaved}));
    EXPECT_EQ(graphs::proposedGraphName(1, x1), " C1 " + common::formatNumber(x1, "#0.00") + " ms");

    m_prompt.answerInput(std::string("Cut"));
    trigger(*channel, "MenuGraphSave");
    settle();
    frmpeGraph* event = graph("Cut");
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(event->bLoadedFromPlotFile());
    EXPECT_EQ(used(*event).size(), 2u);
    EXPECT_NEAR(event->limits().xMin, x1, 1e-6);
    EXPECT_NEAR(event->limits().xMax, x2, 1e-6);

    // A point removed on the event graph is drawn as a gap.
    sized(*event);
    trigger(*event, "MenuRemoveBadDataPt");
    const std::int32_t point = 200;
    const std::int32_t index = event->owner()->pointIndexes().at(point);
    click(*event, pixelOf(*event, point));
    EXPECT_TRUE(graphs::isMissingValue(event->plot().state().y.at(point)));
    EXPECT_TRUE(graphs::isMissingValue(event->owner()->yValues().at(point)));

    // Closing the test and opening it again: the event graph has its line and lacks the point.
    m_window.graphs().CloseAllDatasets();
    settle();
    EXPECT_TRUE(m_window.graphWindows().empty());
    open(set);
    event = graph("Cut");
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(event->bLoadedFromPlotFile());
    EXPECT_EQ(used(*event).size(), 2u);
    const auto& indexes = event->owner()->pointIndexes();
    EXPECT_EQ(std::find(indexes.begin(), indexes.end(), index), indexes.end());
    EXPECT_NE(std::find(indexes.begin(), indexes.end(), index + 1), indexes.end());
}

TEST_F(GraphWindows, AnEventGraphClosedByTheUserSavesItsPlotFileAndADamagedOneIsDrawnPlain) {
    const fs::path set = fixtureSet();
    open(set);
    frmpeGraph* event = graph("E1");
    ASSERT_NE(event, nullptr);
    graphs::clsGraph* owner = event->owner();
    const std::string plotFile = owner->sPlotFile();
    event->ProcessMsg(8);  // insert text
    sized(*event);
    mouse(*event, QEvent::MouseButtonRelease, pixelOf(*event, 50));
    ASSERT_EQ(used(*event).size(), 1u);
    EXPECT_EQ(used(*event)[0].text, graphs::kDefaultAnnotationText);
    EXPECT_TRUE(event->subWindow()->close());
    settle();
    EXPECT_TRUE(owner->bClosedByUser());
    EXPECT_EQ(graph("E1"), nullptr);
    ASSERT_TRUE(fs::exists(plotFile));

    m_window.graphs().CloseAllDatasets();
    testsupport::writeFile(plotFile, "{ not a plot");
    m_prompt.clear();
    open(set);
    event = graph("E1");
    ASSERT_NE(event, nullptr);
    EXPECT_FALSE(event->bLoadedFromPlotFile());
    EXPECT_TRUE(used(*event).empty());
    EXPECT_EQ(event->plot().state().mainTitle.text, "E1");
    const auto messages = m_prompt.messages();
    EXPECT_NE(std::find_if(messages.begin(), messages.end(),
                           [&](const std::string& m) {
                               return m.find(fs::path(plotFile).filename().string()) !=
                                      std::string::npos;
                           }),
              messages.end());
}

TEST_F(GraphWindows, AMovedPointTakesThePointerValueAndADraggedAnnotationFollowsTheMouse) {
    open(fixtureSet());
    frmpeGraph* w = graph("E1");
    ASSERT_NE(w, nullptr);
    sized(*w);
    trigger(*w, "MenuMoveBadDataPt");
    const std::int32_t point = 5000;
    const std::int32_t index = w->owner()->pointIndexes().at(point);
    const QPointF at = pixelOf(*w, point);
    mouse(*w, QEvent::MouseButtonPress, at);
    EXPECT_EQ(w->clickState().mode(), graphs::kModeMoveTarget);
    mouse(*w, QEvent::MouseButtonRelease, at);  // the picking click's release moves nothing
    const QPointF target(at.x(), at.y() - 80);
    double unused = 0, value = 0;
    w->plot().pixelToGraph(target, unused, value);
    mouse(*w, QEvent::MouseButtonRelease, target);
    EXPECT_EQ(w->clickState().mode(), graphs::kModeMovePoint);
    const auto moved = w->owner()->dataset()->graphValue(w->owner()->lGraphNr(), index);
    ASSERT_TRUE(moved.has_value());
    EXPECT_NEAR(*moved, value, 1e-9);
    w->ProcessMsg(1);

    // A line drawn in line mode, then its end dragged in normal mode.
    w->ProcessMsg(6);
    mouse(*w, QEvent::MouseButtonRelease, QPointF(200, 200));
    mouse(*w, QEvent::MouseButtonRelease, QPointF(400, 300));
    ASSERT_EQ(used(*w).size(), 2u);
    w->plot().relayout();
    const graphs::Annotation end = used(*w)[1];
    const QPointF grab = w->plot().graphToPixel(end.x, end.y);
    mouse(*w, QEvent::MouseButtonPress, grab);
    mouse(*w, QEvent::MouseMove, grab + QPointF(30, 20));
    mouse(*w, QEvent::MouseButtonRelease, grab + QPointF(30, 20));
    double x = 0, y = 0;
    w->plot().pixelToGraph(grab + QPointF(30, 20), x, y);
    EXPECT_NEAR(used(*w)[1].x, x, 1e-9);
    EXPECT_NEAR(used(*w)[1].y, y, 1e-9);
}

TEST_F(GraphWindows, PointsBoxFunctionsDrawTheirResultsAndTheImpulseBracket) {
    open(fixtureSet());
    frmpeGraph* w = graph("E1");
    ASSERT_NE(w, nullptr);
    w->Activate();
    graphs::GraphWindowContext& c = m_window.graphWindowContext();
    double x1, y1, x2, y2;
    ASSERT_TRUE(w->owner()->Get2Pts(1000, 3000, x1, y1, x2, y2));
    c.picked.StoreTwoPoints({x1, y1}, {x2, y2}, "");
    w->ProcessMsg(63);
    ASSERT_EQ(used(*w).size(), 3u);
    EXPECT_EQ(used(*w)[2].text, measure::timeDifferenceLabel(x1, x2, "ms") + " ");

    w->ProcessMsg(66);
    const auto entries = used(*w);
    ASSERT_EQ(entries.size(), 8u);
    for (std::size_t n = 3; n < 7; ++n) EXPECT_EQ(entries[n].colour, graphs::kRed) << n;
    EXPECT_EQ(entries[3].type, graphs::AnnotationType::MediumLineStart);
    EXPECT_EQ(entries[4].y, 0.0);
    EXPECT_EQ(entries[5].y, 0.0);
    EXPECT_EQ(entries[7].text.rfind("I = ", 0), 0u);
    EXPECT_NE(entries[7].text.find(" (From "), std::string::npos);
    EXPECT_EQ(w->plot().state().yLabel.text, "Pressure ");
}

TEST_F(GraphWindows, AnEventGraphCanBeRenamedAndDeleted) {
    open(fixtureSet());
    frmpeGraph* w = graph("E1");
    ASSERT_NE(w, nullptr);
    files::clsDataset* dataset = w->owner()->dataset();
    const std::int32_t number = w->owner()->lGraphNr();
    m_prompt.answerInput(std::string("Renamed"));
    trigger(*w, "MenuRename");
    EXPECT_EQ(w->windowTitle(), "Renamed");
    EXPECT_EQ(dataset->sGetGraphIniStr(number, "EventTitle"), "Renamed");
    trigger(*w, "MenuGraphDelete");
    settle();
    EXPECT_TRUE(dataset->bGraphDeleted(number));
    EXPECT_EQ(graph("Renamed"), nullptr);
    EXPECT_EQ(m_window.graphWindows().size(), 2u);
}

TEST_F(GraphWindows, MenusShowTheCommandsOfTheirKindOfGraph) {
    open(sampleSet());
    const fs::path set = fixtureSet();
    ASSERT_TRUE(m_window.OpenTestSetFile(set.string()));
    struct Case {
        const char* title;
        bool event, vod;
    } cases[] = {{"Channel 1", false, true}, {"Channel 2", false, false}, {"E1", true, false}};
    for (const Case& c : cases) {
        frmpeGraph* w = nullptr;
        for (frmpeGraph* candidate : m_window.graphWindows())
            if (candidate->windowTitle() == c.title &&
                candidate->owner()->bIsVODgraph() == c.vod)
                w = candidate;
        ASSERT_NE(w, nullptr) << c.title;
        for (const char* item : {"MenuRename", "MenuGraphDelete", "MenuSaveCurrentStartEndTimes"})
            EXPECT_EQ(w->action(item)->isVisible(), c.event) << c.title << item;
        for (const char* item : {"MenuVODLR", "MenuVOD2pt", "MenuRemoveDownSpikes"})
            EXPECT_EQ(w->action(item)->isVisible(), c.vod) << c.title << item;
        EXPECT_EQ(w->action("MenuOffset")->isVisible(), !c.vod) << c.title;
        EXPECT_TRUE(w->action("MenuPreviewOff")->isChecked());
    }
}

TEST_F(GraphWindows, VodCommandsAndOffsetAreRefusedWhereTheyDoNotApply) {
    open(sampleSet());
    frmpeGraph* scope = graph("Channel 2");
    ASSERT_NE(scope, nullptr);
    ASSERT_FALSE(scope->owner()->bIsVODgraph());
    m_prompt.clear();
    trigger(*scope, "MenuVOD2pt");
    EXPECT_EQ(scope->clickState().mode(), graphs::kModeNormal);
    trigger(*scope, "MenuOffset");
    EXPECT_EQ(scope->clickState().mode(), graphs::kModeNormal);
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{measure::kNotAVodGraph,
                                                             graphs::kOffsetOnOriginalGraph}));
}

TEST_F(GraphWindows, ClicksOnAGraphWithoutPointsChangeNothing) {
    open(fixtureSet());
    frmpeGraph* w = graph("E1");
    ASSERT_NE(w, nullptr);
    sized(*w);
    w->SetData({}, {}, 0, 10, 20, 0, 1);
    for (const std::int32_t code : {3, 10, 4, 6}) {
        w->ProcessMsg(code);
        click(*w, QPointF(300, 200));
        click(*w, QPointF(400, 250));
        w->ProcessMsg(1);
    }
    trigger(*w, "MenuRemoveBadDataPt");
    click(*w, QPointF(300, 200));
    EXPECT_TRUE(w->plot().state().y.empty());
}

TEST_F(GraphWindows, CopyXAndYDataPutsTheShownPointsOnTheClipboard) {
    open(fixtureSet());
    frmpeGraph* w = graph("E1");
    ASSERT_NE(w, nullptr);
    w->applyZoomBox({12.0, 12.0095, w->limits().yMin, w->limits().yMax});  // 10 points
    m_prompt.clear();
    trigger(*w, "MenuCopyXandYdata");
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{measure::kCopiedToClipboard}));
    const QStringList lines =
        QGuiApplication::clipboard()->text().split(QRegularExpression("[\\r\\n]+"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_TRUE(lines.front().startsWith("12.0,")) << lines.front().toStdString();
}

TEST_F(GraphWindows, FileExitOfAGraphWindowClosesTheTestsOnceItsHandlerHasReturned) {
    open(fixtureSet());
    frmpeGraph* w = graph("E1");
    ASSERT_NE(w, nullptr);
    trigger(*w, "MenuFileExit");
    // Still there while the menu command runs: it would otherwise delete its own window.
    EXPECT_TRUE(m_window.graphs().IsAnyDatasetOpen());
    settle();
    EXPECT_FALSE(m_window.graphs().IsAnyDatasetOpen());
    EXPECT_TRUE(m_window.graphWindows().empty());
    EXPECT_TRUE(m_window.startBox()->isVisible());
}

TEST_F(GraphWindows, ClosingTheMainWindowWithTestsOpenReturnsToTheStartBox) {
    open(fixtureSet());
    ASSERT_EQ(m_window.graphWindows().size(), 3u);
    EXPECT_FALSE(m_window.close());
    settle();
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_TRUE(m_window.startBox()->isVisible());
    EXPECT_FALSE(m_window.graphs().IsAnyDatasetOpen());
    EXPECT_TRUE(m_window.graphWindows().empty());
}

}  // namespace
