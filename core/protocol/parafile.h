// The parameter file: the sixteen words of the parameter record as text, one
// number per line, right-aligned in fields four characters wide. Reading
// and writing on plain values; opening and saving the file is the caller's.
#ifndef CORE_PROTOCOL_PARAFILE_H
#define CORE_PROTOCOL_PARAFILE_H

#include "core/protocol/frame.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qzan::protocol {

enum class ParaFileError {
    None,
    CannotOpen,  // the file cannot be opened or made
    CannotRead,  // reading failed half-way
    CannotWrite, // writing failed (a full disk, ...)
    TooShort,    // fewer than sixteen numbers
    NotNumbers,  // a line that is not one whole number from 0 to 2^32 - 1
};

// The longest text a record gives: sixteen five-digit numbers and line ends.
inline constexpr std::size_t PARAFILE_MAX_BYTES = PNUM * 6;

// The file's text for `words`: "%4u\n" sixteen times, whatever the locale.
// Writes it into `out` (PARAFILE_MAX_BYTES fit always) and gives its length.
std::size_t FormatParameterFile(const Words &words, char *out, std::size_t size);
std::string FormatParameterFile(const Words &words);

struct ParaFileRead {
    ParaFileError error = ParaFileError::None;
    Words words{}; // only when error is None: each number's low 16 bits
};

// Reads a parameter file byte by byte, so that a huge or endless file is
// given up on as soon as its outcome is known. Lines are whole numbers
// (decimal digits, an optional '+', blanks around them); blank lines are
// skipped; a line longer than 64 characters or a NUL byte makes the file
// no parameter file; numbers after the sixteenth are ignored.
class ParaFileReader {
public:
    // Takes the next byte; false once the outcome is known and no more
    // bytes are wanted.
    bool Put(char c);
    // The outcome at the end of the file; `readFailed` when reading it
    // failed before its end.
    ParaFileRead Finish(bool readFailed = false);

private:
    bool EndLine();

    static constexpr std::size_t kMaxLine = 64;
    char line_[kMaxLine] = {};
    std::size_t length_ = 0;
    bool overlong_ = false;
    bool decided_ = false;
    int stored_ = 0;
    ParaFileError error_ = ParaFileError::None;
    Words words_{};
};

// The whole text at once.
ParaFileRead ParseParameterFile(std::string_view text);

} // namespace qzan::protocol

#endif
