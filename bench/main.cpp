// qzan-bench: one benchmark per call, each in a fresh process, so the
// resource figures of one never carry another's history.
#include "benches.h"
#include "harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: qzan-bench cycle | cycle-cpu FIGURE LIMIT | cycle-monitor | cycle-trend | "
                 "trend [ANSWERS] | unpaced [WARMUP TOTAL] | "
                 "data [SECONDS] | startup [RUNS] | cli | bare [BAUD [ANSWERS]] | network [SECONDS]\n"
                 "Prints one JSON figure a line; diagnostics go to stderr.\n");
    return 2;
}

long Arg(int argc, char **argv, int i, long fallback)
{
    return i < argc ? std::atol(argv[i]) : fallback;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage();
    if (!bench::StartRunTime(1, argv)) {
        std::fprintf(stderr, "qzan-bench: the run-time did not start\n");
        return 1;
    }
    const char *which = argv[1];
    if (std::strcmp(which, "cycle") == 0)
        return bench::CycleBench();
    if (std::strcmp(which, "cycle-cpu") == 0 && argc == 4)
        return bench::CycleCpuBench(argv[2], std::atof(argv[3]));
    if (std::strcmp(which, "cycle-monitor") == 0)
        return bench::CycleMonitorBench(3.0);
    if (std::strcmp(which, "cycle-trend") == 0)
        return bench::CycleTrendBench();
    if (std::strcmp(which, "trend") == 0)
        return bench::TrendBench(Arg(argc, argv, 2, 2300000));
    if (std::strcmp(which, "unpaced") == 0)
        return bench::UnpacedBench(Arg(argc, argv, 2, 5000), Arg(argc, argv, 3, 100000));
    if (std::strcmp(which, "data") == 0)
        return bench::DataBench(static_cast<int>(Arg(argc, argv, 2, 12)));
    if (std::strcmp(which, "bare") == 0)
        return bench::BareBench(Arg(argc, argv, 2, 19200), Arg(argc, argv, 3, 260));
    if (std::strcmp(which, "cli") == 0)
        return bench::CliBench();
    if (std::strcmp(which, "network") == 0)
        return bench::NetworkBench(static_cast<int>(Arg(argc, argv, 2, 8)));
    if (std::strcmp(which, "startup") == 0)
        return bench::StartupBench(static_cast<int>(Arg(argc, argv, 2, 5)));
    return Usage();
}
