// Files for the harnesses: an in-memory file that holds one input at a time,
// and a private scratch folder.
#ifndef FUZZ_SCRATCH_FILE_H
#define FUZZ_SCRATCH_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzh {

// Replaces the scratch file's contents with `data`; the path that opens it.
// Empty on failure.
std::string PutScratchFile(const std::uint8_t *data, std::size_t size);

// A folder of this process's own, made on first use and removed at exit;
// empty on failure or once removed.
const std::string &ScratchFolder();

// Removes the scratch folder now (before an abort, which skips the exit).
void RemoveScratchFolder();

// The whole contents of a file; false when it cannot be read.
bool ReadWholeFile(const std::string &path, std::string &contents);

} // namespace fuzzh

#endif
