// The trend's store. Every array is reserved at its full size at the start:
// the system hands out its pages only as they are written, and no answer
// ever waits for a whole array to be copied into a larger one.
#include "core/quality/series.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace qzan::quality {

namespace {

constexpr std::size_t BlockOf(int level) // raw values per element of `level` (0: raw)
{
    std::size_t size = 1;
    for (int k = 0; k < level; ++k)
        size *= Channel::kFan;
    return size;
}

} // namespace

void Channel::Reserve(std::size_t count)
{
    values_.reserve(count);
    for (int k = 0; k < kLevels; ++k)
        levels_[k].reserve(count / BlockOf(k + 1) + 1);
}

void Channel::Add(float value)
{
    values_.push_back(value);
    // Each block that this value completes gets its summary, from the
    // summaries one level down.
    const std::size_t n = values_.size();
    for (int k = 0; k < kLevels; ++k) {
        const std::size_t block = BlockOf(k + 1);
        if (n % block != 0)
            break;
        Span s{value, value};
        if (k == 0) {
            for (std::size_t i = n - block; i < n; ++i) {
                s.low = std::min(s.low, values_[i]);
                s.high = std::max(s.high, values_[i]);
            }
        } else {
            const std::vector<Span> &below = levels_[k - 1];
            for (std::size_t i = below.size() - kFan; i < below.size(); ++i) {
                s.low = std::min(s.low, below[i].low);
                s.high = std::max(s.high, below[i].high);
            }
        }
        levels_[k].push_back(s);
    }
}

std::size_t Channel::LevelSize(int level) const
{
    return level == 0 ? values_.size() : levels_[level - 1].size();
}

void Channel::Scan(int level, std::size_t first, std::size_t last, float &low, float &high) const
{
    if (level == 0) {
        for (std::size_t i = first; i < last; ++i) {
            low = std::min(low, values_[i]);
            high = std::max(high, values_[i]);
        }
        return;
    }
    const std::vector<Span> &spans = levels_[level - 1];
    for (std::size_t i = first; i < last; ++i) {
        low = std::min(low, spans[i].low);
        high = std::max(high, spans[i].high);
    }
}

// `first` and `last` count elements of `level`: the whole blocks of the
// level above inside them are taken from there, the ends are scanned.
void Channel::Query(int level, std::size_t first, std::size_t last, float &low, float &high) const
{
    if (first >= last)
        return;
    if (level == kLevels) {
        Scan(level, first, last, low, high);
        return;
    }
    const std::size_t upFirst = (first + kFan - 1) / kFan;
    const std::size_t upLast = std::min(last / kFan, LevelSize(level + 1));
    if (upFirst >= upLast) {
        Scan(level, first, last, low, high);
        return;
    }
    Scan(level, first, upFirst * kFan, low, high);
    Query(level + 1, upFirst, upLast, low, high);
    Scan(level, upLast * kFan, last, low, high);
}

bool Channel::Range(std::size_t first, std::size_t last, float &low, float &high) const
{
    last = std::min(last, values_.size());
    if (first >= last)
        return false;
    low = high = values_[first];
    Query(0, first, last, low, high);
    return true;
}

void Channel::DropFront(std::size_t count)
{
    count = std::min(count, values_.size()) / kTopBlock * kTopBlock;
    values_.erase(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(count));
    for (int k = 0; k < kLevels; ++k) {
        const std::size_t n = std::min(count / BlockOf(k + 1), levels_[k].size());
        levels_[k].erase(levels_[k].begin(), levels_[k].begin() + static_cast<std::ptrdiff_t>(n));
    }
}

void Channel::Clear()
{
    values_.clear();
    for (auto &level : levels_)
        level.clear();
}

Series::Series(std::size_t capacity)
    : capacity_(std::max(capacity, 4 * Channel::kTopBlock))
{
    times_.reserve(capacity_);
    measured_.Reserve(capacity_);
    edge1_.Reserve(capacity_);
    edge2_.Reserve(capacity_);
    outside_.reserve(capacity_ / 64 + 1);
}

