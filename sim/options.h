// The command line of qzan-sensor-sim.
#ifndef SIM_OPTIONS_H
#define SIM_OPTIONS_H

#include "faults.h"
#include "replay.h"
#include "scene.h"
#include "wire.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qzan::sim {

struct Options {
    std::string link;   // create a pseudo-terminal and point this link at it
    std::string device; // or serve a real serial device
    std::uint32_t baud = 19200;
    std::optional<double> turnaroundMs; // default 1 ms when paced, 0 with --baud 0
    std::optional<double> frameGapMs;
    std::string eepromFile;
    std::optional<Words> params;
    bool answerWrites = false;
    SceneConfig scene;
    FaultConfig faults;
    std::optional<double> reconnectMs;
    std::string logFile;
    std::string replayFile; // measurements answer from this recording
    ReplayConfig replay;
    bool replayTuned = false; // --replay-speed or --replay-loop given
    bool help = false;
};

struct OptionsResult {
    bool ok = false;
    std::string error; // one line, without the program's name
    Options options;
};

OptionsResult parseOptions(std::span<const std::string_view> args);

std::string usageText();

} // namespace qzan::sim

#endif
