// The parameter record: what each of its sixteen words holds, its unit and
// range, and how values that come in from the sensor or a file are brought
// back into range before the panels show them.
#ifndef CORE_PROTOCOL_RECORD_H
#define CORE_PROTOCOL_RECORD_H

#include "core/protocol/frame.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace qzan::protocol {

enum class Unit {
    None,        // a level, a switch or a mode
    Pixels,      // a position or length on the sensor line
    Thousandths, // the scale factor times 1000
};

struct Parameter {
    const char *name;  // the program's variable name
    const char *label; // what the operator calls it
    Unit unit;
    std::uint16_t min, max; // the range the panels keep, bounds included
    // Whether incoming values are clamped, and what replaces a value above
    // max or below min. Only the scale factor has a lower bound; the CCD
    // mode and the background mode are taken as they come.
    bool clamped;
    std::uint16_t ifAbove, ifBelow;
};

// Word i of the record is kParameters[i].
extern const std::array<Parameter, PNUM> kParameters;

// The word that holds the variable `name`, or -1.
int FindParameter(std::string_view name);

struct ClampedRecord {
    Words words{};
    std::uint16_t changed = 0; // bit i: word i was replaced
};

// The record as the panels will show it: each clamped word above its range
// takes its replacement, below its range its lower replacement; every other
// word stays. Replacements are not always the start-up values (the
// background value falls back to 60, the tolerance to 128), and an unknown
// evaluation mode becomes mode 1, which the drop-down can show.
ClampedRecord ClampRecord(const Words &words);

} // namespace qzan::protocol

#endif
