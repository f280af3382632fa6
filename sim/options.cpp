// Option parsing: "--name value" or "--name=value", every value checked for
// form and range before anything starts.
#include "options.h"

#include "numbers.h"
#include "params.h"

#include <functional>
#include <vector>

namespace qzan::sim {

namespace {

using Handler = std::function<bool(std::string_view, Options &, std::string &)>;

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    Handler handle;
};

Handler wholeNumber(std::uint64_t min, std::uint64_t max,
                    std::function<void(Options &, std::uint64_t)> set)
{
    return [=](std::string_view text, Options &o, std::string &error) {
        std::uint64_t value = 0;
        if (!parseUnsigned(text, min, max, value)) {
            // Built by appending: GCC 12 at -O3 sees a false overlap in
            // "literal" + std::string and warnings are errors here.
            error.assign(1, '\'').append(text).append("' is not a whole number ");
            error.append(std::to_string(min)).append("..").append(std::to_string(max));
            return false;
        }
        set(o, value);
        return true;
    };
}

Handler realNumber(double min, double max, std::string_view range,
                   std::function<void(Options &, double)> set)
{
    return [=](std::string_view text, Options &o, std::string &error) {
        double value = 0;
        if (!parseReal(text, min, max, value)) {
            error.assign(1, '\'').append(text).append("' is not a number ").append(range);
            return false;
        }
        set(o, value);
        return true;
    };
}

Handler flag(std::function<void(Options &)> set)
{
    return [=](std::string_view, Options &o, std::string &) {
        set(o);
        return true;
    };
}

Handler text(std::function<void(Options &, std::string)> set)
{
    return [=](std::string_view value, Options &o, std::string &error) {
        if (value.empty()) {
            error = "needs a non-empty value";
            return false;
        }
        set(o, std::string(value));
        return true;
    };
}

Handler everyRule(FaultRule FaultConfig::*rule)
{
    return wholeNumber(0, 1'000'000'000,
                       [rule](Options &o, std::uint64_t n) { (o.faults.*rule).every = n; });
}

Handler rateRule(FaultRule FaultConfig::*rule)
{
    return realNumber(0, 1, "0..1", [rule](Options &o, double p) { (o.faults.*rule).rate = p; });
}

bool parseEdges(std::string_view value, Options &o, std::string &error)
{
    auto parts = splitCommas(value);
    double a = 0;
    double b = 0;
    if (parts.size() != 2 || !parseReal(trimSpace(parts[0]), -2048, 3072, a)
        || !parseReal(trimSpace(parts[1]), -2048, 3072, b) || !(a < b)) {
        error = "expected two positions A,B with A < B, each -2048..3072";
        return false;
    }
    o.scene.edgeLeft = a;
    o.scene.edgeRight = b;
    return true;
}

bool parseFaultCommands(std::string_view value, Options &o, std::string &error)
{
    std::bitset<16> codes;
    for (std::string_view part : splitCommas(value)) {
        std::uint64_t code = 0;
        if (!parseUnsigned(trimSpace(part), 1, kLastCommand, code)) {
            error.assign(1, '\'').append(part).append("' is not a command code 1..9");
            return false;
        }
        codes.set(code);
    }
    o.faults.commands = codes;
    return true;
}

const std::vector<OptionSpec> &optionTable()
{
    static const std::vector<OptionSpec> table = {
        {"--help", false, flag([](Options &o) { o.help = true; })},
        {"--link", true, text([](Options &o, std::string v) { o.link = std::move(v); })},
        {"--device", true, text([](Options &o, std::string v) { o.device = std::move(v); })},
        {"--baud", true,
         wholeNumber(0, 4'000'000,
                     [](Options &o, std::uint64_t v) { o.baud = static_cast<std::uint32_t>(v); })},
        {"--turnaround-ms", true,
         realNumber(0, 10'000, "0..10000", [](Options &o, double v) { o.turnaroundMs = v; })},
        {"--frame-gap-ms", true,
         realNumber(0.1, 60'000, "0.1..60000", [](Options &o, double v) { o.frameGapMs = v; })},
        {"--eeprom", true, text([](Options &o, std::string v) { o.eepromFile = std::move(v); })},
        {"--params", true,
         [](std::string_view v, Options &o, std::string &error) {
             Words w{};
             if (!parseWordList(v, w, error))
                 return false;
             o.params = w;
             return true;
         }},
        {"--answer-writes", false, flag([](Options &o) { o.answerWrites = true; })},
        {"--edges", true, parseEdges},
        {"--drift", true,
         realNumber(0, 1000, "0..1000", [](Options &o, double v) { o.scene.drift = v; })},
        {"--travel", true,
         realNumber(0, 1024, "0..1024", [](Options &o, double v) { o.scene.travel = v; })},
        {"--edge-width", true,
         realNumber(0, 100, "0..100", [](Options &o, double v) { o.scene.edgeWidth = v; })},
        {"--noise", true,
         realNumber(0, 200, "0..200", [](Options &o, double v) { o.scene.noise = v; })},
        {"--no-object", false, flag([](Options &o) { o.scene.object = false; })},
        {"--seed", true,
         wholeNumber(0, UINT64_MAX, [](Options &o, std::uint64_t v) { o.scene.seed = v; })},
        {"--silent", false, flag([](Options &o) { o.faults.silent = true; })},
        {"--drop-every", true, everyRule(&FaultConfig::drop)},
        {"--drop-rate", true, rateRule(&FaultConfig::drop)},
        {"--wrong-echo", false, flag([](Options &o) { o.faults.wrongEcho.every = 1; })},
        {"--wrong-echo-every", true, everyRule(&FaultConfig::wrongEcho)},
        {"--wrong-echo-rate", true, rateRule(&FaultConfig::wrongEcho)},
        {"--extra-every", true, everyRule(&FaultConfig::extra)},
        {"--extra-rate", true, rateRule(&FaultConfig::extra)},
        {"--extra-bytes", true,
         wholeNumber(1, 4096, [](Options &o, std::uint64_t v) { o.faults.extraBytes = v; })},
        {"--short-every", true, everyRule(&FaultConfig::shortFrame)},
        {"--short-rate", true, rateRule(&FaultConfig::shortFrame)},
        {"--garbage-every", true, everyRule(&FaultConfig::garbage)},
        {"--garbage-rate", true, rateRule(&FaultConfig::garbage)},
        {"--disconnect-after", true,
         wholeNumber(1, 1'000'000'000,
                     [](Options &o, std::uint64_t v) { o.faults.disconnectAfter = v; })},
        {"--reconnect-ms", true,
         realNumber(0, 3'600'000, "0..3600000", [](Options &o, double v) { o.reconnectMs = v; })},
        {"--fault-cmds", true, parseFaultCommands},
        {"--log", true, text([](Options &o, std::string v) { o.logFile = std::move(v); })},
        {"--replay", true,
         text([](Options &o, std::string v) { o.replayFile = std::move(v); })},
        {"--replay-speed", true,
         realNumber(0, 100'000, "0..100000",
                    [](Options &o, double v) {
                        o.replay.speed = v;
                        o.replayTuned = true;
                    })},
        {"--replay-loop", false, flag([](Options &o) {
             o.replay.loop = true;
             o.replayTuned = true;
         })},
    };
    return table;
}

} // namespace

OptionsResult parseOptions(std::span<const std::string_view> args)
{
    OptionsResult result;
    Options &o = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const OptionSpec *entry = nullptr;
        for (const auto &candidate : optionTable()) {
            if (candidate.name == name) {
                entry = &candidate;
                break;
            }
        }
        if (!entry) {
            result.error = "unknown option '" + std::string(arg) + "'";
            return result;
        }
        std::string_view value;
        if (entry->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                result.error = std::string(name) + ": needs a value";
                return result;
            }
        } else if (inlineValue) {
            result.error = std::string(name) + ": takes no value";
            return result;
        }
        std::string error;
        if (!entry->handle(value, o, error)) {
            result.error = std::string(name) + ": " + error;
            return result;
        }
    }
    if (o.help) {
        result.ok = true;
        return result;
    }
    if (o.link.empty() == o.device.empty()) {
        result.error = "give exactly one of --link PATH or --device PATH";
        return result;
    }
    if (o.replayTuned && o.replayFile.empty()) {
        result.error = "--replay-speed and --replay-loop need --replay FILE";
        return result;
    }
    result.ok = true;
    return result;
}

std::string usageText()
{
    return R"(Usage: qzan-sensor-sim (--link PATH | --device PATH) [options]

Plays the optical line sensor's side of the RS-232 protocol: 36-byte requests,
36-byte answers, 128-byte data blocks, computed from a moving scene.

Port:
  --link PATH            create a pseudo-terminal and make PATH a symbolic link
                         to it; prints "ready <slave>" once serving
  --device PATH          serve a real serial device instead (8N1, raw)
  --baud N               baud rate to emulate (default 19200; 0 = no pacing)
  --turnaround-ms X      time from the request's end to the answer's start
                         (default 1 when paced, 0 with --baud 0)
  --frame-gap-ms X       silence after which a partial request is discarded
                         (default: 5 ms or one frame's line time, the longer)

Parameters:
  --eeprom FILE          EEPROM set: 16 numbers, one a line; loaded at start,
                         written on command 3; RAM starts as a copy
  --params a,b,...,p     the 16 start words of RAM and EEPROM (wins over FILE)
  --answer-writes        answer commands 1 and 3 with the stored set

Scene:
  --edges A,B            the object's edges at start, pixels (default 420,600)
  --drift X              pixels per second, back and forth (default 5; 0 = still)
  --travel X             how far the object swings either way (default 60)
  --edge-width X         softness of the edges in pixels (default 6; 0 = hard)
  --noise X              noise amplitude in counts (default 3)
  --no-object            a plain lit line (no edges)
  --seed N               seed of noise and random faults (default 1)

Faults (every N-th eligible answer, or with probability P):
  --silent               never answer
  --drop-every N, --drop-rate P           do not send the answer
  --wrong-echo           echo word 0 is 0xAA00 instead of 0x00AA
  --wrong-echo-every N, --wrong-echo-rate P
  --extra-every N, --extra-rate P         append junk bytes to the answer
  --extra-bytes K        how many (default 4)
  --short-every N, --short-rate P         send only the first 1..35 bytes
  --garbage-every N, --garbage-rate P     random bytes instead of the answer
  --disconnect-after N   after N answers close the port and remove the link
  --reconnect-ms M       M ms later serve a new pseudo-terminal on the link
                         (without it the simulator exits after disconnecting)
  --fault-cmds LIST      command codes the faults apply to (default all)

Replay:
  --replay FILE          answer measurements with the rows of a recording the
                         program made, at their recorded times; everything else
                         stays the scene's. After the last row measurements
                         get no answer
  --replay-speed X       X times the recorded pace (default 1; 0 = one row per
                         request, as fast as asked)
  --replay-loop          after the last row start again from the first

Record:
  --log FILE             one line per request, answer, fault, discard and
                         connection: "<ms> REQ|ANS|FAULT|DROP|CONNECT|DISCONNECT ..."
  --help                 this text

Counts of requests, answers, discarded bytes and faults go to stderr at exit
(SIGINT, SIGTERM) and on SIGUSR1. Bad options or a replay file that is not a
whole recording: exit code 2.
)";
}

} // namespace qzan::sim
