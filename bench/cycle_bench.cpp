// The live cycles against the simulator: the measurement cycle on a 19200-baud
// line, its time-out, the unpaced cycle next to a bare client, and the data
// read. Each is started as its button starts it and ended with Stop.
#include "benches.h"

#include "bare_client.h"
#include "harness.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "views/monitor.h"
#include "views/trend.h"

#include <QAbstractItemModel>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

namespace {

constexpr double kBaud = 19200;
constexpr double kTurnaroundS = 0.001;
constexpr double kBitsPerByte = 10; // 8N1
constexpr double kFrame = 36, kBlock = 128;

double LineSeconds(double bytes) { return bytes * kBitsPerByte / kBaud; }

const std::vector<std::string> kPacedLine = {"--baud", "19200", "--turnaround-ms", "1"};

void PressStop()
{
    Press(panelHandle, PANEL_BTNStop);
    Release(panelHandle, PANEL_BTNStop);
}

// Plotted answers of a run ended by Stop: every answer the simulator sent
// whole, less at most the one whose request was outstanding at Stop.
bool PlotsMatchAnswers(long long plots, long answers)
{
    return plots == answers || plots == answers - 1;
}

// The yardstick: the tests' plain client, which does nothing but send the
// next measurement request for each 36-byte answer, so that the program's
// rate can be judged against what the line and the simulator allow on this
// machine. The clocks are noted at answer `warmup` and at the last.
struct BareResult {
    bool ok = false;
    double warmT = 0, warmCpu = 0;
    double endT = 0, endCpu = 0;
};

BareResult RunBareClient(const std::string &device, long warmup, long total)
{
    BareResult result;
    qzan::test::Client client;
    if (!client.open(device)) {
        Note("bare client: cannot open %s", device.c_str());
        return result;
    }
    const long answers = client.measureLoop(total, [&](long n) {
        if (n == warmup) {
            result.warmT = Seconds();
            result.warmCpu = CpuSeconds();
        }
        if (n == total) {
            result.endT = Seconds();
            result.endCpu = CpuSeconds();
        }
    });
    if (answers < total)
        Note("bare client: no answer for 3 s after %ld answers", answers);
    result.ok = answers == total;
    return result;
}

} // namespace

// The bare client against a fresh simulator at `baud`, rated from the
// simulator's record like the program's cycle.
BareLine BareOnLine(long baud, long answers)
{
    BareLine line;
    SimProcess sim;
    const std::string log = WorkDir() + "/bare.log";
    std::vector<std::string> options = {"--baud", std::to_string(baud)};
    if (baud > 0)
        options.insert(options.end(), {"--turnaround-ms", "1"});
    if (!sim.Start(ComLink(), options, log))
        return line;
    const BareResult bare = RunBareClient(ComLink(), 1, answers);
    sim.Stop();
    line.ok = bare.ok;
    line.rate = RateOf(LogTimes(log, "ANS", CMD_MEASURE));
    line.turnaroundMs = MedianTurnaroundMs(log, CMD_MEASURE);
    line.cpuShare = (bare.endCpu - bare.warmCpu) / (bare.endT - bare.warmT);
    return line;
}

namespace {

// ~10 s of the live cycle on a 19200-baud line, as Run starts it and Stop ends
// it, with the program already started against `sim`.
struct PacedRun {
    double cpuShare = 0; // percent of a core over the run's wall time
    double rate = 0;     // answers per second from the simulator's record
    bool matched = false;
};

PacedRun RunPacedCycle(SimProcess &sim, const std::string &log, const char *what)
{
    PacedRun run;
    const long long plots0 = RawPlots();
    const GraphPaintStats stats0 = *GetGraphPaintStats(panelHandle, PANEL_GRAPH_RAW);
    WatchPaints();
    After(10000, PressStop);
    const double t0 = Seconds(), c0 = CpuSeconds();
    Click(panelHandle, PANEL_BTNRun); // returns when the cycle has ended
    const double wall = Seconds() - t0, cpu = CpuSeconds() - c0;
    const long long plots = RawPlots() - plots0;
    Idle(100);
    sim.Stop();
    const long answers = sim.Counts()[CMD_MEASURE].answers;
    // The answers' own times on the line: the program's turnaround is inside
    // every period, the start and the end of the run are not.
    run.rate = RateOf(LogTimes(log, "ANS", CMD_MEASURE));
    run.cpuShare = 100.0 * cpu / wall;
    Note("%s: %lld plotted, %ld answered in %.3f s (%.2f /s over the run), status \"%s\"", what,
         plots, answers, wall, static_cast<double>(plots) / wall, Status().c_str());
    const GraphPaintStats &stats = *GetGraphPaintStats(panelHandle, PANEL_GRAPH_RAW);
    const long long moving = stats.movingLayer - stats0.movingLayer;
    Note("%s: line picture: %lld fixed-layer drawings, %lld frames of moved marks "
         "(%.0f pixels each on average), %lld frames with nothing moved",
         what, stats.fixedLayer - stats0.fixedLayer, moving,
         moving ? static_cast<double>(stats.movingArea - stats0.movingArea) / moving : 0.0,
         stats.stillFrames - stats0.stillFrames);
    ReportPaints(what, plots);
    Note("%s: from an answer to the next request %.3f ms (median)", what,
         MedianTurnaroundMs(log, CMD_MEASURE));
    run.matched = PlotsMatchAnswers(plots, answers);
    if (!run.matched)
        Note("%s: MISMATCH: plots do not match the answers", what);
    return run;
}

} // namespace

