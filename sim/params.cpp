// The start set, the "--params" list and the EEPROM file.
#include "params.h"

#include "numbers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace qzan::sim {

Words defaultParams()
{
    //      power pwrMode vThd bVal pol eMode eBeg eEnd tVal tTol iGain ePoti ccd pStart bMode para15
    return {650, 0, 480, 40, 0, 0, 150, 850, 400, 60, 1, 1, 0, 300, 0, 1000};
}

bool parseWordList(std::string_view text, Words &out, std::string &error)
{
    auto parts = splitCommas(text);
    if (parts.size() != kWordCount) {
        error = "expected 16 comma-separated numbers, got " + std::to_string(parts.size());
        return false;
    }
    Words words{};
    for (std::size_t i = 0; i < kWordCount; ++i) {
        std::uint64_t value = 0;
        if (!parseUnsigned(trimSpace(parts[i]), 0, 65535, value)) {
            error = "word " + std::to_string(i) + " '" + std::string(parts[i])
                    + "' is not a number 0..65535";
            return false;
        }
        words[i] = static_cast<std::uint16_t>(value);
    }
    out = words;
    return true;
}

ParamFileStatus loadParamFile(const std::string &path, Words &out, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT)
            return ParamFileStatus::kMissing;
        error = path + ": " + std::strerror(errno);
        return ParamFileStatus::kInvalid;
    }
    Words words{};
    std::size_t count = 0;
    std::size_t lineNo = 0;
    std::string line;
    // Bounded read: a huge or binary file is rejected without reading it all.
    while (lineNo < 1000 && std::getline(in, line)) {
        ++lineNo;
        std::string_view text = trimSpace(line);
        if (text.empty())
            continue;
        std::uint64_t value = 0;
        if (count == kWordCount || !parseUnsigned(text, 0, 65535, value)) {
            error = path + ": line " + std::to_string(lineNo)
                    + (count == kWordCount ? ": more than 16 numbers"
                                           : ": not a number 0..65535");
            return ParamFileStatus::kInvalid;
        }
        words[count++] = static_cast<std::uint16_t>(value);
    }
    if (count != kWordCount) {
        error = path + ": holds " + std::to_string(count) + " numbers, expected 16";
        return ParamFileStatus::kInvalid;
    }
    out = words;
    return ParamFileStatus::kLoaded;
}

bool saveParamFile(const std::string &path, const Words &words, std::string &error)
{
    std::string text;
    for (std::uint16_t w : words)
        text += std::to_string(w) + "\n";
    std::string temp = path + ".tmp" + std::to_string(getpid());
    std::FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = temp + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace qzan::sim
