#ifndef BENCH_BARE_CLIENT_H
#define BENCH_BARE_CLIENT_H

#include <string>

namespace bench {

struct BareResult {
    bool ok = false;
    long answers = 0;
    double warmT = 0, warmCpu = 0; // at answer `warmup`
    double endT = 0, endCpu = 0;   // at answer `total`
};

// Exchanges `total` measurement requests and answers on `device`, one at a
// time, and notes the clocks at answer `warmup` and at the last.
BareResult RunBareClient(const std::string &device, long warmup, long total);

} // namespace bench

#endif
