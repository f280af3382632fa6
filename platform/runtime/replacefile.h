// Saving a file the operator names so that it stays the file it was: the
// way the parameter file is written. Plain C++: the array files need no Qt.
#ifndef PLATFORM_RUNTIME_REPLACEFILE_H
#define PLATFORM_RUNTIME_REPLACEFILE_H

#include <cstddef>

namespace rt {

// Makes the `size` bytes at `data` the whole new contents of `path` (a path
// in the system's file name encoding). 0 on success, else AFE_OPEN (it
// cannot be opened or made) or AFE_WRITE (writing failed); on failure the
// old contents stay as they were.
int ReplaceFile(const char *path, const char *data, std::size_t size);

} // namespace rt

#endif
