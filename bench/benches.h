// The benchmarks; each prints its figures and returns 0, or 1 when something
// went wrong beyond a missed goal (a stall, plots that do not match answers).
#ifndef BENCH_BENCHES_H
#define BENCH_BENCHES_H

namespace bench {

int CycleBench();
// The paced cycle alone, its CPU share reported as `figure` against `limit`
// percent of a core: for runs under another platform or scale.
int CycleCpuBench(const char *figure, double limit);
// The paced cycle with the line monitor open: cycle_cpu_monitor against LIMIT %.
int CycleMonitorBench(double limit);
// The paced cycle with the trend window open: its CPU share and its rate
// against the bare client's on the same line.
int CycleTrendBench();
// The trend window holding a day of answers: a frame's drawing time and the
// memory the answers take.
int TrendBench(long answers);
int UnpacedBench(long warmup, long total);
int DataBench(int seconds);
int StartupBench(int runs);
// The command-line tool: a get from process start to exit, and its
// measurement rate next to the bare client's.
int CliBench();

// The bare client against a fresh simulator at `baud` for `answers`
// measurement answers, rated from the simulator's record.
struct BareLine {
    bool ok = false;
    double rate = 0, turnaroundMs = 0, cpuShare = 0;
};
BareLine BareOnLine(long baud, long answers);

// The bare client alone against the simulator at `baud` (0: unpaced).
int BareBench(long baud, long answers);
// The cycle through ser2net, raw and with Telnet, against the pseudo-terminal.
int NetworkBench(int seconds);

} // namespace bench

#endif
