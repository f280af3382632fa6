// Parameter file text: locale-free formatting and a strict line reader.
#include "core/protocol/parafile.h"

#include <cstdio>

namespace qzan::protocol {
namespace {

constexpr int kFieldWidth = 4;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// One line holding one whole number from 0 to 2^32 - 1, blanks around it.
bool ParseNumber(const char *s, std::size_t n, unsigned long long &value)
{
    constexpr unsigned long long kMax = 0xFFFFFFFFull;
    std::size_t i = 0;
    while (i < n && IsBlank(s[i]))
        ++i;
    if (i < n && s[i] == '-')
        return false;
    if (i < n && s[i] == '+')
        ++i;
    if (i >= n || s[i] < '0' || s[i] > '9')
        return false;
    unsigned long long v = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + static_cast<unsigned>(s[i] - '0');
        if (v > kMax)
            return false;
        ++i;
    }
    while (i < n && IsBlank(s[i]))
        ++i;
    if (i != n)
        return false;
    value = v;
    return true;
}

} // namespace

std::size_t FormatParameterFile(const Words &words, char *out, std::size_t size)
{
    std::size_t at = 0;
    for (std::uint16_t w : words) {
        char line[16];
        // Integers carry no locale: digits and spaces only.
        const int n = std::snprintf(line, sizeof line, "%*u\n", kFieldWidth, unsigned{w});
        const auto length = static_cast<std::size_t>(n);
        if (at + length > size)
            break; // only whole lines
        for (std::size_t i = 0; i < length; ++i)
            out[at + i] = line[i];
        at += length;
    }
    return at;
}

std::string FormatParameterFile(const Words &words)
{
    char text[PARAFILE_MAX_BYTES];
    return std::string(text, FormatParameterFile(words, text, sizeof text));
}

bool ParaFileReader::EndLine()
{
    if (overlong_) {
        error_ = ParaFileError::NotNumbers;
        return false;
    }
    const std::size_t length = length_;
    length_ = 0;
    bool blank = true;
    for (std::size_t i = 0; i < length; ++i)
        blank = blank && IsBlank(line_[i]);
    if (blank)
        return true;
    if (stored_ == PNUM)
        return false; // a number beyond the record: the rest is not read
    unsigned long long v = 0;
    if (!ParseNumber(line_, length, v)) {
        error_ = ParaFileError::NotNumbers;
        return false;
    }
    words_[static_cast<std::size_t>(stored_++)] = static_cast<std::uint16_t>(v & 0xFFFFu);
    return true;
}

bool ParaFileReader::Put(char c)
{
    if (decided_)
        return false;
    if (c == '\n') {
        decided_ = !EndLine();
        return !decided_;
    }
    if (c == '\0') { // a binary file
        error_ = ParaFileError::NotNumbers;
        decided_ = true;
        return false;
    }
    if (length_ < kMaxLine)
        line_[length_++] = c;
    else
        overlong_ = true;
    return true;
}

ParaFileRead ParaFileReader::Finish(bool readFailed)
{
    if (!decided_) {
        EndLine(); // the last line needs no line end
        decided_ = true;
    }
    ParaFileRead out;
    out.error = error_;
    if (out.error == ParaFileError::None && readFailed)
        out.error = ParaFileError::CannotRead;
    if (out.error == ParaFileError::None && stored_ < PNUM)
        out.error = ParaFileError::TooShort;
    if (out.error == ParaFileError::None)
        out.words = words_;
    return out;
}

ParaFileRead ParseParameterFile(std::string_view text)
{
    ParaFileReader reader;
    for (char c : text)
        if (!reader.Put(c))
            break;
    return reader.Finish();
}

} // namespace qzan::protocol
