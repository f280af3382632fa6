// What the compare window shows, worked out on plain values: the sixteen
// parameters of up to four sets side by side, each word in the unit the
// operator chose, and which sets disagree.
#ifndef VIEWS_COMPARE_ROWS_H
#define VIEWS_COMPARE_ROWS_H

#include "core/protocol/frame.h"

#include <array>
#include <string>

// The sets side by side, in the table's order. A parameter file fills
// SET_FILE; a backup file its RAM set there and its EEPROM set beside it.
enum { SET_RAM, SET_EEPROM, SET_PANELS, SET_FILE, SET_FILE_EEPROM, SET_COUNT };

struct CompareSets {
    std::array<qzan::protocol::Words, SET_COUNT> words{};
    std::array<bool, SET_COUNT> known{}; // a set not fetched or not chosen is left out
};

// The column heading of a set.
const char *SetName(int set);

// Lengths in micrometres (whole numbers, at the sensor's pixel pitch) or
// pixels; the scale factor as a number with three decimals; every other
// word as it is.
std::string ValueText(int word, unsigned short value, bool microns);
std::string UnitText(int word, bool microns);

// Bit s is set for each known set whose value of `word` differs from the
// first known set's (RAM when it is known); 0 when they all agree.
unsigned DifferingSets(const CompareSets &sets, int word);
// "≠ EEPROM, File" for those bits; empty when they all agree.
std::string DifferText(const CompareSets &sets, int word);

// Both sensor sets are known and some word differs between them: the RAM
// holds changes that a power cycle will lose.
bool RamDiffersFromEeprom(const CompareSets &sets);

#endif
