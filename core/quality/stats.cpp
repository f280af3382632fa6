#include "core/quality/stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <boost/accumulators/accumulators.hpp>
#include <boost/accumulators/statistics/count.hpp>
#include <boost/accumulators/statistics/max.hpp>
#include <boost/accumulators/statistics/mean.hpp>
#include <boost/accumulators/statistics/min.hpp>
#include <boost/accumulators/statistics/stats.hpp>
#include <boost/accumulators/statistics/variance.hpp>
#include <boost/histogram.hpp>

namespace qzan::quality {

namespace acc = boost::accumulators;

namespace {

// Count, mean, variance (updated with every value, so a constant series
// keeps exactly no spread), minimum and maximum.
using Accumulator =
    acc::accumulator_set<double, acc::stats<acc::tag::count, acc::tag::mean, acc::tag::variance,
                                             acc::tag::min, acc::tag::max>>;

double HalfWidth(const Limits &limits) { return std::max(limits.tolerance, 0.0); }

// Everything but the count outside and its share, worked out from the sums.
Figures FromSums(const Accumulator &sums, const Limits &limits) {
    Figures f;
    f.count = acc::count(sums);
    if (f.count == 0)
        return f;
    f.mean = acc::mean(sums);
    f.min = acc::min(sums);
    f.max = acc::max(sums);
    f.range = f.max - f.min;
    if (f.count >= 2 && f.range > 0) {
        // The accumulator's variance divides by n; the sample's by n-1.
        const double n = static_cast<double>(f.count);
        f.sd = std::sqrt(std::max(acc::variance(sums), 0.0) * n / (n - 1));
    }
    const bool defined = f.count >= 2 && f.sd > 0 && std::isfinite(f.sd) &&
                         std::isfinite(f.mean) && limits.setpointValid &&
                         std::isfinite(limits.setpoint) && std::isfinite(limits.tolerance) &&
                         limits.tolerance > 0;
    if (defined) {
        const double upper = limits.setpoint + limits.tolerance;
        const double lower = limits.setpoint - limits.tolerance;
        const double cp = 2 * limits.tolerance / (6 * f.sd);
        const double cpk = std::min(upper - f.mean, f.mean - lower) / (3 * f.sd);
        if (std::isfinite(cp) && std::isfinite(cpk)) {
            f.cp = cp;
            f.cpk = cpk;
        }
    }
    return f;
}

void Share(Figures &f, std::size_t outside) {
    f.outside = outside;
    f.outsideShare = f.count ? static_cast<double>(outside) / static_cast<double>(f.count) : 0;
}

} // namespace

bool Outside(double value, const Limits &limits) {
    if (!std::isfinite(limits.setpoint) || !std::isfinite(limits.tolerance))
        return false;
    if (!std::isfinite(value))
        return true;
    const double half = HalfWidth(limits);
    return value < limits.setpoint - half || value > limits.setpoint + half;
}

Figures Describe(std::span<const float> values, const Limits &limits) {
    Accumulator sums;
    std::size_t outside = 0;
    for (float v : values) {
        if (!std::isfinite(v))
            continue;
        sums(static_cast<double>(v));
        outside += Outside(v, limits) ? 1 : 0;
    }
    Figures f = FromSums(sums, limits);
    Share(f, outside);
    return f;
}

struct Running::Sums {
    Accumulator sums;
};

Running::Running() : sums_(std::make_unique<Sums>()) {}
Running::~Running() = default;
Running::Running(const Running &other)
    : sums_(std::make_unique<Sums>(*other.sums_)), outside_(other.outside_) {}
Running &Running::operator=(const Running &other) {
    if (this != &other) {
        *sums_ = *other.sums_;
        outside_ = other.outside_;
    }
    return *this;
}

void Running::Add(double value, const Limits &limits) {
    if (!std::isfinite(value))
        return;
    sums_->sums(value);
    outside_ += Outside(value, limits) ? 1 : 0;
}

void Running::Reset() {
    sums_->sums = Accumulator();
    outside_ = 0;
}

Figures Running::Now(const Limits &limits) const {
    Figures f = FromSums(sums_->sums, limits);
    Share(f, outside_);
    return f;
}

Bins Histogram(std::span<const float> values, double low, double high, int bins) {
    constexpr int MOST_BINS = 100000;
    if (low > high)
        std::swap(low, high);
    if (low == high) {
        low -= 0.5;
        high += 0.5;
    }
    Bins out{low, high, {}};
    if (bins < 1 || !std::isfinite(low) || !std::isfinite(high) || !std::isfinite(high - low))
        return out;
    bins = std::min(bins, MOST_BINS);
    namespace bh = boost::histogram;
    auto h = bh::make_histogram_with(
        std::vector<std::size_t>(),
        bh::axis::regular<double, bh::use_default, bh::use_default, bh::axis::option::none_t>(
            static_cast<unsigned>(bins), low, high));
    std::size_t atTop = 0;
    for (float v : values) {
        const double x = v;
        if (!std::isfinite(x))
            continue;
        if (x == high)
            ++atTop; // the top edge belongs to the last bin
        else
            h(x);
    }
    out.counts.reserve(static_cast<std::size_t>(bins));
    for (auto &&cell : bh::indexed(h))
        out.counts.push_back(*cell);
    out.counts.back() += atTop;
    return out;
}

Bins HistogramOf(std::span<const float> values) {
    double low = 0, high = 0;
    std::size_t count = 0;
    bool whole = true;
    for (float v : values) {
        if (!std::isfinite(v))
            continue;
        low = count ? std::min(low, double{v}) : v;
        high = count ? std::max(high, double{v}) : v;
        whole = whole && std::trunc(v) == v;
        ++count;
    }
    if (count == 0)
        return {};
    if (whole && high - low < MOST_PIXEL_BINS) {
        const int bins = static_cast<int>(high - low) + 1;
        return Histogram(values, low - 0.5, high + 0.5, bins);
    }
    const int bins = std::clamp(static_cast<int>(std::ceil(std::sqrt(double(count)))), 5,
                                MOST_PIXEL_BINS);
    return Histogram(values, low, high, bins);
}

std::string FigureText(const std::optional<double> &value, int decimals) {
    if (!value || !std::isfinite(*value))
        return NOT_DEFINED;
    decimals = std::clamp(decimals, 0, 15);
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    std::string s = text;
    if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

} // namespace qzan::quality
