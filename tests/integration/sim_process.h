// Runs the sensor simulator as a child process on a pseudo-terminal link, and
// reads back its record of requests and answers and its counts.
#ifndef TESTS_SIM_PROCESS_H
#define TESTS_SIM_PROCESS_H

#include <map>
#include <string>
#include <vector>

struct SimLogLine {
    double ms = 0;
    std::string kind; // REQ, ANS, FAULT, DROP, CONNECT, DISCONNECT
    int cmd = 0;
    std::vector<unsigned> words;
};

struct SimCounts {
    long requests = 0, answers = 0;
};

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator serving on `link` (a path in a temporary folder)
    // with `extra` options; waits until it reports that it serves. Its
    // record goes to `logPath` when that is not empty.
    bool Start(const std::string &link, const std::vector<std::string> &extra,
               const std::string &logPath = "");
    // Ends it with SIGTERM (or SIGKILL with `hard`) and waits for it.
    void Stop(bool hard = false);
    bool Running() const { return pid_ > 0; }

    // Counts per command code, from the report printed at exit.
    std::map<int, SimCounts> Counts() const;
    long Fault(const std::string &name) const;
    std::vector<SimLogLine> Log() const;
    // The record's lines of one kind ("REQ" or "ANS") and command code.
    std::vector<SimLogLine> Log(const std::string &kind, int cmd) const;
    std::string Stderr() const;

    static std::string Binary(); // qzan-sensor-sim beside the test

private:
    int pid_ = -1;
    std::string stderrPath_, logPath_, link_;
};

#endif
