// Applying the fault plan to one answer.
#include "faults.h"

#include "wire.h"

#include <algorithm>

namespace qzan::sim {

const char *faultName(Fault fault)
{
    switch (fault) {
    case Fault::kSilent: return "silent";
    case Fault::kDrop: return "drop";
    case Fault::kWrongEcho: return "wrong_echo";
    case Fault::kExtra: return "extra";
    case Fault::kShort: return "short";
    case Fault::kGarbage: return "garbage";
    case Fault::kDisconnect: return "disconnect";
    }
    return "unknown";
}

FaultPlan::FaultPlan(const FaultConfig &config, std::uint64_t seed)
    : config_(config), random_(mix64(seed ^ 0xFA017FA017ULL))
{
}

bool FaultPlan::fires(const FaultRule &rule, std::uint64_t &counter)
{
    ++counter;
    bool fire = rule.every > 0 && counter % rule.every == 0;
    // Draw whenever a rate is set, so one rule's draws never depend on
    // whether another rule fired.
    if (rule.rate > 0 && random_.uniform() < rule.rate)
        fire = true;
    return fire;
}

FaultOutcome FaultPlan::apply(const Reply &reply)
{
    FaultOutcome out;
    if (config_.silent) {
        out.send = false;
        out.whole = false;
        out.faults.push_back(Fault::kSilent);
        return out;
    }
    out.words = reply.words;
    out.bytes = reply.bytes;
    if (reply.command >= config_.commands.size() || !config_.commands.test(reply.command))
        return out;

    const bool drop = fires(config_.drop, dropCount_);
    const bool garbage = fires(config_.garbage, garbageCount_);
    const bool cut = fires(config_.shortFrame, shortCount_);
    const bool extra = fires(config_.extra, extraCount_);
    const bool wrongEcho =
        reply.command == kCmdEcho && fires(config_.wrongEcho, wrongEchoCount_);

    if (drop) {
        out.send = false;
        out.whole = false;
        out.faults.push_back(Fault::kDrop);
        return out;
    }
    if (garbage) {
        for (auto &b : out.bytes)
            b = static_cast<std::uint8_t>(random_.next());
        out.whole = false;
        out.faults.push_back(Fault::kGarbage);
        return out;
    }
    if (cut) {
        const std::size_t limit = std::min<std::size_t>(out.bytes.size(), kFrameBytes);
        const std::size_t keep = limit > 1 ? 1 + random_.next() % (limit - 1) : 0;
        out.bytes.resize(keep);
        out.send = keep > 0;
        out.whole = false;
        out.faults.push_back(Fault::kShort);
        return out;
    }
    if (wrongEcho && !out.words.empty()) {
        out.words[0] = kWrongEchoWord;
        writeWord(&out.bytes[kHeaderBytes], kWrongEchoWord);
        out.faults.push_back(Fault::kWrongEcho);
    }
    if (extra) {
        for (std::size_t i = 0; i < config_.extraBytes; ++i)
            out.bytes.push_back(static_cast<std::uint8_t>(random_.next()));
        out.faults.push_back(Fault::kExtra);
    }
    return out;
}

} // namespace qzan::sim
