// Statistics of measured values against the tolerance band: count, mean,
// spread, extremes, the share outside the band and the process capability,
// for a series at hand or fed one answer at a time; a histogram of a series;
// the text of a figure that may be undefined. Plain C++: values in, values out.
#ifndef CORE_QUALITY_STATS_H
#define CORE_QUALITY_STATS_H

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qzan::quality {

// The tolerance band: setpoint +- tolerance, both ends inside. A negative
// tolerance counts as 0. `setpointValid` is false when the caller knows the
// setpoint makes no sense (it lies outside the evaluated window): the
// capability is then not defined.
struct Limits {
    double setpoint = 0;
    double tolerance = 0;
    bool setpointValid = true;
};

// True when `value` lies outside the band. Nothing is outside a band whose
// setpoint or tolerance is not a finite number; a value that is not one is.
bool Outside(double value, const Limits &limits);

struct Figures {
    std::size_t count = 0;
    // sd: the sample standard deviation (divided by n-1), 0 for fewer than
    // two values. All 0 for an empty series.
    double mean = 0, sd = 0, min = 0, max = 0, range = 0;
    std::size_t outside = 0;   // values outside the band
    double outsideShare = 0;   // outside / count, 0 for an empty series
    // Empty when not defined: fewer than two values, no spread, a tolerance
    // of 0 or less, an invalid setpoint, or a figure that is no finite number.
    std::optional<double> cp, cpk;
};

// The figures of `values`. Values that are no finite number are left out of
// every figure.
Figures Describe(std::span<const float> values, const Limits &limits);

// The figures since the last reset, fed one value at a time. Each value is
// held against the limits of its own answer for the count outside; the
// capability against the limits Now is asked with.
class Running {
public:
    Running();
    ~Running();
    Running(const Running &other);
    Running &operator=(const Running &other);

    void Add(double value, const Limits &limits);
    void Reset();
    Figures Now(const Limits &limits) const;

private:
    struct Sums;
    std::unique_ptr<Sums> sums_;
    std::size_t outside_ = 0;
};

// Counts of `values` in `bins` equal bins from `low` to `high`; `high`
// itself falls into the last bin, values outside the range and values that
// are no finite number into none. Ends given the wrong way round are
// swapped; equal ends are widened by half a unit each way. No counts for a
// bin number below 1 or ends that are no finite numbers; at most 100000
// bins.
struct Bins {
    double low = 0, high = 0;
    std::vector<std::size_t> counts;
};
Bins Histogram(std::span<const float> values, double low, double high, int bins);

// The counts of `values` in bins that suit them: one per pixel, centred on
// the whole pixels, while every value is a whole pixel and they span less
// than MOST_PIXEL_BINS; else about the square root of their count (at least
// 5, at most MOST_PIXEL_BINS) equal bins from the least value to the
// greatest. No counts when no value is a finite number.
inline constexpr int MOST_PIXEL_BINS = 80;
Bins HistogramOf(std::span<const float> values);

// "not defined" for an empty value (or one that is no finite number), else
// the value with `decimals` decimals (0 to 15). A value that rounds to zero
// shows no minus sign.
std::string FigureText(const std::optional<double> &value, int decimals);

inline constexpr const char *NOT_DEFINED = "not defined";

} // namespace qzan::quality

#endif
