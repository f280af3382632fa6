#include "core/quality/alarm.h"

namespace qzan::quality {

namespace {
bool Allowed(int k, int n) { return 1 <= k && k <= n && n <= LimitAlarm::MOST_ANSWERS; }
} // namespace

LimitAlarm::LimitAlarm(int k, int n) {
    if (!SetRule(k, n))
        SetRule(3, 5);
}

bool LimitAlarm::SetRule(int k, int n) {
    if (!Allowed(k, n))
        return false;
    k_ = k;
    n_ = n;
    Clear();
    return true;
}

void LimitAlarm::Clear() {
    window_.assign(static_cast<std::size_t>(n_), false);
    next_ = 0;
    filled_ = 0;
    outsideCount_ = 0;
    active_ = false;
}

LimitAlarm::Change LimitAlarm::Add(bool outside) {
    const auto slot = static_cast<std::size_t>(next_);
    if (filled_ == n_ && window_[slot])
        --outsideCount_; // the oldest answer leaves the window
    window_[slot] = outside;
    if (outside)
        ++outsideCount_;
    next_ = (next_ + 1) % n_;
    if (filled_ < n_)
        ++filled_;

    const bool now = outsideCount_ >= k_;
    if (now == active_)
        return Change::None;
    active_ = now;
    if (now) {
        latched_ = true;
        return Change::Started;
    }
    return Change::Ended;
}

} // namespace qzan::quality
