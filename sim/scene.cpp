// The scene model. Pixel i covers [i, i+1) and is sampled at its centre, so
// with a still, noise-free scene and the threshold anywhere in the middle of
// the edge ramp, an object from A to B darkens exactly pixels A..B-1.
#include "scene.h"

#include "params.h"
#include "rng.h"

#include <algorithm>
#include <cmath>

namespace qzan::sim {

namespace {

double smoothstep(double x)
{
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// A lamp bar is brighter in the middle: 15 % less light at the line's ends.
double illumination(double x)
{
    double r = (x - 512.0) / 512.0;
    return 1.0 - 0.15 * r * r;
}

} // namespace

ObjectPlace Scene::objectAt(double seconds) const
{
    double offset = 0;
    const double t = config_.travel;
    if (config_.drift > 0 && t > 0 && seconds > 0) {
        double p = std::fmod(config_.drift * seconds, 4 * t);
        if (p < t)
            offset = p;
        else if (p < 3 * t)
            offset = 2 * t - p;
        else
            offset = p - 4 * t;
    }
    return {config_.edgeLeft + offset, config_.edgeRight + offset};
}

double Scene::shadow(double x, const ObjectPlace &place) const
{
    if (!config_.object)
        return 0;
    auto ramp = [this](double u) {
        if (config_.edgeWidth <= 0)
            return u > 0 ? 1.0 : 0.0;
        return smoothstep(u / config_.edgeWidth + 0.5);
    };
    return ramp(x - place.left) * ramp(place.right - x);
}

void Scene::render(double seconds, const Words &params, std::uint64_t frame, Line &out) const
{
    const double power = std::min<double>(params[kPower], 1000);
    const double gain = params[kIGain] != 0 ? 2.0 : 1.0;
    const double amplitude = power * kCountsPerPower * gain;
    const ObjectPlace place = objectAt(seconds);
    const std::uint64_t frameKey = mix64(config_.seed ^ mix64(frame));

    for (std::size_t i = 0; i < kLinePixels; ++i) {
        const double x = static_cast<double>(i) + 0.5;
        double v = config_.darkLevel + amplitude * illumination(x) * (1.0 - shadow(x, place));
        if (config_.noise > 0) {
            std::uint64_t h = mix64(frameKey + i);
            // Two uniforms summed: a triangle between -noise and +noise.
            double u = unitInterval(h) + unitInterval(mix64(h));
            v += (u - 1.0) * config_.noise;
        }
        v = std::clamp(v, 0.0, static_cast<double>(kFullScale));
        out[i] = static_cast<std::uint16_t>(std::lround(v));
    }
}

} // namespace qzan::sim
