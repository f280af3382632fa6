// The sensor's parameter record: sixteen words in a fixed order, the set the
// simulator starts with, and the EEPROM file (sixteen numbers, one a line).
#ifndef SIM_PARAMS_H
#define SIM_PARAMS_H

#include "wire.h"

#include <string>
#include <string_view>

namespace qzan::sim {

enum ParamWord : std::size_t {
    kPower = 0,    // light power 0..1000
    kPwrMode = 1,  // power mode (stored, no effect on the scene)
    kVThd = 2,     // video threshold 0..1023
    kBVal = 3,     // background value, subtracted in background mode 1
    kPolarity = 4, // 0: bright pixels are lit, 1: dark pixels are lit
    kEMode = 5,    // evaluation mode 0..3
    kEBeg = 6,     // evaluation window, pixels [eBeg, eEnd)
    kEEnd = 7,
    kTVal = 8,     // teach value (setpoint), pixels
    kTTol = 9,     // tolerance, pixels
    kIGain = 10,   // gain switch: nonzero doubles the video level
    kEPoti = 11,   // tolerance enable (stored, no effect on the scene)
    kCcdMode = 12, // 0 full line, 1 window at pStart, 2 window following the object
    kPStart = 13,  // window start for CCD mode 1
    kBMode = 14,   // background mode: 0 none, 1 subtract bVal, 2 subtract taught line
    kPara15 = 15,  // scale factor in thousandths (stored only)
};

// The simulator's own start set. It differs from the program's start-up
// values in many words, so a test can tell a fetched set from an unfetched one.
Words defaultParams();

// "a,b,...,p": exactly sixteen numbers 0..65535.
bool parseWordList(std::string_view text, Words &out, std::string &error);

enum class ParamFileStatus { kLoaded, kMissing, kInvalid };
ParamFileStatus loadParamFile(const std::string &path, Words &out, std::string &error);

// Written to a temporary file beside it and renamed, so a crash never
// leaves half a file.
bool saveParamFile(const std::string &path, const Words &words, std::string &error);

} // namespace qzan::sim

#endif