int CycleBench()
{
    SimProcess sim;
    const std::string log = WorkDir() + "/cycle.log";
    if (!sim.Start(ComLink(), kPacedLine, log) || !StartProgram()) {
        Note("cycle: the simulator or the program did not start");
        return 1;
    }
    Note("cycle: start-up status \"%s\"", Status().c_str());
    int failures = 0;

    const PacedRun run = RunPacedCycle(sim, log, "cycle");
    failures += run.matched ? 0 : 1;
    const double rate = run.rate;
    const double lineRate = 1.0 / (2 * LineSeconds(kFrame) + kTurnaroundS);
    Figure("cycle_cpu", run.cpuShare, "%", 1.0, "<= 1");

    // The time-out: the cycle against a sensor that never answers.
    if (!sim.Start(ComLink(), {"--silent"})) {
        Note("cycle: the silent simulator did not start");
        return 1;
    }
    const double e0 = Seconds(), ec0 = CpuSeconds();
    InitRS232(com); // its echo check runs into the same time-out
    Note("cycle: echo check against silence %.0f ms, %.2f %% CPU, status \"%s\"",
         (Seconds() - e0) * 1000, 100.0 * (CpuSeconds() - ec0) / (Seconds() - e0),
         Status().c_str());
    std::vector<double> lengths;
    double waitWall = 0, waitCpu = 0;
    for (int i = 0; i < 3; ++i) {
        const double s0 = Seconds(), sc0 = CpuSeconds();
        Click(panelHandle, PANEL_BTNRun);
        const double w = Seconds() - s0;
        waitWall += w;
        waitCpu += CpuSeconds() - sc0;
        lengths.push_back(w * 1000);
        if (Status() != "Timeout RS232-Line!") {
            Note("cycle: against silence the run ended with \"%s\"", Status().c_str());
            ++failures;
        }
    }
    sim.Stop();
    Note("cycle: time-outs %.1f %.1f %.1f ms", lengths[0], lengths[1], lengths[2]);
    Figure("timeout_ms", Median(lengths), "ms", 1550, "0.95..1.05");
    Figure("wait_cpu", 100.0 * waitCpu / waitWall, "%", 1.0, "<= 1");
    const EventLoopStats &stats = GetEventLoopStats();
    Note("cycle: event loop %lld ProcessSystemEvents calls, %lld ended by the guard",
         stats.processCalls, stats.guardExpiries);
    StopProgram();

    // What the simulator and the pseudo-terminal allow: the bare client on
    // the same line; its own turnaround is a tenth of a millisecond or so.
    // (After the program has closed the port: Qt locks it by its name.)
    const BareLine bare = BareOnLine(19200, 130);
    if (!bare.ok) {
        Note("cycle: the bare client stalled on the 19200-baud line");
        ++failures;
    } else {
        Note("cycle: bare client on the same line: from an answer to the next request "
             "%.3f ms (median)",
             bare.turnaroundMs);
        Figure("bare_client_rate_19200", bare.rate, "1/s", lineRate, "reference");
    }
    // The line's limit is what this line delivers: the simulator's own timing
    // and the pseudo-terminal cost a client with no work of its own about 1 %
    // of the ideal 38.5 ms period, which no program can win back. The ratio
    // against the ideal period is noted beside it.
    const double limit = bare.ok ? bare.rate : lineRate;
    Note("cycle: %.4f of the ideal line rate %.3f /s, %.4f of the bare client's", rate / lineRate,
         lineRate, rate / limit);
    Figure("cycle_rate_19200", rate, "1/s", limit, ">= 0.99");
    return failures ? 1 : 0;
}

