// The compare window's rows on plain values.
#include "views/compare_rows.h"

#include "core/convert.h"
#include "core/globals.h"
#include "core/protocol/record.h"

#include <cstdio>

namespace {

using qzan::protocol::kParameters;
using qzan::protocol::Unit;

Unit UnitOf(int word) { return kParameters[static_cast<std::size_t>(word)].unit; }

unsigned short At(const CompareSets &sets, int set, int word)
{
    return sets.words[static_cast<std::size_t>(set)][static_cast<std::size_t>(word)];
}

bool Known(const CompareSets &sets, int set) { return sets.known[static_cast<std::size_t>(set)]; }

} // namespace

const char *SetName(int set)
{
    switch (set) {
    case SET_RAM: return "RAM";
    case SET_EEPROM: return "EEPROM";
    case SET_PANELS: return "Panels";
    case SET_FILE: return "File";
    case SET_FILE_EEPROM: return "File EEPROM";
    default: return "";
    }
}

std::string ValueText(int word, unsigned short value, bool microns)
{
    char text[16];
    switch (UnitOf(word)) {
    case Unit::Pixels:
        std::snprintf(text, sizeof text, "%u",
                      static_cast<unsigned>(microns ? PixelsToMicrons(value, PPITCH) : value));
        break;
    case Unit::Thousandths:
        // Whole thousandths, so the text does not depend on the locale.
        std::snprintf(text, sizeof text, "%u.%03u", value / 1000u, value % 1000u);
        break;
    default: std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value)); break;
    }
    return text;
}

std::string UnitText(int word, bool microns)
{
    switch (UnitOf(word)) {
    case Unit::Pixels: return microns ? "µm" : "pixels";
    case Unit::Thousandths: return "factor";
    default: return "";
    }
}

unsigned DifferingSets(const CompareSets &sets, int word)
{
    int reference = -1;
    unsigned bits = 0;
    for (int set = 0; set < SET_COUNT; ++set) {
        if (!Known(sets, set))
            continue;
        if (reference < 0)
            reference = set;
        else if (At(sets, set, word) != At(sets, reference, word))
            bits |= 1u << set;
    }
    return bits;
}

std::string DifferText(const CompareSets &sets, int word)
{
    const unsigned bits = DifferingSets(sets, word);
    std::string text;
    for (int set = 0; set < SET_COUNT; ++set) {
        if (!(bits & (1u << set)))
            continue;
        text += text.empty() ? "≠ " : ", ";
        text += SetName(set);
    }
    return text;
}

bool RamDiffersFromEeprom(const CompareSets &sets)
{
    if (!Known(sets, SET_RAM) || !Known(sets, SET_EEPROM))
        return false;
    return sets.words[SET_RAM] != sets.words[SET_EEPROM];
}
