// The recording reader. The file is read in large chunks and parsed in place,
// without a string per row, so a day of answers (about 100 MB) loads in
// about a second; the rows are counted first so that the table is allocated
// once, at its final size.
#include "recording.h"

#include "numbers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include <sys/stat.h>

namespace qzan::sim {

namespace {

enum Column : int {
    kTime,
    kEdge1,
    kEdge2,
    kMeasured,
    kTeach,
    kTolerance,
    kWindowStart,
    kEdges,
    kRequiredColumns,
};
constexpr std::array<std::string_view, kRequiredColumns> kColumnNames = {
    "time_ms", "edge1", "edge2", "measured", "teach", "tolerance", "window_start", "edges"};
constexpr std::size_t kChunk = 1 << 20;
constexpr std::uint64_t kLastTime = UINT32_MAX;

struct CloseFile {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

// Whole lines from a file, read a chunk at a time into one buffer; a line
// that does not fit kMaxRecordingLine is reported instead of grown.
class LineSource {
public:
    explicit LineSource(std::FILE *file) : file_(file), buffer_(kChunk + kMaxRecordingLine) {}

    enum class Next { kLine, kEnd, kTooLong, kReadError };

    Next next(std::string_view &line)
    {
        for (;;) {
            const char *begin = buffer_.data() + begin_;
            const char *newline =
                static_cast<const char *>(std::memchr(begin, '\n', end_ - begin_));
            if (newline) {
                line = {begin, static_cast<std::size_t>(newline - begin)};
                begin_ += line.size() + 1;
                return tooLong(line) ? Next::kTooLong : Next::kLine;
            }
            if (end_ - begin_ > kMaxRecordingLine)
                return Next::kTooLong;
            if (eof_) {
                if (begin_ == end_)
                    return Next::kEnd;
                line = {begin, end_ - begin_}; // a last line without its newline
                begin_ = end_;
                return tooLong(line) ? Next::kTooLong : Next::kLine;
            }
            std::memmove(buffer_.data(), begin, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
            std::size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
            end_ += n;
            if (n == 0) {
                if (std::ferror(file_))
                    return Next::kReadError;
                eof_ = true;
            }
        }
    }

private:
    static bool tooLong(std::string_view line) { return line.size() > kMaxRecordingLine; }

    std::FILE *file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
};

// Rows in a regular file, to size the table once; 0 for anything else (a
// pipe cannot be read twice).
std::size_t countLines(std::FILE *file)
{
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    std::vector<char> chunk(kChunk);
    std::size_t lines = 0;
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file))
        lines += static_cast<std::size_t>(std::count(chunk.data(), chunk.data() + n, '\n'));
    std::clearerr(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return 0;
    return lines + 1;
}

// Optional minus sign and decimal digits, spaces around allowed. Values too
// large for any column saturate instead of overflowing.
bool parseWhole(std::string_view text, std::int64_t &out)
{
    if (!text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '\t'
                          || text.back() == '\t'))
        text = trimSpace(text);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        if (value < 100'000'000'000'000'000)
            value = value * 10 + (c - '0');
    }
    out = negative ? -value : value;
    return true;
}

struct Header {
    std::size_t columns = 0;
    std::vector<int> roles; // per column: a Column, or -1 for one not read
};

bool isHeaderLine(std::string_view line)
{
    for (std::string_view name : splitCommas(line)) {
        if (trimSpace(name) == kColumnNames[kTime])
            return true;
    }
    return false;
}

class Reader {
public:
    explicit Reader(std::string path) : path_(std::move(path)) {}

    RecordingResult run();

private:
    bool fail(std::uint64_t line, const std::string &what);
    bool readHeader(std::string_view line, std::uint64_t number);
    bool readRow(std::string_view line, std::uint64_t number);

