// The fault plan: which answers are spoilt and how. Each fault fires on every
// N-th eligible answer, with a probability drawn from the seeded generator,
// or both.
#ifndef SIM_FAULTS_H
#define SIM_FAULTS_H

#include "rng.h"
#include "sensor.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qzan::sim {

enum class Fault : std::size_t {
    kSilent,     // nothing is ever answered
    kDrop,       // this answer is not sent
    kWrongEcho,  // the echo's word 0 is 0xAA00 instead of 0x00AA
    kExtra,      // junk bytes follow the answer
    kShort,      // only the first 1..35 bytes are sent
    kGarbage,    // random bytes of the answer's length instead of the answer
    kDisconnect, // the port goes away after N answers
};
inline constexpr std::size_t kFaultKinds = 7;
const char *faultName(Fault fault);

inline constexpr std::uint16_t kWrongEchoWord = 0xAA00;

struct FaultRule {
    std::uint64_t every = 0; // 0: off
    double rate = 0;         // 0..1
    bool active() const { return every > 0 || rate > 0; }
};

struct FaultConfig {
    bool silent = false;
    FaultRule drop;
    FaultRule wrongEcho; // counts echo answers only
    FaultRule extra;
    FaultRule shortFrame;
    FaultRule garbage;
    std::size_t extraBytes = 4;
    std::uint64_t disconnectAfter = 0; // 0: never
    std::bitset<16> commands;          // the codes the faults apply to
    FaultConfig() { commands.set(); }
};

struct FaultOutcome {
    bool send = true;                 // false: nothing goes out
    bool whole = true;                // the answer's words went out complete
    std::vector<std::uint16_t> words; // as sent, when whole
    std::vector<std::uint8_t> bytes;
    std::vector<Fault> faults;        // the faults applied
};

class FaultPlan {
public:
    FaultPlan(const FaultConfig &config, std::uint64_t seed);

    // What goes on the wire for this answer. When several faults fire at once,
    // drop wins over garbage, garbage over short, and wrong echo and extra
    // bytes spoil whatever is still sent whole.
    FaultOutcome apply(const Reply &reply);

    const FaultConfig &config() const { return config_; }

private:
    bool fires(const FaultRule &rule, std::uint64_t &counter);

    FaultConfig config_;
    Random random_;
    std::uint64_t dropCount_ = 0;
    std::uint64_t wrongEchoCount_ = 0;
    std::uint64_t extraCount_ = 0;
    std::uint64_t shortCount_ = 0;
    std::uint64_t garbageCount_ = 0;
};

} // namespace qzan::sim

#endif
