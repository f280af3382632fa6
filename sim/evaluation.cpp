// Edge search and measured value. A pixel is lit when it lies above the video
// threshold (polarity 0) or at or below it (polarity 1); an edge is a change
// of that state between two neighbouring pixels, reported at the first pixel
// of the new state.
#include "evaluation.h"

#include "params.h"

#include <algorithm>

namespace qzan::sim {

namespace {

bool isWindowMode(std::uint16_t ccdMode) { return ccdMode == 1 || ccdMode == 2; }

struct EdgeScan {
    unsigned count = 0;
    unsigned first = 0;
    unsigned second = 0;
    bool startLit = false;
    bool endLit = false;
};

bool lit(std::uint16_t value, const Words &params)
{
    bool bright = value > params[kVThd];
    return params[kPolarity] != 0 ? !bright : bright;
}

// Pixels [from, to) of the evaluation window that fall inside [lo, hi).
void searchRange(const Words &params, unsigned lo, unsigned hi, unsigned &from, unsigned &to)
{
    unsigned beg = std::min<unsigned>(params[kEBeg], kLinePixels);
    unsigned end = std::min<unsigned>(params[kEEnd], kLinePixels);
    from = std::max(lo, beg);
    to = std::min(hi, end);
}

EdgeScan scanEdges(const Line &line, const Words &params, unsigned from, unsigned to)
{
    EdgeScan scan;
    if (from >= to)
        return scan;
    bool previous = lit(line[from], params);
    scan.startLit = previous;
    for (unsigned i = from + 1; i < to; ++i) {
        bool now = lit(line[i], params);
        if (now != previous) {
            ++scan.count;
            if (scan.count == 1)
                scan.first = i;
            else if (scan.count == 2)
                scan.second = i;
        }
        previous = now;
    }
    scan.endLit = previous;
    return scan;
}

std::uint16_t followingWindow(const Line &line, const Words &params)
{
    unsigned from = 0;
    unsigned to = 0;
    searchRange(params, 0, kLinePixels, from, to);
    EdgeScan scan = scanEdges(line, params, from, to);
    unsigned centre;
    if (scan.count >= 2)
        centre = (scan.first + scan.second) / 2;
    else if (scan.count == 1)
        centre = scan.first;
    else
        centre = from < to ? (from + to) / 2 : kLinePixels / 2;
    // Nearest step to a window centred on the object.
    unsigned start = centre + kFollowStep / 2 > kWindowPixels / 2
                         ? (centre + kFollowStep / 2 - kWindowPixels / 2) / kFollowStep * kFollowStep
                         : 0;
    return static_cast<std::uint16_t>(std::min<unsigned>(start, kLastWindowStart));
}

} // namespace

void subtractBackground(const Line &raw, const Words &params, const Line &background, Line &out)
{
    const std::uint16_t mode = params[kBMode];
    for (std::size_t i = 0; i < kLinePixels; ++i) {
        int v = raw[i];
        if (mode == 1)
            v -= params[kBVal];
        else if (mode == 2)
            v -= background[i];
        out[i] = static_cast<std::uint16_t>(std::max(v, 0));
    }
}

std::uint16_t windowStartFor(const Line &line, const Words &params)
{
    switch (params[kCcdMode]) {
    case 1:
        return std::min(params[kPStart], kLastWindowStart);
    case 2:
        return followingWindow(line, params);
    default:
        return 0;
    }
}

Measurement evaluate(const Line &line, const Words &params)
{
    Measurement m;
    m.windowStart = windowStartFor(line, params);
    const bool window = isWindowMode(params[kCcdMode]);
    const unsigned lo = m.windowStart;
    const unsigned hi = window ? lo + kWindowPixels : kLinePixels;

    auto [lowest, highest] = std::minmax_element(line.begin() + lo, line.begin() + hi);
    m.lineMin = *lowest;
    m.lineMax = *highest;

    unsigned from = 0;
    unsigned to = 0;
    searchRange(params, lo, hi, from, to);
    EdgeScan scan = scanEdges(line, params, from, to);
    m.edgeCount = static_cast<std::uint16_t>(scan.count);
    m.edge1 = static_cast<std::uint16_t>(scan.first);
    m.edge2 = static_cast<std::uint16_t>(scan.second);
    m.stateStart = scan.startLit ? 1 : 0;
    m.stateEnd = scan.endLit ? 1 : 0;

    const bool both = scan.count >= 2;
    switch (params[kEMode]) {
    case 1:
        m.value = both ? m.edge2 : 0;
        break;
    case 2:
        m.value = both ? static_cast<std::uint16_t>(scan.second - scan.first) : 0;
        break;
    case 3:
        m.value = both ? static_cast<std::uint16_t>((scan.first + scan.second) / 2) : 0;
        break;
    default: // mode 0, and modes the sensor does not know
        m.value = m.edge1;
        break;
    }
    return m;
}

std::array<std::uint16_t, kWindowPixels> lineData(const Line &line, const Words &params,
                                                  std::uint16_t windowStart)
{
    std::array<std::uint16_t, kWindowPixels> data{};
    const bool window = isWindowMode(params[kCcdMode]);
    const unsigned start = std::min(windowStart, kLastWindowStart);
    for (std::size_t i = 0; i < kWindowPixels; ++i)
        data[i] = window ? line[start + i] : line[4 * i];
    return data;
}

} // namespace qzan::sim