bool Series::Add(std::uint32_t ms, float measured, float edge1, float edge2, Band band,
                 bool outside)
{
    if (!std::isfinite(measured) || !std::isfinite(edge1) || !std::isfinite(edge2))
        return false;
    if (times_.size() >= capacity_)
        DropOldest();
    const std::size_t i = times_.size();
    times_.push_back(times_.empty() ? ms : std::max(ms, times_.back()));
    measured_.Add(measured);
    edge1_.Add(edge1);
    edge2_.Add(edge2);
    if (bands_.empty() || !(bands_.back().band == band))
        bands_.push_back({i, band});
    if (i % 64 == 0)
        outside_.push_back(0);
    if (outside)
        outside_.back() |= std::uint64_t{1} << (i % 64);
    return true;
}

void Series::Clear()
{
    times_.clear();
    measured_.Clear();
    edge1_.Clear();
    edge2_.Clear();
    bands_.clear();
    outside_.clear();
    dropped_ = 0;
}

void Series::ShiftTimes(std::uint32_t ms)
{
    for (std::uint32_t &t : times_)
        t = t > ms ? t - ms : 0;
}

void Series::DropOldest()
{
    // A quarter, in whole top blocks (which are whole words of the bits).
    const std::size_t drop =
        std::max<std::size_t>(1, capacity_ / 4 / Channel::kTopBlock) * Channel::kTopBlock;
    times_.erase(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(drop));
    measured_.DropFront(drop);
    edge1_.DropFront(drop);
    edge2_.DropFront(drop);
    outside_.erase(outside_.begin(), outside_.begin() + static_cast<std::ptrdiff_t>(drop / 64));
    // The run in force at the new first answer starts there.
    std::vector<BandRun> kept;
    for (std::size_t r = 0; r < bands_.size(); ++r) {
        const bool nextStartsLater = r + 1 == bands_.size() || bands_[r + 1].first > drop;
        if (bands_[r].first >= drop)
            kept.push_back({bands_[r].first - drop, bands_[r].band});
        else if (nextStartsLater)
            kept.push_back({0, bands_[r].band});
    }
    bands_ = std::move(kept);
    dropped_ += drop;
}

Band Series::BandAt(std::size_t i) const
{
    auto after = std::upper_bound(bands_.begin(), bands_.end(), i,
                                  [](std::size_t index, const BandRun &run) {
                                      return index < run.first;
                                  });
    return after == bands_.begin() ? Band{} : std::prev(after)->band;
}

bool Series::Outside(std::size_t i) const
{
    return i < times_.size() && (outside_[i / 64] >> (i % 64) & 1u) != 0;
}

std::size_t Series::OutsideCount(std::size_t first, std::size_t last) const
{
    last = std::min(last, times_.size());
    std::size_t count = 0;
    while (first < last && first % 64 != 0)
        count += Outside(first++) ? 1 : 0;
    for (; first + 64 <= last; first += 64)
        count += static_cast<std::size_t>(std::popcount(outside_[first / 64]));
    while (first < last)
        count += Outside(first++) ? 1 : 0;
    return count;
}

std::size_t Series::IndexAt(double ms) const
{
    auto it = std::lower_bound(times_.begin(), times_.end(), ms,
                               [](std::uint32_t t, double at) { return t < at; });
    return static_cast<std::size_t>(it - times_.begin());
}

void Series::Summarise(const Channel &channel, double fromMs, double toMs,
                       std::span<Column> out) const
{
    const std::size_t n = out.size();
    if (n == 0)
        return;
    if (!(toMs > fromMs) || !std::isfinite(fromMs) || !std::isfinite(toMs)) {
        std::fill(out.begin(), out.end(), Column{});
        return;
    }
    const double width = (toMs - fromMs) / static_cast<double>(n);
    const std::size_t size = std::min(times_.size(), channel.Size());
    auto from = times_.begin();
    const auto end = times_.begin() + static_cast<std::ptrdiff_t>(size);
    std::size_t first = IndexAt(fromMs);
    for (std::size_t c = 0; c < n; ++c) {
        const double edge = c + 1 == n ? toMs : fromMs + width * static_cast<double>(c + 1);
        from = times_.begin() + static_cast<std::ptrdiff_t>(std::min(first, size));
        const auto after = std::lower_bound(from, end, edge,
                                            [](std::uint32_t t, double at) { return t < at; });
        Column &column = out[c];
        column.first = std::min(first, size);
        column.last = static_cast<std::size_t>(after - times_.begin());
        if (!channel.Range(column.first, column.last, column.low, column.high))
            column.low = column.high = 0;
        first = column.last;
    }
}

} // namespace qzan::quality
