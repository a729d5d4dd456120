// The graph window's plain state: zoom history, the zoom-box rule and the two-point pick.

#include <gtest/gtest.h>

#include "analysis/graphs/window/ClickState.h"
#include "analysis/graphs/window/ZoomHistory.h"

namespace {

using graphs::PlotLimits;

PlotLimits limitsOfZoom(int n) { return {double(n), double(n) + 10.0, -double(n), double(n)}; }

TEST(ZoomHistory, NestedZoomsBeyondTheTopLevelKeepTheFirstPlotAndTheNewestZooms) {
    graphs::ZoomHistory history;
    const PlotLimits first{-0.3, 10.3, -1.0, 1.0};
    history.reset(first);
    for (int n = 1; n <= 45; ++n) history.push(limitsOfZoom(n));
    EXPECT_EQ(history.level(), graphs::ZoomHistory::kTopLevel);
    EXPECT_EQ(history.current(), limitsOfZoom(45));
    EXPECT_EQ(history.entry(0), first);
    // Unzooming walks back through the 40 newest zooms (45 down to 6), then the first plot.
    for (int n = 44; n >= 6; --n) EXPECT_EQ(history.unzoom(), limitsOfZoom(n)) << n;
    EXPECT_EQ(history.unzoom(), first);
    EXPECT_EQ(history.level(), 0);
    EXPECT_FALSE(history.unzoom().has_value());
    EXPECT_EQ(history.level(), 0);
}

TEST(ZoomHistory, ResetToFullRangeAfterThreeZoomsRestoresTheFirstLimits) {
    graphs::ZoomHistory history;
    const PlotLimits first{0, 100, 0, 5};
    history.reset(first);
    for (int n = 1; n <= 3; ++n) history.push(limitsOfZoom(n));
    EXPECT_EQ(history.resetToFull(), first);
    EXPECT_EQ(history.level(), 0);
}

TEST(ZoomBox, ABoxOfNearlyTheWholeHeightIsWidenedAndASmallerOneUsedAsDrawn) {
    const PlotLimits shown{0, 10, 0, 100};
    struct Case {
        double boxLow, boxHigh;  // Y extents of the box
        double low, high;        // Y limits that follow
    } cases[] = {
        {0.5, 99.5, 0.5 - 0.03 * 99, 99.5 + 0.03 * 99},  // 99 %: widened by 3 % of the box
        {5, 95, 5, 95},                                  // 90 %: as drawn
        {1, 99, 1, 99},                                  // exactly 98 %: as drawn
    };
    for (const Case& c : cases) {
        const PlotLimits box{2, 4, c.boxLow, c.boxHigh};
        const PlotLimits result = graphs::zoomBoxLimits(shown, box);
        EXPECT_DOUBLE_EQ(result.xMin, 2);
        EXPECT_DOUBLE_EQ(result.xMax, 4);
        EXPECT_NEAR(result.yMin, c.low, 1e-9) << c.boxLow;
        EXPECT_NEAR(result.yMax, c.high, 1e-9) << c.boxHigh;
    }
}

TEST(ClickState, APairNeedsTwoDifferentPointsAndTheNextClickEndsIt) {
    graphs::ClickState clicks;
    clicks.setMode(graphs::kModeVodTwoPoints);
    EXPECT_EQ(clicks.pick(7), graphs::PickStep::First);
    EXPECT_EQ(clicks.pick(7), graphs::PickStep::Ignored);
    EXPECT_EQ(clicks.pickedCount(), 1);
    EXPECT_EQ(clicks.pick(12), graphs::PickStep::Pair);
    EXPECT_EQ(clicks.mode(), graphs::kModeNormal);
    EXPECT_EQ(clicks.pickedPoint(0), 7);
    EXPECT_EQ(clicks.pickedPoint(1), 12);
    EXPECT_EQ(clicks.pick(3), graphs::PickStep::Ended);
    EXPECT_FALSE(clicks.pickActive());
    EXPECT_EQ(clicks.pick(3), graphs::PickStep::Ignored);
}

TEST(ClickState, OutsideATwoPointModeClicksPickNothing) {
    graphs::ClickState clicks;
    clicks.setMode(graphs::kModeRemovePoint);
    EXPECT_EQ(clicks.pick(4), graphs::PickStep::Ignored);
    clicks.setMode(graphs::kModeLine);
    EXPECT_FALSE(clicks.addEndpoint(1, 2));
    EXPECT_TRUE(clicks.addEndpoint(3, 4));
    EXPECT_EQ(clicks.endpointX(0), 1);
    EXPECT_EQ(clicks.endpointY(1), 4);
}

}  // namespace
