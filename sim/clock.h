// The one clock the simulator runs on: monotonic, nanoseconds.
#ifndef SIM_CLOCK_H
#define SIM_CLOCK_H

#include <chrono>

namespace qzan::sim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Nanos = std::chrono::nanoseconds;

} // namespace qzan::sim

#endif
