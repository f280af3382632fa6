// Start-up in fresh processes: the probe runs the program's real start-up
// steps and reports when its window was exposed; the time counts from just
// before the probe's process was created, so loading the libraries counts too.
#include "benches.h"

#include "child_process.h"
#include "harness.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

namespace {

struct ProbeResult {
    bool ok = false;
    double ms = 0, fromMainMs = 0;
    long rss = 0;
    std::string status;
};

ProbeResult RunProbe(const std::string &probe)
{
    ProbeResult r;
    qzan::test::ChildProcess child;
    const double t0 = Seconds();
    if (!child.Spawn({probe}, ""))
        return r;
    const std::string text = child.ReadAll();
    const int code = child.Wait(std::chrono::seconds(60));
    if (code == qzan::test::ChildProcess::kStillRunning)
        child.Kill();

    double exposed = 0, atMain = 0;
    long rss = 0;
    char statusText[256] = "";
    if (std::sscanf(text.c_str(), "exposed %lf main %lf rss %ld status %255[^\n]", &exposed,
                    &atMain, &rss, statusText) >= 3 &&
        code == 0) {
        r.ok = true;
        r.ms = (exposed - t0) * 1000;
        r.fromMainMs = (exposed - atMain) * 1000;
        r.rss = rss;
        r.status = statusText;
    }
    return r;
}

} // namespace

int StartupBench(int runs)
{
    const std::string probe =
        (QCoreApplication::applicationDirPath() + "/qzan-startup-probe").toStdString();
    struct Mode {
        const char *figure;
        std::vector<std::string> simOptions;
        double limitMs;
    };
    // The sensor's line: the echo check and the fetch, 38.5 ms each at 19200
    // baud; silence: the echo check's 31-tick time-out. Either plus 150 ms.
    const Mode modes[] = {
        {"startup_with_sensor_ms", {"--baud", "19200", "--turnaround-ms", "1"}, 2 * 38.5 + 150},
        {"startup_without_sensor_ms", {"--silent"}, 1550 + 150},
    };
    int failures = 0;
    std::vector<double> rss;
    for (const Mode &mode : modes) {
        SimProcess sim;
        if (!sim.Start(ComLink(), mode.simOptions)) {
            Note("startup: the simulator did not start");
            return 1;
        }
        std::vector<double> ms, fromMain;
        for (int i = 0; i < runs; ++i) {
            const ProbeResult r = RunProbe(probe);
            if (!r.ok) {
                Note("startup: probe run %d failed", i);
                ++failures;
                continue;
            }
            ms.push_back(r.ms);
            fromMain.push_back(r.fromMainMs);
            if (mode.simOptions[0] != "--silent")
                rss.push_back(static_cast<double>(r.rss));
            Note("startup: %s run %d: %.1f ms (%.1f from main), %ld KiB, status \"%s\"",
                 mode.figure, i, r.ms, r.fromMainMs, r.rss, r.status.c_str());
        }
        sim.Stop();
        if (ms.empty())
            return 1;
        Figure(mode.figure, Median(ms), "ms", mode.limitMs, "<= 1");
    }
    Figure("rss_start_kib", Median(rss), "KiB", 150000, "<= 1");
    return failures ? 1 : 0;
}

} // namespace bench
