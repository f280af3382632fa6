// The fuzz harnesses. Each takes one input, runs it through the program's
// own code on the fake services and returns what went wrong (empty: nothing).
// The fuzz targets and the regression tests call the same functions.
#ifndef FUZZ_HARNESSES_H
#define FUZZ_HARNESSES_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzh {

// Bytes as a sensor sends them, through the receive callback and the waits
// that use it. Input: a scenario byte (start-up echo check and fetch,
// measurement cycle, teach, background teach, the bare callback), a settings
// byte (unit, evaluation mode, CCD mode, chunk pattern, hang-up), a chunk
// size, then the bytes on the line.
std::string RunReplyCase(const std::uint8_t *data, std::size_t size);

// Data blocks: the decoder alone, ReadData64 with a fake queue that may report
// any length, or the whole data read loop.
std::string RunDataBlockCase(const std::uint8_t *data, std::size_t size);

// A parameter file's contents, through FileToArray and ReadParaFromFile.
std::string RunParaFileCase(const std::uint8_t *data, std::size_t size);

// The simulator's request reader on a byte stream cut at arbitrary points
// with arbitrary pauses.
std::string RunSimRequestCase(const std::uint8_t *data, std::size_t size);

} // namespace fuzzh

#endif