int CycleCpuBench(const char *figure, double limit)
{
    SimProcess sim;
    const std::string log = WorkDir() + "/cycle.log";
    if (!sim.Start(ComLink(), kPacedLine, log) || !StartProgram()) {
        Note("%s: the simulator or the program did not start", figure);
        return 1;
    }
    const PacedRun run = RunPacedCycle(sim, log, figure);
    Figure(figure, run.cpuShare, "%", limit, "<= 1");
    StopProgram();
    return run.matched ? 0 : 1;
}

int CycleMonitorBench(double limit)
{
    SimProcess sim;
    const std::string log = WorkDir() + "/monitor.log";
    if (!sim.Start(ComLink(), kPacedLine, log) || !StartProgram()) {
        Note("cycle_cpu_monitor: the simulator or the program did not start");
        return 1;
    }
    // The line monitor open beside the panel, listing the cycle as it runs.
    Click(panelHandle, PANEL_BTNMonitor);
    QWidget *window = LineMonitorWidget();
    auto *table = window ? window->findChild<QTableView *>("monitorTable") : nullptr;
    if (!table) {
        Note("cycle_cpu_monitor: the line monitor did not open");
        return 1;
    }
    Idle(300);
    const int rows0 = table->model()->rowCount();
    const PacedRun run = RunPacedCycle(sim, log, "cycle_cpu_monitor");
    Idle(300);
    LineMonitorRefresh();
    // The cycle's frames: the start-up's came before the window opened.
    auto counts = sim.Counts();
    const long frames = counts[CMD_MEASURE].requests + counts[CMD_MEASURE].answers;
    const int rows = table->model()->rowCount() - rows0;
    Note("cycle_cpu_monitor: %d rows listed for %ld frames on the line", rows, frames);
    Figure("cycle_cpu_monitor", run.cpuShare, "%", limit, "<= 1");
    window->close();
    StopProgram();
    return run.matched && rows == frames ? 0 : 1;
}

int CycleTrendBench()
{
    SimProcess sim;
    const std::string log = WorkDir() + "/cycle.log";
    if (!sim.Start(ComLink(), kPacedLine, log) || !StartProgram()) {
        Note("cycle-trend: the simulator or the program did not start");
        return 1;
    }
    // The window open and following, as the operator watches it.
    Click(panelHandle, PANEL_BTNTrend);
    Idle(300);
    const PacedRun run = RunPacedCycle(sim, log, "cycle-trend");
    const QWidget *window = TrendWindowWidget();
    Note("cycle-trend: the trend window %s", window && window->isVisible() ? "was open" : "WAS NOT OPEN");
    StopProgram();
    const BareLine bare = BareOnLine(19200, 130);
    if (!bare.ok)
        Note("cycle-trend: the bare client stalled on the 19200-baud line");
    const double lineRate = 1.0 / (2 * LineSeconds(kFrame) + kTurnaroundS);
    Figure("cycle_cpu_trend", run.cpuShare, "%", 3.0, "<= 1");
    Figure("cycle_rate_19200_trend", run.rate, "1/s", bare.ok ? bare.rate : lineRate, ">= 0.99");
    return run.matched && window ? 0 : 1;
}

