// A pseudo-terminal pair made by the test: it plays the device (or the
// sensor) on the master, the code under test opens the slave.
#ifndef TESTS_SUPPORT_PTY_PAIR_H
#define TESTS_SUPPORT_PTY_PAIR_H

#include <cstddef>
#include <string>

namespace qzan::test {

struct PtyPair {
    PtyPair();
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;
    void send(const std::string &bytes) const;
    // What came from the slave's side, until `count` bytes came or none came
    // for `ms`.
    std::string receive(std::size_t count, int ms = 2000) const;
    void hangUp(); // as an unplugged adapter would

    int master = -1;
    std::string slave;
};

} // namespace qzan::test

#endif
