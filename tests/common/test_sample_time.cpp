#include "common/SampleTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

using common::RecordTiming;
using common::SampleTime;
using common::sampleTimeOfRecord;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    const std::vector<std::pair<double, double>> cases = {
        {0.5, 0.0},   {1.5, 2.0},   {2.5, 2.0},   {3.5, 4.0},  {-0.5, 0.0}, {-1.5, -2.0},
        {-2.5, -2.0}, {2.4999, 2.0}, {2.5001, 3.0}, {-2.6, -3.0}, {7.0, 7.0}, {1e300, 1e300},
    };
    for (const auto& [x, expected] : cases) EXPECT_EQ(common::roundHalfEven(x), expected) << x;
}

TEST(FirstPointTime, PreTriggerWordsAreSharedByTheChannels) {
    // Two channels, 1000 words before the trigger at 1 MHz: 500 points per channel.
    const SampleTime time = sampleTimeOfRecord({.words = 4000, .nrChannels = 2,
                                                .sampleSpeedInHz = 1e6, .preTriggerPts = 1000});
    EXPECT_DOUBLE_EQ(time.t0, -0.5);
    EXPECT_DOUBLE_EQ(time.Ts, 0.001);
    EXPECT_EQ(time.N, 2000);
    EXPECT_NEAR(time.timeOfIndex(501), 0.0, 1e-12);
    EXPECT_NEAR(time.timeOfIndex(1), -0.5, 1e-12);
    EXPECT_EQ(time.TimeToIndex(0.0), 501);
}

TEST(FirstPointTime, PreTriggerDivisionTruncates) {
    const RecordTiming odd{.words = 4000, .nrChannels = 2, .sampleSpeedInHz = 1000,
                           .preTriggerPts = 1001};
    EXPECT_EQ(common::preTriggerPointsPerChannel(odd), 500);
    EXPECT_DOUBLE_EQ(sampleTimeOfRecord(odd).t0, -500.0);
}

TEST(FirstPointTime, StopWithoutTriggerPutsTheLastPointAtZero) {
    struct Case {
        std::int64_t words;
        std::int32_t channels;
    };
    for (const Case c : {Case{4000, 2}, Case{4001, 2}, Case{3000, 1}, Case{4003, 2}}) {
        SCOPED_TRACE(c.words);
        const SampleTime time = sampleTimeOfRecord({.words = c.words, .nrChannels = c.channels,
                                                    .sampleSpeedInHz = 1e6,
                                                    .preTriggerPts = 123, .stopPressed = true,
                                                    .triggered = false});
        EXPECT_NEAR(time.timeOfIndex(time.N), 0.0, 1e-12);
    }
    // A trigger that came before the stop keeps the recorded pre-trigger share.
    const SampleTime triggered = sampleTimeOfRecord({.words = 4000, .nrChannels = 2,
                                                     .sampleSpeedInHz = 1e6,
                                                     .preTriggerPts = 1000, .stopPressed = true,
                                                     .triggered = true});
    EXPECT_DOUBLE_EQ(triggered.t0, -0.5);
}

TEST(FirstPointTime, RefusesImpossibleRecords) {
    const std::vector<RecordTiming> bad = {
        {.words = 10, .nrChannels = 0, .sampleSpeedInHz = 1000},
        {.words = 10, .nrChannels = -1, .sampleSpeedInHz = 1000},
        {.words = 10, .nrChannels = 1, .sampleSpeedInHz = 0},
        {.words = 10, .nrChannels = 1, .sampleSpeedInHz = -5},
        {.words = 10, .nrChannels = 1, .sampleSpeedInHz = std::nan("")},
        {.words = 10, .nrChannels = 1,
         .sampleSpeedInHz = std::numeric_limits<double>::infinity()},
        {.words = std::int64_t{1} << 40, .nrChannels = 1, .sampleSpeedInHz = 1000},
    };
    for (const auto& record : bad) EXPECT_THROW(sampleTimeOfRecord(record), std::invalid_argument);
}

TEST(TimeToIndex, RoundsHalvesToEvenAndStaysInsideTheRecord) {
    const SampleTime time{.Ts = 1.0, .t0 = 0.0, .N = 10};
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, std::int32_t>> cases = {
        {0.0, 1},  {0.49, 1}, {0.5, 1},   {0.51, 2}, {1.5, 3},   {2.5, 3},  {3.5, 5},
        {8.5, 9},  {9.0, 10}, {9.5, 10},  {-0.5, 1}, {-0.6, 1},  {-1e300, 1}, {1e300, 10},
        {inf, 10}, {-inf, 1}, {std::nan(""), 1},
    };
    for (const auto& [t, expected] : cases) EXPECT_EQ(time.TimeToIndex(t), expected) << t;
}

TEST(TimeToIndex, FindsEveryPointFromItsOwnTime) {
    const SampleTime time = sampleTimeOfRecord({.words = 6000, .nrChannels = 2,
                                                .sampleSpeedInHz = 2.5e6, .preTriggerPts = 602});
    for (std::int32_t i = 1; i <= time.N; ++i) ASSERT_EQ(time.TimeToIndex(time.timeOfIndex(i)), i);
}

TEST(TimeToIndex, EmptyRecordGivesOne) {
    const SampleTime empty{.Ts = 1.0, .t0 = 0.0, .N = 0};
    EXPECT_EQ(empty.TimeToIndex(5.0), 1);
}

}  // namespace
