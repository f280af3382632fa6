// The figures of a series held against numbers worked out by hand or by the
// plain two-pass formulas, and the edges where a figure is not defined.
#include "core/quality/stats.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace q = qzan::quality;

namespace {

const std::vector<float> kSeries{10, 12, 14, 16, 18};

// Mean and sample standard deviation, two passes, nothing clever.
struct Plain {
    double mean = 0, sd = 0;
};
Plain PlainFigures(const std::vector<float> &v) {
    double sum = 0;
    for (float x : v)
        sum += x;
    const double mean = sum / static_cast<double>(v.size());
    double squares = 0;
    for (float x : v)
        squares += (x - mean) * (x - mean);
    return {mean, std::sqrt(squares / static_cast<double>(v.size() - 1))};
}

void ExpectSame(const q::Figures &a, const q::Figures &b) {
    EXPECT_EQ(a.count, b.count);
    EXPECT_DOUBLE_EQ(a.mean, b.mean);
    EXPECT_DOUBLE_EQ(a.sd, b.sd);
    EXPECT_EQ(a.min, b.min);
    EXPECT_EQ(a.max, b.max);
    EXPECT_EQ(a.outside, b.outside);
    EXPECT_DOUBLE_EQ(a.outsideShare, b.outsideShare);
    ASSERT_EQ(a.cp.has_value(), b.cp.has_value());
    ASSERT_EQ(a.cpk.has_value(), b.cpk.has_value());
    if (a.cp) {
        EXPECT_DOUBLE_EQ(*a.cp, *b.cp);
        EXPECT_DOUBLE_EQ(*a.cpk, *b.cpk);
    }
}

} // namespace

TEST(QualityFigures, KnownSeriesAgainstHandWorkedNumbers) {
    const double root10 = std::sqrt(10.0); // squares 16+4+0+4+16 over n-1 = 4
    const auto f = q::Describe(kSeries, {14, 6});
    EXPECT_EQ(f.count, 5u);
    EXPECT_DOUBLE_EQ(f.mean, 14);
    EXPECT_NEAR(f.sd, root10, 1e-12);
    EXPECT_EQ(f.min, 10);
    EXPECT_EQ(f.max, 18);
    EXPECT_EQ(f.range, 8);
    EXPECT_EQ(f.outside, 0u);
    EXPECT_EQ(f.outsideShare, 0);
    ASSERT_TRUE(f.cp && f.cpk);
    EXPECT_NEAR(*f.cp, 12 / (6 * root10), 1e-12);
    EXPECT_NEAR(*f.cpk, 6 / (3 * root10), 1e-12);

    // Band 13..19: 10 and 12 lie outside; the nearer limit is 1 from the mean.
    const auto off = q::Describe(kSeries, {16, 3});
    EXPECT_EQ(off.outside, 2u);
    EXPECT_DOUBLE_EQ(off.outsideShare, 0.4);
    EXPECT_NEAR(*off.cp, 6 / (6 * root10), 1e-12);
    EXPECT_NEAR(*off.cpk, 1 / (3 * root10), 1e-12);

    // A setpoint beyond every value: Cpk goes negative, the formula holds.
    const auto far = q::Describe(kSeries, {30, 2});
    EXPECT_EQ(far.outside, 5u);
    EXPECT_NEAR(*far.cpk, (14 - 28) / (3 * root10), 1e-12);
    // ... unless the caller knows the setpoint is invalid.
    const auto invalid = q::Describe(kSeries, {30, 2, false});
    EXPECT_FALSE(invalid.cp);
    EXPECT_FALSE(invalid.cpk);
    EXPECT_EQ(invalid.outside, 5u);
}

TEST(QualityFigures, LongSeriesAgreesWithTwoPassFormula) {
    std::vector<float> v;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        v.push_back(static_cast<float>(2000 + (seed >> 16) % 97) + 0.25f);
    }
    const Plain p = PlainFigures(v);
    const auto f = q::Describe(v, {2048, 40});
    EXPECT_NEAR(f.mean, p.mean, 1e-9 * p.mean);
    EXPECT_NEAR(f.sd, p.sd, 1e-9 * p.sd);
    EXPECT_NEAR(*f.cp, 80 / (6 * p.sd), 1e-9);
    EXPECT_NEAR(*f.cpk, std::min(2088 - p.mean, p.mean - 2008) / (3 * p.sd), 1e-9);
}

TEST(QualityFigures, BandEndsAreInsideAndZeroToleranceIsNotDefined) {
    const std::vector<float> v{8, 20, 7.5f, 20.5f};
    EXPECT_EQ(q::Describe(v, {14, 6}).outside, 2u);
    for (double tol : {0.0, -3.0}) {
        const auto f = q::Describe(kSeries, {14, tol});
        EXPECT_FALSE(f.cp) << tol;
        EXPECT_FALSE(f.cpk) << tol;
        EXPECT_EQ(f.outside, 4u) << tol; // only 14 sits on a band of no width
    }
}

TEST(QualityFigures, ConstantEmptyAndSingleSeriesStayFinite) {
    for (const std::vector<float> &v :
         {std::vector<float>(10000, 4095.7f), std::vector<float>{5}, std::vector<float>{}}) {
        const auto f = q::Describe(v, {14, 6});
        EXPECT_EQ(f.count, v.size());
        EXPECT_EQ(f.sd, 0);
        EXPECT_EQ(f.range, 0);
        EXPECT_FALSE(f.cp);
        EXPECT_FALSE(f.cpk);
        EXPECT_TRUE(std::isfinite(f.mean) && std::isfinite(f.outsideShare));
    }
    const auto empty = q::Describe({}, {14, 6});
    EXPECT_EQ(empty.mean, 0);
    EXPECT_EQ(empty.outsideShare, 0);
}

