// What the CCD line looks at: a lit line whose level follows power and gain,
// a dark object with two soft edges drifting back and forth, and noise.
#ifndef SIM_SCENE_H
#define SIM_SCENE_H

#include "wire.h"

#include <array>
#include <cstdint>

namespace qzan::sim {

inline constexpr std::size_t kLinePixels = 1024;
inline constexpr std::uint16_t kFullScale = 1023;
using Line = std::array<std::uint16_t, kLinePixels>;

struct SceneConfig {
    double edgeLeft = 420;   // object's edges at time 0, pixels
    double edgeRight = 600;
    double drift = 5;        // pixels per second; 0 keeps the object still
    double travel = 60;      // the object swings this far to either side
    double edgeWidth = 6;    // soft edge: pixels from lit to dark; 0 is a hard edge
    double noise = 3;        // amplitude in counts, fresh in every line
    double darkLevel = 24;   // counts of an unlit pixel
    bool object = true;      // false: a plain lit line
    std::uint64_t seed = 1;
};

struct ObjectPlace {
    double left;
    double right;
};

// Counts per unit of power at gain 0; gain on doubles it. With power 650 and
// gain on, the middle of the line sits near 900 counts; power 1000 with gain
// saturates.
inline constexpr double kCountsPerPower = 0.67;

class Scene {
public:
    explicit Scene(const SceneConfig &config) : config_(config) {}

    const SceneConfig &config() const { return config_; }

    // The object moves right first, turns at +travel, goes to -travel, and so on.
    ObjectPlace objectAt(double seconds) const;

    // The line as the CCD delivers it (before any background subtraction).
    // `frame` picks the noise, so two lines of one moment still differ.
    void render(double seconds, const Words &params, std::uint64_t frame, Line &out) const;

private:
    double shadow(double x, const ObjectPlace &place) const;

    SceneConfig config_;
};

} // namespace qzan::sim

#endif
