// Parameter files: FileToArray against a plain reading of the format, and
// ReadParaFromFile behind a file popup that picks the file.

// Standard headers may bring in <unistd.h>, whose sync() hides the program's
// variable of that name: the harnesses reach it through SyncWord().
#define QZAN_WITHOUT_SYNC

#include "fuzz/harnesses.h"

#include "core/globals.h"
#include "fuzz/harness_common.h"
#include "fuzz/scratch_file.h"
#include "settings/gui.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace fuzzh {
namespace {

constexpr std::size_t kLongestLine = 64; // the reader's documented limit

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

struct Reading {
    enum Outcome { kNumbers, kTooFew, kNotANumber } outcome = kTooFew;
    std::vector<long long> values;
    // Whether every line the reader has to look at is within its limits
    // (at most 64 characters, no NUL byte).
    bool withinLimits = true;
};

bool ParseLine(const std::string &line, bool minusAllowed, long long max, long long &out)
{
    std::size_t b = 0, e = line.size();
    while (b < e && Blank(line[b]))
        ++b;
    while (e > b && Blank(line[e - 1]))
        --e;
    bool negative = false;
    if (b < e && (line[b] == '+' || line[b] == '-')) {
        negative = line[b] == '-';
        ++b;
    }
    if (negative && !minusAllowed)
        return false;
    if (b == e)
        return false;
    // Digits only; leading zeros do not count against the limit.
    while (b + 1 < e && line[b] == '0')
        ++b;
    if (e - b > 12)
        return false;
    long long v = 0;
    for (std::size_t i = b; i < e; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
        v = v * 10 + (line[i] - '0');
    }
    if (v > max + (negative ? 1 : 0))
        return false;
    out = negative ? -v : v;
    return true;
}

// The format as written down: lines of one number each, blank lines
// skipped, numbers after the `count`th ignored.
Reading ReadPlainly(const std::uint8_t *data, std::size_t size, std::size_t count,
                    bool minusAllowed, long long max)
{
    Reading r;
    std::size_t at = 0;
    while (at < size) {
        std::size_t end = at;
        while (end < size && data[end] != '\n')
            ++end;
        const std::string line(reinterpret_cast<const char *>(data) + at, end - at);
        at = end + 1;
        if (line.size() > kLongestLine || line.find('\0') != std::string::npos)
            r.withinLimits = false;
        bool blank = true;
        for (char c : line)
            blank = blank && Blank(c);
        if (blank)
            continue;
        if (r.values.size() == count)
            break; // the first line past the numbers asked for is looked at, no more
        long long v = 0;
        if (!ParseLine(line, minusAllowed, max, v)) {
            r.outcome = Reading::kNotANumber;
            return r;
        }
        r.values.push_back(v);
    }
    r.outcome = r.values.size() == count ? Reading::kNumbers : Reading::kTooFew;
    return r;
}

template <typename T>
void CheckRead(const std::string &path, const std::uint8_t *data, std::size_t size, int type,
               bool minusAllowed, long long max, Findings &f)
{
    constexpr std::size_t kCount = PNUM;
    std::array<T, kCount> values;
    for (std::size_t i = 0; i < kCount; ++i)
        values[i] = static_cast<T>(0x5A5A + i);
    const std::array<T, kCount> untouched = values;
    const int result = FileToArray(path.c_str(), values.data(), type, static_cast<int>(kCount), 1,
                                   GROUPS_IN_COLUMNS, FILE_ASCII);
    const Reading plain = ReadPlainly(data, size, kCount, minusAllowed, max);
    if (result < 0) {
        if (values != untouched)
            f.add("a failed read changed the values");
        if (plain.withinLimits && plain.outcome == Reading::kNumbers)
            f.add("a file of valid numbers was refused");
        if (plain.withinLimits && plain.outcome == Reading::kTooFew && result != AFE_TOO_FEW)
            f.add("a short file is not reported as too short");
        if (plain.withinLimits && plain.outcome == Reading::kNotANumber &&
            result != AFE_BAD_NUMBER)
            f.add("a line that is not a number is not reported as such");
        return;
    }
    if (result != 0)
        f.add("FileToArray returned a positive result");
    if (plain.outcome != Reading::kNumbers) {
        f.add("a file that is not sixteen numbers was accepted");
        return;
    }
    for (std::size_t i = 0; i < kCount; ++i)
        if (values[i] != static_cast<T>(plain.values[i])) {
            f.add("a value read is not the number in its line");
            return;
        }
}

struct Saved {
    std::array<unsigned short, PNUM> record;
    std::array<unsigned short, PNUM> vars;
};

const std::array<unsigned short *, PNUM> &Vars()
{
    static const std::array<unsigned short *, PNUM> vars = {
        &power, &pwrMode, &vThd, &bVal, &polarity, &eMode, &eBeg, &eEnd,
        &tVal, &tTol, &iGain, &ePoti, &ccdMode, &pStart, &bMode, &para15,
    };
    return vars;
}

Saved Save()
{
    Saved s;
    std::memcpy(s.record.data(), pp, sizeof pp);
    for (std::size_t i = 0; i < PNUM; ++i)
        s.vars[i] = *Vars()[i];
    return s;
}

void CheckReadParaFromFile(const std::string &path, Findings &f)
{
    StartProgram(StartSettings{});
    for (int i = 0; i < PNUM; ++i)
        pp[i] = static_cast<unsigned short>(0x7000 + i);
    const Saved before = Save();
    fakeplat::SetPopupAnswer(FILE_POPUP_EXISTING, path);

    unsigned int values[PNUM] = {};
    const int result =
        FileToArray(path.c_str(), values, TYPE_U32, PNUM, 1, GROUPS_IN_COLUMNS, FILE_ASCII);
    ReadParaFromFile();
    const Saved after = Save();

    if (fakeplat::PopupCalls() != 1)
        f.add("ReadParaFromFile did not ask for the file once");
    if (result < 0) {
        if (after.record != before.record || after.vars != before.vars)
            f.add("a file that could not be read changed the parameters");
        const char *want = result == AFE_TOO_FEW      ? TXT_FILE_TOO_SHORT
                           : result == AFE_BAD_NUMBER ? TXT_FILE_NOT_PARAMS
                                                      : TXT_FILE_CANNOT_READ;
        if (std::strcmp(szStatus, want) != 0)
            f.add("a file that could not be read shows the wrong text");
    } else {
        for (std::size_t i = 0; i < PNUM; ++i) {
            if (after.record[i] != static_cast<unsigned short>(values[i] & 0xFFFFu)) {
                f.add("pp does not hold the low 16 bits of the file's numbers");
                break;
            }
            if (after.vars[i] != after.record[i]) {
                f.add("the parameter variables do not hold pp");
                break;
            }
        }
    }
    CheckFake(f);
}

// Numbers read back from a file that ArrayToFile wrote are the numbers written.
void CheckRoundTrip(const std::string &path, Findings &f)
{
    unsigned int values[PNUM] = {};
    if (FileToArray(path.c_str(), values, TYPE_U32, PNUM, 1, GROUPS_IN_COLUMNS, FILE_ASCII) != 0)
        return;
    if (ScratchFolder().empty())
        return;
    const std::string copy = ScratchFolder() + "/round.dat";
    if (ArrayToFile(copy.c_str(), values, TYPE_U32, PNUM, 1, GROUPS_IN_COLUMNS,
                    FIELD_CONSTANT_WIDTH, 4, FILE_ASCII) != 0) {
        f.add("the values read could not be written again");
        return;
    }
    std::string written, want;
    for (unsigned v : values) {
        char line[16];
        std::snprintf(line, sizeof line, "%4u\n", v);
        want += line;
    }
    if (!ReadWholeFile(copy, written) || written != want)
        f.add("the file written is not sixteen numbers right-aligned in 4 characters");
    unsigned int again[PNUM] = {};
    if (FileToArray(copy.c_str(), again, TYPE_U32, PNUM, 1, GROUPS_IN_COLUMNS, FILE_ASCII) != 0 ||
        std::memcmp(values, again, sizeof values) != 0)
        f.add("a written file does not read back to the same numbers");
}

} // namespace

