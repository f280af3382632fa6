// What every benchmark needs: the program's start-up steps in-process, real
// widget input, the simulator as a child process, clocks and resource figures,
// and the one-line JSON report.
#ifndef BENCH_HARNESS_H
#define BENCH_HARNESS_H

#include "bench/resident.h"
#include "sim_process.h"
#include "widget_input.h"

#include <functional>
#include <string>
#include <vector>

namespace bench {

// The run-time and the program's callback and control tables, once a process.
bool StartRunTime(int argc, char **argv);

// A private folder for the simulator's link and record; removed at exit.
const std::string &WorkDir();
// The link COM1 points at (QZAN_COM1 is set to it).
std::string ComLink();

// The start-up steps of WinMain up to the shown window: both panels,
// GetProjectDir, InitVars, InitRS232 on COM1, DisplayPanel. False when a
// panel would not load or the window was never exposed.
bool StartProgram();
void StopProgram();

// Real mouse input on a control, and the simulator as a child process: the
// tests' own.
using qzan::test::Click;
using qzan::test::Press;
using qzan::test::Release;
using qzan::test::SimProcess;

// Runs `action` once after `ms` from the event loop (also from inside a
// callback's waiting loop).
void After(int ms, std::function<void()> action);

// Lets the event loop run for `ms` without spinning.
void Idle(int ms);

std::string Status();

// Calls of PlotRAWValues and PlotDATACurve since the panels were loaded, read
// from the graph model.
long long RawPlots();
long long DataPlots();

// Clocks and resources of this process.
double Seconds();    // monotonic, comparable between processes
double CpuSeconds(); // user + system of all threads
// VmRssKib() comes from bench/resident.h.

// `{"figure": ..., "value": ..., "unit": ..., "limit": ..., "ratio": ..., "goal": ...}`
void Figure(const char *name, double value, const char *unit, double limit, const char *goal);

// With QZAN_BENCH_PAINTS=1 in the environment: counts paint events per widget
// from WatchPaints() on, and ReportPaints() notes those painted at least once
// in twenty answers, per answer. Without it both do nothing.
void WatchPaints();
void ReportPaints(const char *what, long long answers);

// Optional diagnostics go to stderr, never to the figures on stdout.
void Note(const char *format, ...) __attribute__((format(printf, 1, 2)));

double Median(std::vector<double> values);

// Times (ms, from the simulator's record) of its lines of `kind` ("REQ" or
// "ANS") for command `cmd`, optionally only those whose first word is `word0`.
std::vector<double> LogTimes(const std::string &logPath, const char *kind, int cmd,
                             int word0 = -1);
// Median time (ms) from each answer of `cmd` to the next request of `cmd` in
// the simulator's record: how long the client took to ask again.
double MedianTurnaroundMs(const std::string &logPath, int cmd);
// Events per second between the first and the last of `times` (ms).
double RateOf(const std::vector<double> &times);

} // namespace bench

#endif
