// The sensor's evaluation of one line: background subtraction, the CCD window,
// edges by threshold and polarity inside the evaluation window, and the
// measured value by evaluation mode.
#ifndef SIM_EVALUATION_H
#define SIM_EVALUATION_H

#include "scene.h"

#include <array>
#include <cstdint>

namespace qzan::sim {

inline constexpr std::size_t kWindowPixels = 256;
inline constexpr std::uint16_t kLastWindowStart = kLinePixels - kWindowPixels; // 768
// Window mode 2 moves its window in steps of this many pixels, so that the
// window start the program last saw usually still holds for the next data read.
inline constexpr unsigned kFollowStep = 32;

struct Measurement {
    std::uint16_t edge1 = 0;      // first edge inside the evaluation window, 0 if none
    std::uint16_t edge2 = 0;      // second edge, 0 if fewer than two
    std::uint16_t value = 0;      // by evaluation mode
    std::uint16_t windowStart = 0;
    std::uint16_t edgeCount = 0;
    std::uint16_t stateStart = 0; // 1: the pixel at the window's start is lit
    std::uint16_t stateEnd = 0;   // same for the window's last pixel
    std::uint16_t lineMin = 0;    // over the pixels the CCD mode reads
    std::uint16_t lineMax = 0;
};

// Background mode 1 subtracts bVal, mode 2 the taught background line; any
// other mode leaves the line as it is. Results never go below 0.
void subtractBackground(const Line &raw, const Words &params, const Line &background, Line &out);

// First pixel of the 256-pixel window by CCD mode; 0 in full-line mode (and
// for CCD modes other than 1 and 2).
std::uint16_t windowStartFor(const Line &line, const Words &params);

Measurement evaluate(const Line &line, const Words &params);

// The 256 values of the data read: every fourth pixel in full-line mode, the
// window's pixels otherwise.
std::array<std::uint16_t, kWindowPixels> lineData(const Line &line, const Words &params,
                                                  std::uint16_t windowStart);

} // namespace qzan::sim

#endif
