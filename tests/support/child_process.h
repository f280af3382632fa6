// One way for tests and benchmarks to run another program: its standard
// output through a pipe the caller reads, its standard error into a file, and
// an end of its own when the process that started it dies.
#ifndef TESTS_SUPPORT_CHILD_PROCESS_H
#define TESTS_SUPPORT_CHILD_PROCESS_H

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace qzan::test {

class ChildProcess {
public:
    ChildProcess() = default;
    // A child still running is killed and reaped.
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Runs `argv` (argv[0] a path). Its standard output comes through a pipe
    // when `captureStdout`, else it goes to /dev/null; its standard error goes
    // to `stderrPath` (truncated), or stays the caller's when that is empty.
    // The child gets SIGTERM when the caller dies, so a crashed test leaves
    // nothing behind.
    bool Spawn(const std::vector<std::string> &argv, const std::string &stderrPath,
               bool captureStdout = true);

    // The next line of its standard output without the newline; false when
    // none came within `limit` or the output ended.
    bool ReadLine(std::string &line, std::chrono::milliseconds limit);
    // Its standard output up to its end.
    std::string ReadAll();

    void Signal(int signo) const;
    // Its exit code once it ended, -1 when a signal ended it; -2 while it
    // still runs after `limit` (it is left running).
    int Wait(std::chrono::milliseconds limit);
    // SIGKILL, then reaped; the same codes as Wait.
    int Kill();

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    static constexpr int kStillRunning = -2;

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::string pending_;
};

} // namespace qzan::test

#endif
