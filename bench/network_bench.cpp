// The live cycle through ser2net at 19200 baud, raw and with Telnet line
// control, as a share of the same run's cycle on the pseudo-terminal itself:
// what the network port costs the operator.
#include "benches.h"

#include "harness.h"
#include "ser2net_process.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

namespace {

const std::vector<std::string> kPacedLine = {"--baud", "19200", "--turnaround-ms", "1"};

// The cycle's rate (answers a second, from the simulator's record) for
// `seconds` with COM1 reaching `device`; 0 when it did not run.
double CycleRate(const std::string &device, int seconds, const char *what)
{
    SimProcess sim;
    const std::string log = WorkDir() + "/net-" + what + ".log";
    if (!sim.Start(ComLink(), kPacedLine, log)) {
        Note("network: the simulator did not start");
        return 0;
    }
    qzan::test::Ser2NetProcess server;
    std::string url = device;
    if (device != ComLink()) {
        if (!server.Start(WorkDir(), ComLink(), device == "rfc2217", "19200n81")) {
            Note("network: ser2net did not start");
            return 0;
        }
        url = server.Url();
    }
    setenv("QZAN_COM1", url.c_str(), 1);
    if (!StartProgram()) {
        Note("network: the program did not start");
        return 0;
    }
    Note("network %s: %s, start-up status \"%s\"", what, url.c_str(), Status().c_str());
    After(seconds * 1000, [] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNRun);
    Idle(100);
    StopProgram();
    server.Stop();
    sim.Stop();
    const double rate = RateOf(LogTimes(log, "ANS", CMD_MEASURE));
    Note("network %s: %.2f answers/s, from an answer to the next request %.3f ms (median)",
         what, rate, MedianTurnaroundMs(log, CMD_MEASURE));
    return rate;
}

} // namespace

int NetworkBench(int seconds)
{
    if (qzan::test::Ser2NetProcess::Binary().empty()) {
        Note("network: ser2net is not installed; tcp_cycle_rate_19200 and "
             "rfc2217_cycle_rate_19200 skipped");
        return 0;
    }
    const double local = CycleRate(ComLink(), seconds, "pty");
    const double raw = CycleRate("tcp", seconds, "tcp");
    const double telnet = CycleRate("rfc2217", seconds, "rfc2217");
    setenv("QZAN_COM1", ComLink().c_str(), 1);
    if (local <= 0 || raw <= 0 || telnet <= 0) {
        Note("network: a run did not complete");
        return 1;
    }
    Figure("tcp_cycle_rate_19200", raw / local, "ratio", 0.98, ">= 0.98");
    Figure("rfc2217_cycle_rate_19200", telnet / local, "ratio", 0.98, ">= 0.98");
    return 0;
}

} // namespace bench
