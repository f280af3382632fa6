// Formatting of the counts.
#include "stats.h"

#include <numeric>

namespace qzan::sim {

std::uint64_t Stats::totalAnswers() const
{
    return std::accumulate(answers.begin(), answers.end(), std::uint64_t{0});
}

std::string Stats::format() const
{
    std::string text;
    for (std::size_t c = 0; c < requests.size(); ++c) {
        if (requests[c] == 0 && answers[c] == 0)
            continue;
        text += "cmd " + std::to_string(c) + " requests " + std::to_string(requests[c])
                + " answers " + std::to_string(answers[c]) + "\n";
    }
    text += "dropped_bytes " + std::to_string(droppedBytes) + "\n";
    for (std::size_t f = 0; f < kFaultKinds; ++f)
        text += std::string("fault ") + faultName(static_cast<Fault>(f)) + " "
                + std::to_string(faults[f]) + "\n";
    return text;
}

} // namespace qzan::sim
