// The trend's store on plain values: ranges of any stretch from the block
// summaries agree with a plain scan, columns of a drawing hold exactly the
// answers of their time, the band runs and the outside count, and a full
// store that drops its oldest quarter keeps the rest as it was.
#include "core/quality/series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using qzan::quality::Band;
using qzan::quality::Channel;
using qzan::quality::Column;
using qzan::quality::Series;

void PlainRange(const Channel &c, std::size_t first, std::size_t last, float &low, float &high)
{
    low = c[first];
    high = c[first];
    for (std::size_t i = first; i < last; ++i) {
        low = std::min(low, c[i]);
        high = std::max(high, c[i]);
    }
}

TEST(TrendSeries, rangesOfAnyStretchAgreeWithAPlainScan)
{
    Channel c;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(0, 1024);
    // Past one top block, so that every level takes part.
    const std::size_t n = Channel::kTopBlock + 4321;
    for (std::size_t i = 0; i < n; ++i)
        c.Add(value(rng));
    // An extreme inside a block that is summarised on every level.
    c.Add(2000);
    std::uniform_int_distribution<std::size_t> index(0, c.Size());
    int checked = 0;
    for (int round = 0; round < 3000; ++round) {
        std::size_t a = index(rng), b = index(rng);
        if (round % 3 == 0)
            b = std::min(c.Size(), a + round % 40); // short stretches too
        if (a > b)
            std::swap(a, b);
        float low = -1, high = -1;
        if (a == b) {
            EXPECT_FALSE(c.Range(a, b, low, high));
            continue;
        }
        ASSERT_TRUE(c.Range(a, b, low, high));
        float plainLow, plainHigh;
        PlainRange(c, a, b, plainLow, plainHigh);
        ASSERT_EQ(low, plainLow) << a << ".." << b;
        ASSERT_EQ(high, plainHigh) << a << ".." << b;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
    float low, high;
    ASSERT_TRUE(c.Range(0, c.Size(), low, high));
    EXPECT_EQ(high, 2000);
    EXPECT_FALSE(c.Range(c.Size(), c.Size() + 5, low, high)) << "past the end is empty";
}

TEST(TrendSeries, columnsHoldTheAnswersOfTheirTimeAndGapsStayEmpty)
{
    Series s;
    // One answer every 40 ms for 10 s, a pause of 5 s, then 2 s more.
    std::uint32_t t = 0;
    for (int i = 0; i < 250; ++i, t += 40)
        s.Add(t, static_cast<float>(i % 50), 1, 2, {25, 10}, false);
    t += 5000;
    for (int i = 0; i < 50; ++i, t += 40)
        s.Add(t, 100.0f + static_cast<float>(i), 1, 2, {25, 10}, true);

    std::vector<Column> columns(19);
    s.Summarise(s.Measured(), 0, 19000, columns); // 1 s a column
    std::size_t total = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column &col = columns[c];
        total += col.last - col.first;
        for (std::size_t i = col.first; i < col.last; ++i) {
            EXPECT_GE(s.Times()[i], c * 1000.0);
            EXPECT_LT(s.Times()[i], (c + 1) * 1000.0);
        }
        if (!col.Empty()) {
            float low, high;
            PlainRange(s.Measured(), col.first, col.last, low, high);
            EXPECT_EQ(col.low, low);
            EXPECT_EQ(col.high, high);
        }
    }
    EXPECT_EQ(total, s.Size());
    EXPECT_FALSE(columns[9].Empty());
    for (int c = 11; c < 14; ++c)
        EXPECT_TRUE(columns[static_cast<std::size_t>(c)].Empty()) << "the pause, column " << c;
    EXPECT_EQ(columns[15].low, 100.0f);

    // A time span that is nothing (or not a number) gives empty columns.
    s.Summarise(s.Measured(), 5000, 5000, columns);
    EXPECT_TRUE(std::all_of(columns.begin(), columns.end(), [](const Column &c) { return c.Empty(); }));
    s.Summarise(s.Measured(), std::nan(""), 100, columns);
    EXPECT_TRUE(columns[0].Empty());
}