int UnpacedBench(long warmup, long total)
{
    SimProcess sim;
    if (!sim.Start(ComLink(), {"--baud", "0"}) || !StartProgram()) {
        Note("unpaced: the simulator or the program did not start");
        return 1;
    }
    int failures = 0;
    struct Mark {
        double t = 0, cpu = 0;
        long rss = 0;
        long long n = 0;
    };
    Mark warm, end;
    const long long base = RawPlots();
    bool stopped = false;
    WatchPaints();
    // Takes the marks from inside the cycle and stops it at the last; a cycle
    // that stalls is stopped after five minutes.
    const double started = Seconds();
    QTimer marks;
    marks.setInterval(20);
    QObject::connect(&marks, &QTimer::timeout, [&] {
        const long long n = RawPlots() - base;
        if (warm.n == 0 && n >= warmup)
            warm = Mark{Seconds(), CpuSeconds(), VmRssKib(), n};
        if (n < total && Seconds() - started < 300)
            return;
        marks.stop();
        if (n >= total) {
            end = Mark{Seconds(), CpuSeconds(), VmRssKib(), n};
            stopped = true;
        }
        PressStop();
    });
    marks.start();
    Click(panelHandle, PANEL_BTNRun);
    marks.stop();
    const long long plots = RawPlots() - base;
    Idle(50);
    sim.Stop();
    const long answers = sim.Counts()[CMD_MEASURE].answers;
    const GraphModel *g = GetGraphModel(panelHandle, PANEL_GRAPH_RAW);
    Note("unpaced: %lld plotted, %ld answered; graph: %lld rectangles, %lld repaints, "
         "status \"%s\"",
         plots, answers, g->rectanglesDrawn, g->repaints, Status().c_str());
    ReportPaints("unpaced", plots);
    if (!stopped || end.n <= warm.n) {
        Note("unpaced: the cycle stalled after %lld answers", plots);
        return 1;
    }
    if (!PlotsMatchAnswers(plots, answers)) {
        Note("unpaced: MISMATCH: plots do not match the answers");
        ++failures;
    }
    StopProgram();

    const double n = static_cast<double>(end.n - warm.n);
    const double rate = n / (end.t - warm.t);
    const double cpuPerAnswer = (end.cpu - warm.cpu) / n * 1e6;

    // The bare client against the same simulator options, in the same run.
    if (!sim.Start(ComLink(), {"--baud", "0"})) {
        Note("unpaced: the simulator did not start for the bare client");
        return 1;
    }
    const BareResult bare = RunBareClient(ComLink(), warmup, total);
    sim.Stop();
    if (!bare.ok) {
        Note("unpaced: the bare client stalled");
        return 1;
    }
    const double bareRate = static_cast<double>(total - warmup) / (bare.endT - bare.warmT);
    Note("unpaced: bare client %.1f us CPU per answer",
         (bare.endCpu - bare.warmCpu) / static_cast<double>(total - warmup) * 1e6);

    Figure("unpaced_answers_per_s", rate, "1/s", std::max(2000.0, bareRate / 2), ">= 1");
    Figure("bare_client_answers_per_s", bareRate, "1/s", 2000, "reference");
    Figure("cpu_us_per_answer", cpuPerAnswer, "us", 500, "<= 1");
    Figure("rss_growth_kib", static_cast<double>(end.rss - warm.rss), "KiB", 1024, "<= 1");
    return failures ? 1 : 0;
}

int DataBench(int seconds)
{
    SimProcess sim;
    const std::string log = WorkDir() + "/data.log";
    if (!sim.Start(ComLink(), kPacedLine, log) || !StartProgram()) {
        Note("data: the simulator or the program did not start");
        return 1;
    }
    const long long base = DataPlots();
    After(seconds * 1000, PressStop);
    const double t0 = Seconds();
    Click(panelHandle, PANEL_BTNData); // ends with the pass in which Stop came
    const double wall = Seconds() - t0;
    const long long passes = DataPlots() - base;
    Idle(100);
    sim.Stop();
    auto counts = sim.Counts();
    // A pass begins with the request for the block at index 0.
    const double rate = RateOf(LogTimes(log, "REQ", CMD_DATA_BLOCK, 0));
    Note("data: %lld passes drawn in %.3f s; simulator: %ld block requests (%.2f passes), "
         "%ld measurements; status \"%s\"",
         passes, wall, counts[CMD_DATA_BLOCK].requests,
         static_cast<double>(counts[CMD_DATA_BLOCK].requests) / 4,
         counts[CMD_MEASURE].answers, Status().c_str());
    const double pass = 4 * LineSeconds(kFrame + kBlock) + 2 * LineSeconds(kFrame) +
                        5 * kTurnaroundS;
    Figure("data_pass_rate_19200", rate, "1/s", 1.0 / pass, ">= 0.98");
    StopProgram();
    return counts[CMD_DATA_BLOCK].requests == 4 * passes ? 0 : 1;
}

int BareBench(long baud, long answers)
{
    const BareLine line = BareOnLine(baud, answers);
    if (!line.ok)
        return 1;
    std::printf("bare client at %ld baud: %.3f answers/s (%.3f ms a period), %.2f %% CPU, "
                "%.3f ms from an answer to the next request\n",
                baud, line.rate, 1000 / line.rate, 100 * line.cpuShare, line.turnaroundMs);
    return 0;
}

} // namespace bench