    std::string path_;
    RecordingResult result_;
    Header header_;
    std::uint64_t base_ = 0;     // where the current part's times start
    std::uint64_t lastTime_ = 0; // the previous row's time within its part
    bool newPart_ = false;
    bool anyRow_ = false;
};

bool Reader::fail(std::uint64_t line, const std::string &what)
{
    result_.error = path_;
    if (line > 0)
        result_.error.append(":").append(std::to_string(line));
    result_.error.append(": ").append(what);
    return false;
}

bool Reader::readHeader(std::string_view line, std::uint64_t number)
{
    Header header;
    std::array<bool, kRequiredColumns> seen{};
    for (std::string_view field : splitCommas(line)) {
        std::string_view name = trimSpace(field);
        int role = -1;
        for (int c = 0; c < kRequiredColumns; ++c) {
            if (name == kColumnNames[c])
                role = c;
        }
        if (role >= 0) {
            if (seen[role])
                return fail(number, "column '" + std::string(name) + "' appears twice");
            seen[role] = true;
        }
        header.roles.push_back(role);
    }
    header.columns = header.roles.size();
    if (std::none_of(seen.begin(), seen.end(), [](bool s) { return s; }))
        return fail(number, "not a recording: the first line is no header with the columns "
                            "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges");
    for (int c = 0; c < kRequiredColumns; ++c) {
        if (!seen[c])
            return fail(number, "the header has no column '" + std::string(kColumnNames[c]) + "'");
    }
    header_ = std::move(header);
    return true;
}

bool Reader::readRow(std::string_view line, std::uint64_t number)
{
    std::array<std::int64_t, kRequiredColumns> values{};
    std::size_t column = 0;
    std::size_t start = 0;
    for (;;) {
        // A plain scan: fields are a few characters, too short for memchr to pay.
        std::size_t comma = start;
        while (comma < line.size() && line[comma] != ',')
            ++comma;
        std::string_view field = line.substr(start, comma - start);
        if (column < header_.columns && header_.roles[column] >= 0) {
            const int role = header_.roles[column];
            if (!parseWhole(field, values[role])) {
                // Two recordings joined into one file carry a second header.
                if (isHeaderLine(line)) {
                    newPart_ = true;
                    return readHeader(line, number);
                }
                return fail(number, "'" + std::string(trimSpace(field)) + "' in column "
                                        + std::string(kColumnNames[role])
                                        + " is not a whole number");
            }
        }
        ++column;
        if (comma == line.size())
            break;
        start = comma + 1;
    }
    if (column != header_.columns)
        return fail(number, std::to_string(column) + " values where the header names "
                                + std::to_string(header_.columns) + " columns");

    const std::int64_t time = values[kTime];
    if (time < 0)
        return fail(number, "time_ms " + std::to_string(time) + " lies before the start");
    // Times start again where the program appended a new recording.
    if (anyRow_ && (newPart_ || static_cast<std::uint64_t>(time) < lastTime_)) {
        base_ += lastTime_;
        if (result_.recording.parts++ == 1)
            result_.recording.secondPartLine = number;
    }
    newPart_ = false;
    anyRow_ = true;
    lastTime_ = static_cast<std::uint64_t>(time);
    const std::uint64_t at = base_ + lastTime_;
    if (at > kLastTime)
        return fail(number, "the recording lasts longer than 49 days, more than a replay serves");

    unsigned outside = 0;
    for (int c = kEdge1; c < kRequiredColumns; ++c)
        outside += values[c] < 0 || values[c] > kMaxRecordedValue ? 1 : 0;
    Recording &rec = result_.recording;
    if (outside > 0) {
        rec.ignoredValues += outside;
        if (rec.ignoredRows++ == 0)
            rec.firstIgnoredLine = number;
        return true;
    }
    auto word = [&](int c) { return static_cast<std::uint16_t>(values[c]); };
    rec.rows.push_back({static_cast<std::uint32_t>(at), word(kEdge1), word(kEdge2),
                        word(kMeasured), word(kTeach), word(kTolerance), word(kWindowStart),
                        word(kEdges), 0, 0});
    return true;
}

RecordingResult Reader::run()
{
    File file(std::fopen(path_.c_str(), "rb"));
    if (!file) {
        fail(0, std::strerror(errno));
        return std::move(result_);
    }
    if (std::size_t lines = countLines(file.get()))
        result_.recording.rows.reserve(lines);

    LineSource source(file.get());
    std::string_view line;
    std::uint64_t number = 0;
    bool ok = true;
    while (ok) {
        LineSource::Next next = source.next(line);
        ++number;
        if (next == LineSource::Next::kEnd)
            break;
        if (next == LineSource::Next::kTooLong) {
            ok = fail(number, number == 1 ? std::string("not a recording: no header line")
                                          : "longer than " + std::to_string(kMaxRecordingLine)
                                                + " characters: not a recording's row");
            break;
        }
        if (next == LineSource::Next::kReadError) {
            ok = fail(number, std::string("cannot read on: ") + std::strerror(errno));
            break;
        }
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (number == 1) {
            // A UTF-8 mark, as some editors write it.
            if (line.starts_with("\xEF\xBB\xBF"))
                line.remove_prefix(3);
            ok = readHeader(line, number);
            continue;
        }
        if (trimSpace(line).empty())
            continue;
        ok = readRow(line, number);
    }
    if (ok && number == 1)
        ok = fail(0, "empty file, not a recording");
    Recording &rec = result_.recording;
    if (ok && rec.rows.empty())
        ok = fail(0, rec.ignoredRows > 0 ? "every row has values out of range, nothing to replay"
                                         : "holds no rows, nothing to replay");
    if (!ok) {
        result_.recording = Recording{};
        return std::move(result_);
    }
    // The count is exact for a file the program wrote; a copy to shrink a
    // table of a day's rows would double the memory for a moment.
    if (rec.rows.capacity() - rec.rows.size() > rec.rows.size() / 32)
        rec.rows.shrink_to_fit();
    deriveLineStates(rec.rows);
    result_.ok = true;
    return std::move(result_);
}

} // namespace

RecordingResult readRecording(const std::string &path)
{
    return Reader(path).run();
}

void deriveLineStates(std::vector<RecordedRow> &rows)
{
    constexpr unsigned kLineMiddle = 512;
    std::optional<std::uint16_t> left;
    std::optional<std::uint16_t> right;
    for (RecordedRow &row : rows) {
        row.stateStart = 1;
        row.stateEnd = 1;
        if (row.edges >= 2 && row.edges % 2 == 0) {
            left = row.edge1;
            right = row.edge2;
            continue;
        }
        if (row.edges % 2 == 0)
            continue; // none: one state throughout, which the picture does not read
        const int edge = row.edge1;
        bool objectsLeftEdge;
        if (left && right)
            objectsLeftEdge = std::abs(edge - *left) <= std::abs(edge - *right);
        else
            objectsLeftEdge = row.edge1 >= kLineMiddle;
        if (objectsLeftEdge) {
            row.stateEnd = 0;
            left = row.edge1;
        } else {
            row.stateStart = 0;
            right = row.edge1;
        }
    }
}

} // namespace qzan::sim