TEST(TrendSeries, bandsAreKeptAsRunsAndOutsideIsCountedPerAnswer)
{
    Series s;
    for (std::uint32_t i = 0; i < 300; ++i) {
        const Band band = i < 100 ? Band{400, 20} : i < 200 ? Band{410, 20} : Band{410, 5};
        s.Add(i * 37, 400, 0, 0, band, i % 3 == 0);
    }
    ASSERT_EQ(s.Bands().size(), 3u);
    EXPECT_EQ(s.Bands()[1].first, 100u);
    EXPECT_EQ(s.BandAt(99), (Band{400, 20}));
    EXPECT_EQ(s.BandAt(100), (Band{410, 20}));
    EXPECT_EQ(s.BandAt(299), (Band{410, 5}));
    for (auto [a, b] : {std::pair<std::size_t, std::size_t>{0, 300}, {1, 2}, {5, 130}, {63, 129},
                        {64, 128}, {250, 900}}) {
        std::size_t plain = 0;
        for (std::size_t i = a; i < std::min<std::size_t>(b, 300); ++i)
            plain += i % 3 == 0 ? 1 : 0;
        EXPECT_EQ(s.OutsideCount(a, b), plain) << a << ".." << b;
    }
}

TEST(TrendSeries, timesNeverGoBackAndNonNumbersAreRefused)
{
    Series s;
    EXPECT_TRUE(s.Add(1000, 1, 1, 1, {}, false));
    EXPECT_TRUE(s.Add(900, 2, 1, 1, {}, false));
    EXPECT_EQ(s.Times()[1], 1000u);
    EXPECT_FALSE(s.Add(2000, std::nanf(""), 1, 1, {}, false));
    EXPECT_FALSE(s.Add(2000, 1, INFINITY, 1, {}, false));
    EXPECT_EQ(s.Size(), 2u);
    EXPECT_EQ(s.IndexAt(999.5), 0u);
    EXPECT_EQ(s.IndexAt(1000.5), 2u);
    s.Add(5000, 3, 1, 1, {}, false);
    s.ShiftTimes(2000);
    EXPECT_EQ(s.Times()[0], 0u) << "none below 0";
    EXPECT_EQ(s.Times()[2], 3000u);
}

TEST(TrendSeries, aFullStoreDropsItsOldestQuarterAndKeepsTheRestIntact)
{
    Series s(4 * Channel::kTopBlock);
    const std::size_t capacity = s.Capacity();
    auto value = [](std::size_t i) { return static_cast<float>((i * 7919) % 1000); };
    const std::size_t total = capacity + 10;
    for (std::size_t i = 0; i < total; ++i) {
        const Band band{i < Channel::kTopBlock / 2 ? 1.0f : i < 2 * Channel::kTopBlock ? 2.0f : 3.0f, 1};
        s.Add(static_cast<std::uint32_t>(i), value(i), 0, 0, band, i % 2 == 0);
    }
    EXPECT_EQ(s.Dropped(), Channel::kTopBlock);
    ASSERT_EQ(s.Size(), total - Channel::kTopBlock);
    EXPECT_EQ(s.Times()[0], Channel::kTopBlock);
    EXPECT_EQ(s.Measured()[0], value(Channel::kTopBlock));
    EXPECT_EQ(s.Measured()[s.Size() - 1], value(total - 1));
    // The band in force at the new first answer, then the later ones.
    ASSERT_EQ(s.Bands().size(), 2u);
    EXPECT_EQ(s.BandAt(0).setpoint, 2.0f);
    EXPECT_EQ(s.Bands()[1].first, Channel::kTopBlock);
    EXPECT_EQ(s.OutsideCount(0, s.Size()), (s.Size() + 1) / 2);
    // The summaries moved with the values.
    for (auto [a, b] : {std::pair<std::size_t, std::size_t>{0, s.Size()}, {70000, 200001}}) {
        float low, high, plainLow, plainHigh;
        ASSERT_TRUE(s.Measured().Range(a, b, low, high));
        PlainRange(s.Measured(), a, b, plainLow, plainHigh);
        EXPECT_EQ(low, plainLow);
        EXPECT_EQ(high, plainHigh);
    }
    s.Clear();
    EXPECT_EQ(s.Size(), 0u);
    EXPECT_EQ(s.Dropped(), 0u);
}

} // namespace
