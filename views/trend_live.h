// What the trend follows: every answer of a running cycle and of each data
// read's pass, collected from the program's start whether the trend window
// is open or not, with the limit alarm and the figures since the last reset.
// The feed runs on the cycle's path, once per answer: it appends and counts,
// and never draws.
#ifndef VIEWS_TREND_LIVE_H
#define VIEWS_TREND_LIVE_H

#include "core/protocol/frame.h"
#include "core/quality/alarm.h"
#include "core/quality/series.h"
#include "core/quality/stats.h"
#include "views/trend_feed.h"

#include <chrono>
#include <cstdint>

namespace trend {

struct Live {
    qzan::quality::Series series;
    qzan::quality::LimitAlarm alarm;
    qzan::quality::Running sinceReset;
    // The series' times count from `origin`; `originEpochMs` is the wall
    // clock then (for the time axis).
    std::chrono::steady_clock::time_point origin;
    double originEpochMs = 0;
    bool started = false;
    std::uint64_t answers = 0;     // fed since the start: anything new to draw
    std::uint64_t alarmStarts = 0; // times the alarm condition began
};

Live &TheLive();

// Appends one answer at `now`: its measured value, edges and band, and
// feeds the alarm and the figures since the reset.
void Feed(Live &live, std::chrono::steady_clock::time_point now,
          const qzan::protocol::Measurement &m);

// The limits of band `b` as the figures take them.
qzan::quality::Limits LimitsOf(const qzan::quality::Band &b);

} // namespace trend

// While set, called after each answer FeedTrend takes (the open trend
// window's frame pacing); nullptr to stop.
void SetTrendWake(void (*wake)(void));

#endif
