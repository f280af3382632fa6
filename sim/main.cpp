// qzan-sensor-sim: the optical line sensor's side of the serial protocol,
// served on a pseudo-terminal or a real serial device.
#include "event_log.h"
#include "faults.h"
#include "options.h"
#include "params.h"
#include "port.h"
#include "sensor.h"
#include "server.h"
#include "signals.h"
#include "stats.h"

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

    EventLog log(start);
    if (!o.logFile.empty() && !log.open(o.logFile, error))
        return usageError("--log: " + error);

    Sensor sensor(o.scene, startSet, o.answerWrites);
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
