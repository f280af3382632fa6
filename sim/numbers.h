// Locale-free parsing of the numbers in options and files.
#ifndef SIM_NUMBERS_H
#define SIM_NUMBERS_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace qzan::sim {

// Whole text must be a decimal number within [min, max].
bool parseUnsigned(std::string_view text, std::uint64_t min, std::uint64_t max,
                   std::uint64_t &out);
bool parseSigned(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t &out);
// Plain decimal notation ("1", "0.5", "-3.25"); finite and within [min, max].
bool parseReal(std::string_view text, double min, double max, double &out);

// Splits at commas; empty fields stay as empty strings.
std::vector<std::string_view> splitCommas(std::string_view text);

std::string_view trimSpace(std::string_view text);

} // namespace qzan::sim

#endif
