// qzan-sensor-sim: the optical line sensor's side of the serial protocol,
// served on a pseudo-terminal or a real serial device.
#include "event_log.h"
#include "faults.h"
#include "options.h"
#include "params.h"
#include "port.h"
#include "recording.h"
#include "replay.h"
#include "sensor.h"
#include "server.h"
#include "signals.h"
#include "stats.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using namespace qzan::sim;

namespace {

int usageError(const std::string &message)
{
    std::fprintf(stderr, "qzan-sensor-sim: %s\nTry 'qzan-sensor-sim --help'.\n", message.c_str());
    return 2;
}

Nanos millis(double ms)
{
    return Nanos(static_cast<long long>(ms * 1e6 + 0.5));
}

// Loads the recording whole before serving, so that a damaged file is told
// at once and not after hours of replay. Null (and the reason printed) when
// it cannot be served.
std::unique_ptr<Replay> loadReplay(const Options &o)
{
    const TimePoint begin = Clock::now();
    RecordingResult read = readRecording(o.replayFile);
    if (!read.ok) {
        // The message names the file and line; a hint at --help would not help.
        std::fprintf(stderr, "qzan-sensor-sim: --replay: %s\n", read.error.c_str());
        return nullptr;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    const Recording &rec = read.recording;
    const std::uint32_t lastMs = rec.rows.back().timeMs - rec.rows.front().timeMs;
    std::fprintf(stderr,
                 "qzan-sensor-sim: replaying %s: %zu rows over %u:%02u:%02u.%03u "
                 "(read in %.2f s)\n",
                 o.replayFile.c_str(), rec.rows.size(), lastMs / 3'600'000,
                 lastMs / 60'000 % 60, lastMs / 1000 % 60, lastMs % 1000, seconds);
    if (rec.parts > 1)
        std::fprintf(stderr,
                     "qzan-sensor-sim: %s holds %u recordings, one after the other (the second "
                     "from line %" PRIu64 "); they are replayed in turn\n",
                     o.replayFile.c_str(), rec.parts, rec.secondPartLine);
    if (rec.ignoredValues > 0)
        std::fprintf(stderr,
                     "qzan-sensor-sim: %s: ignored %" PRIu64 " values out of range 0..%lld in %"
                     PRIu64 " rows, the first at line %" PRIu64 "\n",
                     o.replayFile.c_str(), rec.ignoredValues,
                     static_cast<long long>(kMaxRecordedValue), rec.ignoredRows,
                     rec.firstIgnoredLine);
    auto replay = std::make_unique<Replay>(std::move(read.recording.rows), o.replay);
    replay->onLastRow([loop = o.replay.loop] {
        std::fputs(loop ? "qzan-sensor-sim: replay: last row served, starting again\n"
                        : "qzan-sensor-sim: replay: last row served; measurements are no "
                          "longer answered\n",
                   stderr);
    });
    return replay;
}

} // namespace

int main(int argc, char **argv)
{
    const TimePoint start = Clock::now();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    OptionsResult parsed = parseOptions(args);
    if (!parsed.ok)
        return usageError(parsed.error);
    const Options &o = parsed.options;
    if (o.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }

    std::string error;
    Words startSet = defaultParams();
    if (!o.eepromFile.empty()) {
        switch (loadParamFile(o.eepromFile, startSet, error)) {
        case ParamFileStatus::kLoaded:
            break;
        case ParamFileStatus::kMissing:
            std::fprintf(stderr,
                         "qzan-sensor-sim: %s does not exist yet; starting with the default set\n",
                         o.eepromFile.c_str());
            break;
        case ParamFileStatus::kInvalid:
            return usageError("--eeprom: " + error);
        }
    }
    if (o.params)
        startSet = *o.params;
    if (!o.link.empty() && !checkLinkPath(o.link, error))
        return usageError("--link: " + error);
    if (!o.device.empty() && !deviceBaudSupported(o.baud))
        return usageError("--baud: a serial device cannot be set to " + std::to_string(o.baud));

    std::unique_ptr<Replay> replay;
    if (!o.replayFile.empty()) {
        replay = loadReplay(o);
        if (!replay)
            return 2;
    }

    EventLog log(start);
    if (!o.logFile.empty() && !log.open(o.logFile, error))
        return usageError("--log: " + error);

    Sensor sensor(o.scene, startSet, o.answerWrites);
    if (replay)
        sensor.replayFrom(std::move(replay));
    if (!o.eepromFile.empty()) {
        sensor.onEepromWrite([path = o.eepromFile](const Words &words) {
            std::string writeError;
            if (!saveParamFile(path, words, writeError))
                std::fprintf(stderr, "qzan-sensor-sim: EEPROM not saved: %s\n", writeError.c_str());
        });
    }
    FaultPlan faults(o.faults, o.scene.seed);
    Stats stats;

    std::unique_ptr<Port> port;
    if (!o.link.empty())
        port = std::make_unique<PtyPort>(o.link, o.baud);
    else
        port = std::make_unique<DevicePort>(o.device, o.baud);

    ServeSettings settings;
    settings.pacing.baud = o.baud;
    settings.pacing.turnaround = millis(o.turnaroundMs.value_or(o.baud > 0 ? 1.0 : 0.0));
    settings.pacing.lineAddsAnswerTime = port->lineAddsAnswerTime();
    if (o.frameGapMs)
        settings.pacing.gapOverride = millis(*o.frameGapMs);
    settings.disconnectAfter = o.faults.disconnectAfter;
    if (o.reconnectMs)
        settings.reconnectDelay = millis(*o.reconnectMs);

    sigset_t waitMask;
    if (!installSignalHandlers(waitMask)) {
        std::perror("qzan-sensor-sim: signals");
        return 1;
    }
    Server server(*port, sensor, faults, stats, log, settings, start);
    return server.run(waitMask);
}
