// Number parsing with std::from_chars, which never looks at the locale.
#include "numbers.h"

#include <charconv>
#include <cmath>

namespace qzan::sim {

bool parseUnsigned(std::string_view text, std::uint64_t min, std::uint64_t max,
                   std::uint64_t &out)
{
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return false;
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return false;
    out = value;
    return true;
}

bool parseSigned(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t &out)
{
    if (text.empty() || text.front() == '+')
        return false;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return false;
    out = value;
    return true;
}

bool parseReal(std::string_view text, double min, double max, double &out)
{
    if (text.empty() || text.front() == '+')
        return false;
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                     std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)
        || value < min || value > max)
        return false;
    out = value;
    return true;
}

std::vector<std::string_view> splitCommas(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

std::string_view trimSpace(std::string_view text)
{
    const char *space = " \t\r\n";
    std::size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

} // namespace qzan::sim
