// The process's resident memory, for the benchmarks and the soak test.
#ifndef BENCH_RESIDENT_H
#define BENCH_RESIDENT_H

#include <cstdlib>
#include <fstream>
#include <string>

// VmRSS of this process in KiB, or -1 where /proc does not tell.
inline long VmRssKib()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

#endif
