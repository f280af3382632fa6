// libFuzzer entry point: every input goes through fuzzh::RunSimRequestCase;
// a finding is printed and ends the run as a crash, so that libFuzzer keeps the input.
#include "fuzz/harnesses.h"
#include "fuzz/scratch_file.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string finding = fuzzh::RunSimRequestCase(data, size);
    if (!finding.empty()) {
        std::fprintf(stderr, "FINDING: %s\n", finding.c_str());
        fuzzh::RemoveScratchFolder(); // abort skips the clean-up at exit
        std::abort();
    }
    return 0;
}
