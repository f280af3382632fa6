// The parameter table and the clamp applied on the way to the panels.
#include "core/protocol/record.h"

namespace qzan::protocol {

const std::array<Parameter, PNUM> kParameters = {{
    {"power", "Power", Unit::None, 0, 1000, true, 500, 0},
    {"pwrMode", "Power mode", Unit::None, 0, 1, true, 0, 0},
    {"vThd", "Video threshold", Unit::None, 0, 1023, true, 512, 0},
    {"bVal", "Background value", Unit::None, 0, 1023, true, 60, 0},
    {"polarity", "Polarity", Unit::None, 0, 1, true, 1, 0},
    {"eMode", "Evaluation mode", Unit::None, 0, 3, true, 1, 0},
    {"eBeg", "Window left edge", Unit::Pixels, 0, 1024, true, 200, 0},
    {"eEnd", "Window right edge", Unit::Pixels, 0, 1024, true, 800, 0},
    {"tVal", "Teach value", Unit::Pixels, 0, 1024, true, 512, 0},
    {"tTol", "Tolerance", Unit::Pixels, 0, 512, true, 128, 0},
    {"iGain", "Gain", Unit::None, 0, 1, true, 0, 0},
    {"ePoti", "Tolerance enable", Unit::None, 0, 1, true, 1, 0},
    {"ccdMode", "CCD mode", Unit::None, 0, 2, false, 0, 0},
    {"pStart", "Pixel start", Unit::Pixels, 0, 1023, true, 1, 0},
    {"bMode", "Background mode", Unit::None, 0, 2, false, 0, 0},
    {"para15", "Scale factor", Unit::Thousandths, 800, 1200, true, 1200, 800},
}};

int FindParameter(std::string_view name)
{
    for (int i = 0; i < PNUM; ++i)
        if (name == kParameters[static_cast<std::size_t>(i)].name)
            return i;
    return -1;
}

ClampedRecord ClampRecord(const Words &words)
{
    ClampedRecord out;
    out.words = words;
    for (int i = 0; i < PNUM; ++i) {
        const Parameter &p = kParameters[static_cast<std::size_t>(i)];
        std::uint16_t &w = out.words[static_cast<std::size_t>(i)];
        if (!p.clamped)
            continue;
        // The upper bound first, then the lower: a replacement is in range.
        if (w > p.max)
            w = p.ifAbove;
        if (w < p.min)
            w = p.ifBelow;
        if (w != words[static_cast<std::size_t>(i)])
            out.changed = static_cast<std::uint16_t>(out.changed | (1u << i));
    }
    return out;
}

} // namespace qzan::protocol
