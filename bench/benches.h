// The benchmarks; each prints its figures and returns 0, or 1 when something
// went wrong beyond a missed goal (a stall, plots that do not match answers).
#ifndef BENCH_BENCHES_H
#define BENCH_BENCHES_H

namespace bench {

int CycleBench();
int UnpacedBench(long warmup, long total);
int DataBench(int seconds);
int StartupBench(int runs);
// The bare client alone against the simulator at `baud` (0: unpaced).
int BareBench(long baud, long answers);

} // namespace bench

#endif
