// Pacing arithmetic in whole nanoseconds.
#include "pacing.h"

#include "wire.h"

#include <algorithm>

namespace qzan::sim {

Nanos Pacing::lineTime(std::size_t bytes) const
{
    if (baud == 0)
        return Nanos(0);
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes) * 10;
    return Nanos((bits * 1'000'000'000ULL + baud - 1) / baud);
}

TimePoint Pacing::answerDue(TimePoint firstByte, std::size_t requestBytes,
                            std::size_t answerBytes, std::optional<TimePoint> lineFree) const
{
    const Nanos answerLine = lineAddsAnswerTime ? Nanos(0) : lineTime(answerBytes);
    TimePoint due = firstByte + lineTime(requestBytes) + turnaround + answerLine;
    if (lineFree)
        due = std::max(due, *lineFree + answerLine);
    return due;
}

Nanos Pacing::partialGap() const
{
    if (gapOverride)
        return *gapOverride;
    return std::max<Nanos>(Nanos(5'000'000), lineTime(kFrameBytes));
}

} // namespace qzan::sim