std::string RunParaFileCase(const std::uint8_t *data, std::size_t size)
{
    const std::string path = PutScratchFile(data, size);
    if (path.empty())
        return "the scratch file cannot be written";
    Findings f;
    constexpr long long kU32Max = 0xFFFFFFFFLL;
    constexpr long long kI32Max = 0x7FFFFFFFLL;
    CheckRead<unsigned int>(path, data, size, TYPE_U32, false, kU32Max, f);
    // The 16-bit store keeps the low half of a 32-bit number.
    CheckRead<unsigned short>(path, data, size, TYPE_U16, false, kU32Max, f);
    CheckRead<int>(path, data, size, TYPE_I32, true, kI32Max, f);
    {
        double values[PNUM];
        for (int i = 0; i < PNUM; ++i)
            values[i] = 0.5 + i;
        double untouched[PNUM];
        std::memcpy(untouched, values, sizeof values);
        if (FileToArray(path.c_str(), values, TYPE_DOUBLE, PNUM, 1, GROUPS_IN_COLUMNS,
                        FILE_ASCII) < 0 &&
            std::memcmp(values, untouched, sizeof values) != 0)
            f.add("a failed read of doubles changed the values");
    }
    CheckReadParaFromFile(path, f);
    CheckRoundTrip(path, f);
    return f.first();
}

} // namespace fuzzh
