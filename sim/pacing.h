// Line timing: when an answer may leave so that it looks like one sent over a
// real line at the emulated baud rate (10 bit times a byte).
#ifndef SIM_PACING_H
#define SIM_PACING_H

#include "clock.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qzan::sim {

struct Pacing {
    std::uint32_t baud = 19200; // 0: no pacing
    Nanos turnaround{1'000'000};
    // A real device's own line already takes the answer's line time.
    bool lineAddsAnswerTime = false;
    // Overrides the gap after which a partial request is thrown away.
    std::optional<Nanos> gapOverride;

    // Time of `bytes` on the line, rounded up; 0 without pacing.
    Nanos lineTime(std::size_t bytes) const;

    // When the whole answer may be written: the request's line time from its
    // first byte, the turnaround, then the answer's own line time; and never
    // before the answer queued ahead of it has left the line (`lineFree`).
    TimePoint answerDue(TimePoint firstByte, std::size_t requestBytes, std::size_t answerBytes,
                        std::optional<TimePoint> lineFree) const;

    // Silence after which a partial request is given up: a few character
    // times, at least 5 ms, and a whole frame's line time when paced.
    Nanos partialGap() const;
};

} // namespace qzan::sim

#endif
