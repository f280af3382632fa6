// The trend's feed: one call per answer, a few appends and counts.
// Qt's and the C++ library's headers bring POSIX's sync(); this file needs
// none of the frame's leading word.
#define QZAN_WITHOUT_SYNC
#include "views/trend_live.h"

#include "core/globals.h"

#include <cstdint>

namespace trend {

namespace {

// The series counts milliseconds in 32 bits; before they run out (after
// some 37 of their 49 days) the origin moves on to the oldest answer kept,
// or, when that is as old, the series starts afresh.
constexpr std::int64_t kShiftAfterMs = std::int64_t{3} << 30;

} // namespace

Live &TheLive()
{
    static Live live;
    return live;
}

qzan::quality::Limits LimitsOf(const qzan::quality::Band &b)
{
    qzan::quality::Limits limits;
    limits.setpoint = b.setpoint;
    limits.tolerance = b.tolerance;
    limits.setpointValid = b.setpointValid;
    return limits;
}

void Feed(Live &live, std::chrono::steady_clock::time_point now,
          const qzan::protocol::Measurement &m)
{
    using namespace std::chrono;
    if (!live.started) {
        live.started = true;
        live.origin = now;
        live.originEpochMs = static_cast<double>(
            duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    }
    std::int64_t ms = duration_cast<milliseconds>(now - live.origin).count();
    if (ms < 0)
        ms = 0;
    if (ms >= kShiftAfterMs) {
        const std::uint32_t oldest = live.series.Size() ? live.series.Times()[0] : 0;
        if (ms - oldest >= kShiftAfterMs) {
            // Nothing kept is recent enough to count from: start afresh.
            live.series.Clear();
            live.origin = now;
            live.originEpochMs += static_cast<double>(ms);
            ms = 0;
        } else {
            live.series.ShiftTimes(oldest);
            live.origin += milliseconds(oldest);
            live.originEpochMs += oldest;
            ms -= oldest;
        }
    }
    // A setpoint outside the evaluation window the request carried cannot
    // be judged against (a window of no width is none: nothing to judge by).
    const bool setpointValid = eEnd <= eBeg || (m.teach >= eBeg && m.teach <= eEnd);
    const qzan::quality::Band band{static_cast<float>(m.teach), static_cast<float>(m.tolerance),
                                   setpointValid};
    const bool outside = !qzan::protocol::InTolerance(m);
    live.series.Add(static_cast<std::uint32_t>(ms), m.measured, m.edge1, m.edge2, band, outside);
    if (live.alarm.Add(outside) == qzan::quality::LimitAlarm::Change::Started)
        ++live.alarmStarts;
    live.sinceReset.Add(m.measured, LimitsOf(band));
    ++live.answers;
}

} // namespace trend

namespace {

void (*g_wake)(void) = nullptr;

} // namespace

void SetTrendWake(void (*wake)(void)) { g_wake = wake; }

void FeedTrend(void)
{
    trend::Feed(trend::TheLive(), std::chrono::steady_clock::now(),
                qzan::protocol::ReadMeasurement(pp));
    if (g_wake)
        g_wake();
}

int TrendAlarmActive(void) { return trend::TheLive().alarm.Active() ? 1 : 0; }
