// Test harness for the simulator program: starts qzan-sensor-sim in a
// temporary directory, and a plain client that talks to it over the
// pseudo-terminal like the program does.
#ifndef TESTS_SIM_SIM_HARNESS_H
#define TESTS_SIM_SIM_HARNESS_H

#include "wire.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

namespace qzan::sim::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

class SimProcess {
public:
    ~SimProcess();

    // Runs the program with `args`; false when it did not print its ready line
    // within 10 s. The slave path is then in readyPath().
    bool start(const std::vector<std::string> &args, const std::string &stderrFile);
    // Runs it to its end (bad options and the like); returns the exit code.
    static int runToExit(const std::vector<std::string> &args, std::string &stderrText);

    const std::string &readyPath() const { return readyPath_; }
    // Waits up to `limit` for the next "ready" line (after a reconnect).
    bool waitReady(std::chrono::milliseconds limit);
    void signal(int signo) const;
    // Sends SIGTERM and waits; returns the exit code, or -1 on a crash or hang.
    int stop();
    // Waits for the program to end by itself; -1 if it does not within `limit`.
    int waitExit(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::string pendingOut_;
    std::string readyPath_;
};

class Client {
public:
    ~Client();
    bool open(const std::string &path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    void send(const Bytes &bytes);
    void sendRequest(std::uint16_t command, const Words &words = {});
    // Reads until `count` bytes arrived or `limit` passed; returns what came.
    Bytes read(std::size_t count, std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
    // Waits until the port reports a hang-up or an error.
    bool waitHangUp(std::chrono::milliseconds limit);
    // Request, then the 16 words of a 36-byte reply (empty if none came).
    std::vector<std::uint16_t> exchange(std::uint16_t command, const Words &words = {});
    std::vector<std::uint16_t> readBlock(std::uint16_t first);

private:
    int fd_ = -1;
};

Bytes frameBytes(std::uint16_t command, const Words &words = {});
std::vector<std::uint16_t> replyWords(const Bytes &reply);
std::string readFile(const std::string &path);
// Polls `path` until it contains `needle`; false after `limit`.
bool waitForText(const std::string &path, const std::string &needle,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
std::vector<std::vector<std::string>> logLines(const std::string &path, const std::string &kind);

} // namespace qzan::sim::test

#endif
