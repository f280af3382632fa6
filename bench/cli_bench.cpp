// The command-line tool against the simulator on a 19200-baud line: how long
// a get takes from process start to exit, and how close its measurement
// rate comes to the bare client's on the same line.
#include "benches.h"

#include "child_process.h"
#include "harness.h"

#include <string>
#include <vector>

namespace bench {

namespace {

constexpr double kBaud = 19200;
constexpr double kBitsPerByte = 10; // 8N1
constexpr int kCmdMeasure = 8;
const std::vector<std::string> kPacedLine = {"--baud", "19200", "--turnaround-ms", "1"};

// Runs the tool to its end; its exit code, and the wall time from just before
// the fork to its exit in `ms`.
int RunTool(const std::vector<std::string> &args, double &ms)
{
    std::vector<std::string> argv = {QZAN_CLI_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    qzan::test::ChildProcess child;
    const double t0 = Seconds();
    if (!child.Spawn(argv, WorkDir() + "/cli.stderr", false))
        return -1;
    const int code = child.Wait(std::chrono::seconds(60));
    ms = (Seconds() - t0) * 1000;
    if (code == qzan::test::ChildProcess::kStillRunning)
        child.Kill();
    return code;
}

} // namespace

int CliBench()
{
    int failures = 0;
    SimProcess sim;
    const std::string log = WorkDir() + "/cli.log";
    if (!sim.Start(ComLink(), kPacedLine, log)) {
        Note("cli: the simulator did not start");
        return 1;
    }
    // A get exchanges one request and one answer.
    const double lineMs = 2 * 36 * kBitsPerByte / kBaud * 1000;
    std::vector<double> gets;
    for (int i = 0; i < 7; ++i) {
        double ms = 0;
        const int code = RunTool({"get", "--port", "1", "--from", "ram"}, ms);
        if (code != 0) {
            Note("cli: get ended with %d", code);
            ++failures;
        }
        gets.push_back(ms);
    }
    Note("cli: get took %.1f ms (median of %zu), the line %.1f ms of it", Median(gets),
         gets.size(), lineMs);
    Figure("cli_get_ms", Median(gets), "ms", lineMs + 100, "<= 1");

    // The measurement rate, read from the simulator's record as for the program.
    sim.Stop();
    if (!sim.Start(ComLink(), kPacedLine, log)) {
        Note("cli: the simulator did not start again");
        return 1;
    }
    double ms = 0;
    const long answers = 200;
    if (RunTool({"measure", "--port", "1", "--count", std::to_string(answers), "--csv"}, ms) != 0) {
        Note("cli: measure failed");
        ++failures;
    }
    sim.Stop();
    const double rate = RateOf(LogTimes(log, "ANS", kCmdMeasure));
    const BareLine bare = BareOnLine(19200, answers);
    if (!bare.ok) {
        Note("cli: the bare client stalled on the 19200-baud line");
        return 1;
    }
    Note("cli: measure %.3f answers/s, bare client %.3f answers/s on the same line", rate,
         bare.rate);
    Figure("cli_measure_rate_19200", rate, "1/s", bare.rate, ">= 0.99");
    return failures ? 1 : 0;
}

} // namespace bench
