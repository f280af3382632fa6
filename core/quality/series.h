// The answers of the measurement cycle over time, held for the trend: a day
// at the line's rate in some tens of megabytes, drawn at any zoom from
// min/max summaries instead of point by point.
#ifndef CORE_QUALITY_SERIES_H
#define CORE_QUALITY_SERIES_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qzan::quality {

// Values of one kind (the measured value, an edge) in the order they came,
// with the lowest and highest value of every block of 16, 256, 4096 and
// 65536, so that the range of any stretch is found in a few hundred steps.
class Channel {
public:
    static constexpr std::size_t kFan = 16;
    static constexpr int kLevels = 4;
    // The largest summarised block: the front is dropped in multiples of it.
    static constexpr std::size_t kTopBlock = kFan * kFan * kFan * kFan;

    void Reserve(std::size_t count);
    void Add(float value);
    std::size_t Size() const { return values_.size(); }
    float operator[](std::size_t i) const { return values_[i]; }
    std::span<const float> Values() const { return values_; }
    // The lowest and highest value of [first, last); false for an empty stretch.
    bool Range(std::size_t first, std::size_t last, float &low, float &high) const;
    // Drops the first `count` values; `count` is a multiple of kTopBlock.
    void DropFront(std::size_t count);
    void Clear();

private:
    struct Span {
        float low, high;
    };
    void Scan(int level, std::size_t first, std::size_t last, float &low, float &high) const;
    void Query(int level, std::size_t first, std::size_t last, float &low, float &high) const;
    std::size_t LevelSize(int level) const;

    std::vector<float> values_;
    // levels_[k][i]: the values [i * 16^(k+1), (i+1) * 16^(k+1)), whole blocks only.
    std::vector<Span> levels_[kLevels];
};

// The setpoint and the tolerance an answer carried: the band is
// setpoint +- tolerance. They change rarely, so they are kept as runs.
struct Band {
    float setpoint = 0;
    float tolerance = 0;
    bool setpointValid = true; // false: the setpoint lay outside the evaluation window
    bool operator==(const Band &) const = default;
};

struct BandRun {
    std::size_t first = 0; // the first answer that carried it
    Band band;
};

// One column of a drawing: the range of the values whose times fall into it.
struct Column {
    std::size_t first = 0, last = 0; // the answers in it, [first, last)
    float low = 0, high = 0;         // valid when first < last
    bool Empty() const { return first >= last; }
};

class Series {
public:
    // 2^22 answers: some 43 hours at the 19200-baud line's rate. Once full,
    // the oldest quarter goes.
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 22;

    // `capacity` is rounded up to at least four of the largest summary blocks.
    explicit Series(std::size_t capacity = kDefaultCapacity);

    // Appends one answer. `ms` counts from the series' start; a time before
    // the previous answer's is taken as the previous one's, so that the
    // times never go back. False (and nothing kept) for a value that is not
    // a finite number.
    bool Add(std::uint32_t ms, float measured, float edge1, float edge2, Band band, bool outside);
    void Clear();
    // Counts the times from `ms` later: each time less `ms`, none below 0.
    void ShiftTimes(std::uint32_t ms);

    std::size_t Size() const { return times_.size(); }
    std::size_t Capacity() const { return capacity_; }
    // Answers dropped from the front since the start or the last Clear.
    std::uint64_t Dropped() const { return dropped_; }

    std::span<const std::uint32_t> Times() const { return times_; }
    const Channel &Measured() const { return measured_; }
    const Channel &Edge1() const { return edge1_; }
    const Channel &Edge2() const { return edge2_; }
    const std::vector<BandRun> &Bands() const { return bands_; }
    Band BandAt(std::size_t i) const;
    bool Outside(std::size_t i) const;
    // Answers in [first, last) that lay outside their own band.
    std::size_t OutsideCount(std::size_t first, std::size_t last) const;

    // The first answer at or after `ms` (Size() if none).
    std::size_t IndexAt(double ms) const;

    // Splits the time [fromMs, toMs) into out.size() equal columns and gives
    // each the range of `channel` over the answers that fall into it.
    void Summarise(const Channel &channel, double fromMs, double toMs,
                   std::span<Column> out) const;

private:
    void DropOldest();

    std::size_t capacity_;
    std::uint64_t dropped_ = 0;
    std::vector<std::uint32_t> times_;
    Channel measured_, edge1_, edge2_;
    std::vector<BandRun> bands_;
    std::vector<std::uint64_t> outside_; // one bit per answer
};

} // namespace qzan::quality

#endif
