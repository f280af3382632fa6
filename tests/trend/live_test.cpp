// The trend's feed on plain answers: what it appends and counts, the alarm
// it feeds, and its clock over weeks of answers.
#include "views/trend_live.h"

#include "core/globals.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

qzan::protocol::Measurement Answer(std::uint16_t measured)
{
    qzan::protocol::Measurement m;
    m.measured = measured;
    m.edge1 = 100;
    m.edge2 = static_cast<std::uint16_t>(100 + measured);
    m.teach = 400;
    m.tolerance = 10;
    return m;
}

TEST(TrendFeed, appendsEachAnswerAndFeedsTheAlarmAndTheFiguresSinceReset)
{
    trend::Live live;
    const auto t0 = steady_clock::now();
    const std::uint16_t values[] = {400, 410, 411, 389, 420, 400, 400, 400};
    for (std::size_t i = 0; i < std::size(values); ++i)
        trend::Feed(live, t0 + milliseconds(40 * i), Answer(values[i]));
    const auto &s = live.series;
    ASSERT_EQ(s.Size(), 8u);
    EXPECT_EQ(s.Times()[7], 280u);
    EXPECT_EQ(s.Edge2()[1], 510.0f);
    // 410 lies on the band's edge: inside, as the sensor's own judgement.
    EXPECT_EQ(s.OutsideCount(0, 8), 3u);
    EXPECT_FALSE(s.Outside(1));
    EXPECT_TRUE(s.Outside(2));
    // 411, 389, 420 in a row: 3 of 5, started once, over two answers later.
    EXPECT_EQ(live.alarmStarts, 1u);
    EXPECT_FALSE(live.alarm.Active());
    EXPECT_TRUE(live.alarm.Latched());
    EXPECT_EQ(live.answers, 8u);
    const auto figures = live.sinceReset.Now(trend::LimitsOf(s.BandAt(7)));
    EXPECT_EQ(figures.count, 8u);
    EXPECT_EQ(figures.outside, 3u);
    EXPECT_EQ(figures.max, 420);
}

TEST(TrendFeed, aSetpointOutsideTheEvaluationWindowLeavesCpAndCpkNotDefined)
{
    const unsigned short begin = eBeg, end = eEnd;
    trend::Live live;
    const auto t0 = steady_clock::now();
    const std::uint16_t values[] = {395, 400, 405, 402};
    eBeg = 100;
    eEnd = 399; // the setpoint 400 lies one pixel beyond the window
    for (std::size_t i = 0; i < std::size(values); ++i)
        trend::Feed(live, t0 + milliseconds(40 * i), Answer(values[i]));
    auto figures = live.sinceReset.Now(trend::LimitsOf(live.series.BandAt(3)));
    EXPECT_FALSE(figures.cp.has_value());
    EXPECT_FALSE(figures.cpk.has_value());
    EXPECT_EQ(figures.count, 4u);
    eEnd = 400; // on the window's edge: judged
    trend::Feed(live, t0 + milliseconds(200), Answer(398));
    figures = live.sinceReset.Now(trend::LimitsOf(live.series.BandAt(4)));
    EXPECT_TRUE(figures.cp.has_value());
    EXPECT_TRUE(figures.cpk.has_value());
    eBeg = begin;
    eEnd = end;
}

TEST(TrendFeed, itsClockStartsAfreshBeforeThirtyTwoBitsOfMillisecondsRunOut)
{
    trend::Live live;
    const auto t0 = steady_clock::now();
    trend::Feed(live, t0, Answer(400));
    trend::Feed(live, t0 + hours(30 * 24), Answer(401));
    const double epoch = live.originEpochMs;
    ASSERT_EQ(live.series.Size(), 2u);
    EXPECT_EQ(live.series.Times()[1], 30u * 24 * 3600 * 1000);
    // 40 days after the oldest answer kept: the times would not fit.
    trend::Feed(live, t0 + hours(40 * 24), Answer(403));
    ASSERT_EQ(live.series.Size(), 1u);
    EXPECT_EQ(live.series.Times()[0], 0u);
    EXPECT_EQ(live.series.Measured()[0], 403.0f);
    EXPECT_EQ(live.originEpochMs, epoch + 40.0 * 24 * 3600 * 1000);
    EXPECT_EQ(live.answers, 3u);
}

} // namespace
