// Reading a recording the program made (CSV, one row per measurement answer)
// for replay: checked whole at start, held compactly so that a day of answers
// at the line's rate fits in some tens of megabytes.
#ifndef SIM_RECORDING_H
#define SIM_RECORDING_H

#include <cstdint>
#include <string>
#include <vector>

namespace qzan::sim {

struct RecordedRow {
    std::uint32_t timeMs; // from the file's first recording's start (see Recording::parts)
    std::uint16_t edge1;
    std::uint16_t edge2;
    std::uint16_t measured;
    std::uint16_t teach;
    std::uint16_t tolerance;
    std::uint16_t windowStart;
    std::uint16_t edges;
    // Line state at the window's two ends (1 lit), which the recording does
    // not hold: derived from the edges, see deriveLineStates.
    std::uint8_t stateStart;
    std::uint8_t stateEnd;
};
static_assert(sizeof(RecordedRow) == 20, "a day of rows must stay compact");

// Every value column holds pixels of the line or a count of them.
inline constexpr std::int64_t kMaxRecordedValue = 1024;
// Rows longer than this are damage, not data (the program writes under 80).
inline constexpr std::size_t kMaxRecordingLine = 4096;

struct Recording {
    std::vector<RecordedRow> rows;
    // Values outside 0..kMaxRecordedValue: their rows are left out.
    std::uint64_t ignoredValues = 0;
    std::uint64_t ignoredRows = 0;
    std::uint64_t firstIgnoredLine = 0;
    // The program appends a new recording to a file that holds one; its
    // times start again. Each such part follows on after the one before.
    unsigned parts = 1;
    std::uint64_t secondPartLine = 0; // where the second part starts, 0 if none
};

struct RecordingResult {
    bool ok = false;
    std::string error; // one line: "<file>:<line>: what is wrong"
    Recording recording;
};

// Reads the header (columns by name; unknown ones are skipped) and every
// row. A damaged row ends the reading with an error naming its line.
RecordingResult readRecording(const std::string &path);

// Fills stateStart/stateEnd of rows in recorded order. Two edges: lit at
// both ends, the object dark between them. One edge: the object's edge
// nearer to where the object was last seen with both edges; the line lies
// dark beyond it. Without that history an edge in the line's right half is
// taken as the object's left edge, and the other way round.
void deriveLineStates(std::vector<RecordedRow> &rows);

} // namespace qzan::sim

#endif
