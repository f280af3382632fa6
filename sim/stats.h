// Counts of requests, answers, discarded bytes and injected faults, printed at
// exit and on SIGUSR1.
#ifndef SIM_STATS_H
#define SIM_STATS_H

#include "faults.h"

#include <array>
#include <cstdint>
#include <string>

namespace qzan::sim {

struct Stats {
    std::array<std::uint64_t, 16> requests{};
    std::array<std::uint64_t, 16> answers{}; // sent whole (wrong echo and extra bytes included)
    std::uint64_t droppedBytes = 0;
    std::array<std::uint64_t, kFaultKinds> faults{};

    void countFault(Fault fault) { ++faults[static_cast<std::size_t>(fault)]; }
    std::uint64_t totalAnswers() const;

    // "cmd <c> requests <r> answers <a>" for each command seen, then
    // "dropped_bytes <n>", then "fault <name> <n>" for every fault kind.
    std::string format() const;
};

} // namespace qzan::sim

#endif
