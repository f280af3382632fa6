// Files for tests: a private folder removed with everything in it, reading a
// file whole, and waiting for a text to appear in one.
#ifndef TESTS_SUPPORT_FILES_H
#define TESTS_SUPPORT_FILES_H

#include <chrono>
#include <string>

namespace qzan::test {

// A fresh folder under $TMPDIR (or /tmp), removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string &path);
// Polls `path` until it contains `needle`; false after `limit`.
bool WaitForText(const std::string &path, const std::string &needle,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

} // namespace qzan::test

#endif
