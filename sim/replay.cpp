// Replay timing. Rows are found by binary search from the last one served, so
// a fast replay over a day of rows costs the same per request as a slow one.
#include "replay.h"

#include <algorithm>
#include <cmath>

namespace qzan::sim {

Replay::Replay(std::vector<RecordedRow> rows, const ReplayConfig &config)
    : rows_(std::move(rows)), config_(config)
{
}

std::size_t Replay::dueIndex(double seconds) const
{
    if (config_.speed <= 0 || !start_)
        return next_;
    const double elapsedMs = std::max(0.0, seconds - *start_) * 1000.0 * config_.speed;
    // Compared in doubles: the recorded times are whole milliseconds below 2^32.
    const double target = static_cast<double>(rows_.front().timeMs) + elapsedMs;
    auto after = std::upper_bound(rows_.begin() + static_cast<std::ptrdiff_t>(next_), rows_.end(),
                                  target, [](double t, const RecordedRow &row) {
                                      return t < static_cast<double>(row.timeMs);
                                  });
    const auto index = static_cast<std::size_t>(after - rows_.begin());
    // The row before the first not yet due, never one served before.
    return index > next_ ? index - 1 : next_;
}

const RecordedRow *Replay::take(double seconds)
{
    if (rows_.empty())
        return nullptr;
    if (lastServed_) {
        if (!config_.loop) {
            ended_ = true;
            return nullptr;
        }
        start_.reset();
        next_ = 0;
        lastServed_ = false;
    }
    if (!start_)
        start_ = seconds;
    const std::size_t index = dueIndex(seconds);
    // A timed replay may serve a row again while the next is not yet due;
    // one row per request moves on at every request.
    next_ = config_.speed <= 0 ? index + 1 : index;
    if (index + 1 == rows_.size()) {
        lastServed_ = true;
        if (lastRowSink_)
            lastRowSink_();
    }
    return &rows_[index];
}

const RecordedRow &Replay::peek(double seconds) const
{
    if (lastServed_ && !config_.loop)
        return rows_.back();
    if (lastServed_ || !start_)
        return rows_.front();
    return rows_[std::min(dueIndex(seconds), rows_.size() - 1)];
}

} // namespace qzan::sim
