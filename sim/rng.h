// Counter-based random numbers (splitmix64): the same seed gives the same
// noise and the same faults on every machine and standard library.
#ifndef SIM_RNG_H
#define SIM_RNG_H

#include <cstdint>

namespace qzan::sim {

inline std::uint64_t mix64(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Uniform in [0, 1) from the top 53 bits.
inline double unitInterval(std::uint64_t x)
{
    return static_cast<double>(x >> 11) * 0x1.0p-53;
}

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t out = mix64(state_);
        state_ += 0x9E3779B97F4A7C15ULL;
        return out;
    }
    double uniform() { return unitInterval(next()); }

private:
    std::uint64_t state_;
};

} // namespace qzan::sim

#endif