TEST(QualityFigures, NumbersThatAreNoNumbersAreLeftOut) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = kSeries;
    v.insert(v.begin() + 2, {nan, inf, -inf});
    ExpectSame(q::Describe(v, {14, 6}), q::Describe(kSeries, {14, 6}));

    const auto noSetpoint = q::Describe(kSeries, {std::nan(""), 6});
    EXPECT_EQ(noSetpoint.outside, 0u);
    EXPECT_FALSE(noSetpoint.cp);
    EXPECT_FALSE(q::Describe(kSeries, {14, HUGE_VAL}).cpk);
}

TEST(QualityRunning, AgreesWithDescribeBeforeAndAfterReset) {
    q::Running running;
    for (float x : {1.f, 100.f, 3.f})
        running.Add(x, {14, 6});
    q::Running copy = running;
    running.Reset();
    EXPECT_EQ(running.Now({14, 6}).count, 0u);
    for (float x : kSeries)
        running.Add(x, {14, 6});
    ExpectSame(running.Now({14, 6}), q::Describe(kSeries, {14, 6}));
    // The copy went on from the first values only.
    EXPECT_EQ(copy.Now({14, 6}).count, 3u);
    EXPECT_EQ(copy.Now({14, 6}).outside, 3u);
}

TEST(QualityRunning, CountsOutsideAgainstEachAnswersOwnLimits) {
    q::Running running;
    running.Add(10, {10, 1});  // inside its own band
    running.Add(10, {20, 1});  // outside its own band
    running.Add(20, {20, 1});  // inside
    const auto f = running.Now({100, 1});
    EXPECT_EQ(f.outside, 1u);
    EXPECT_NEAR(f.outsideShare, 1.0 / 3, 1e-12);
    // Capability against the latest limits given.
    ASSERT_TRUE(f.cpk);
    EXPECT_LT(*f.cpk, 0);
}

TEST(QualityHistogram, CountsBinsWithTheTopEdgeInTheLastBin) {
    const std::vector<float> v{0, 0.5f, 1, 1.99f, 2, 3.5f, 4, 4.01f, -0.01f,
                               std::numeric_limits<float>::quiet_NaN()};
    const auto b = q::Histogram(v, 0, 4, 4);
    EXPECT_EQ(b.low, 0);
    EXPECT_EQ(b.high, 4);
    EXPECT_EQ(b.counts, (std::vector<std::size_t>{2, 2, 1, 2}));
    // Ends the wrong way round are swapped.
    EXPECT_EQ(q::Histogram(v, 4, 0, 4).counts, b.counts);
}

TEST(QualityHistogram, DegenerateRequestsGiveSafeAnswers) {
    const std::vector<float> v{7, 7, 7};
    const auto same = q::Histogram(v, 7, 7, 3);
    EXPECT_EQ(same.low, 6.5);
    EXPECT_EQ(same.high, 7.5);
    EXPECT_EQ(same.counts, (std::vector<std::size_t>{0, 3, 0}));
    EXPECT_TRUE(q::Histogram(v, 0, 10, 0).counts.empty());
    EXPECT_TRUE(q::Histogram(v, 0, 10, -5).counts.empty());
    EXPECT_TRUE(q::Histogram(v, 0, HUGE_VAL, 3).counts.empty());
    EXPECT_TRUE(q::Histogram(v, std::nan(""), 10, 3).counts.empty());
    EXPECT_EQ(q::Histogram(v, 0, 10, 1 << 30).counts.size(), 100000u);
}

TEST(QualityText, FiguresAndTheirAbsence) {
    EXPECT_EQ(q::FigureText(std::nullopt, 2), "not defined");
    EXPECT_EQ(q::FigureText(std::nan(""), 2), "not defined");
    EXPECT_EQ(q::FigureText(HUGE_VAL, 2), "not defined");
    EXPECT_EQ(q::FigureText(1.23456, 2), "1.23");
    EXPECT_EQ(q::FigureText(-1.5, 0), "-2");
    EXPECT_EQ(q::FigureText(-0.001, 2), "0.00");
    EXPECT_EQ(q::FigureText(2.5, -4), "2");
    EXPECT_EQ(q::FigureText(1e300, 99).size(), 301u + 16u);
}

TEST(QualityHistogram, BinsThatSuitTheValues) {
    // Whole pixels over a short span: one bin per pixel, centred on it.
    const auto pixels = q::HistogramOf(kSeries);
    EXPECT_EQ(pixels.low, 9.5);
    EXPECT_EQ(pixels.high, 18.5);
    ASSERT_EQ(pixels.counts.size(), 9u);
    EXPECT_EQ(pixels.counts[0], 1u);
    EXPECT_EQ(pixels.counts[1], 0u);
    EXPECT_EQ(pixels.counts[8], 1u);
    // Fractions, or a span too wide for a bin per pixel: the square-root rule.
    std::vector<float> wide;
    for (int i = 0; i < 400; ++i)
        wide.push_back(static_cast<float>(i) * 0.5f);
    const auto root = q::HistogramOf(wide);
    EXPECT_EQ(root.counts.size(), 20u);
    std::size_t total = 0;
    for (std::size_t c : root.counts)
        total += c;
    EXPECT_EQ(total, wide.size()); // the greatest value counts too
    EXPECT_TRUE(q::HistogramOf({}).counts.empty());
    EXPECT_EQ(q::HistogramOf(std::vector<float>{3, 3}).counts, (std::vector<std::size_t>{2}));
}
