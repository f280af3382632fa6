// The sensor simulator as a child process: started on a pseudo-terminal link
// (or a device), waited for until it serves, stopped; and its record of
// requests and answers (--log) and the counts it prints at exit read back.
#ifndef TESTS_SUPPORT_SIM_PROCESS_H
#define TESTS_SUPPORT_SIM_PROCESS_H

#include "child_process.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace qzan::test {

// One line of the simulator's record.
struct SimLogLine {
    double ms = 0;
    std::string kind;                // REQ, ANS, FAULT, DROP, CONNECT, DISCONNECT
    int cmd = 0;                     // REQ and ANS
    std::vector<unsigned> words;     // REQ and ANS
    std::vector<std::string> fields; // every field after the kind, as written
};

struct SimCounts {
    long requests = 0, answers = 0;
};

// The record at `path`, every line; of one kind; of one kind and command.
std::vector<SimLogLine> ReadSimLog(const std::string &path);
std::vector<SimLogLine> ReadSimLog(const std::string &path, const std::string &kind);
std::vector<SimLogLine> ReadSimLog(const std::string &path, const std::string &kind, int cmd);

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess(); // Stop()
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // qzan-sensor-sim of this build.
    static std::string Binary();

    // Serves on `link` with the `extra` options; its record goes to `logPath`
    // when that is not empty, its standard error beside the link. False when
    // it did not report that it serves within 10 s.
    bool Start(const std::string &link, const std::vector<std::string> &extra,
               const std::string &logPath = "");
    // Runs it with `args` alone, its standard error into `stderrFile`; the
    // same wait as Start.
    bool StartWith(const std::vector<std::string> &args, const std::string &stderrFile);
    // Runs it to its end (bad options and the like); its exit code.
    static int RunToExit(const std::vector<std::string> &args, std::string &stderrText);

    // The port it reported serving on (the pseudo-terminal's slave).
    const std::string &ReadyPath() const { return readyPath_; }
    // Waits up to `limit` for the next "ready" line (after a reconnect).
    bool WaitReady(std::chrono::milliseconds limit);
    void Signal(int signo) const { child_.Signal(signo); }
    // SIGTERM (SIGKILL when `hard`), then waits up to 10 s: its exit code,
    // -1 after a crash or when it had to be killed.
    int Stop(bool hard = false);
    // Waits for it to end by itself: its exit code; -1 when it does not
    // within `limit` or was not running.
    int WaitExit(std::chrono::milliseconds limit);
    bool Running() const { return child_.Running(); }

    // What it printed to standard error.
    std::string Stderr() const;
    // Counts per command code, from the last report it printed.
    std::map<int, SimCounts> Counts() const;
    // The count of injected fault `name`, from the same report.
    long Fault(const std::string &name) const;
    // Its record (Start with a log path, or --log among StartWith's args).
    std::vector<SimLogLine> Log() const { return ReadSimLog(logPath_); }
    std::vector<SimLogLine> Log(const std::string &kind, int cmd) const
    {
        return ReadSimLog(logPath_, kind, cmd);
    }

private:
    ChildProcess child_;
    std::string readyPath_, stderrPath_, logPath_;
};

} // namespace qzan::test

#endif
