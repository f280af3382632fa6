// Inputs the fuzz targets found failing, each kept under a name that tells
// the fault it showed, and the seed corpora: all run through the harnesses
// the fuzz targets use, so a fault that comes back fails here.
#include "fuzz/harnesses.h"
#include "sim/request_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Harness = std::string (*)(const std::uint8_t *, std::size_t);

std::vector<std::uint8_t> ReadInput(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string RunInput(Harness harness, const fs::path &path)
{
    const std::vector<std::uint8_t> bytes = ReadInput(path);
    return harness(bytes.data(), bytes.size());
}

fs::path Found(const char *target, const char *name)
{
    return fs::path(QZAN_FUZZ_FOUND) / target / name;
}

// Every file of a folder, in a fixed order; none when the folder is missing.
std::vector<fs::path> FilesIn(const fs::path &folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto &entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void ExpectAllPass(Harness harness, const fs::path &folder, std::size_t atLeast)
{
    const auto files = FilesIn(folder);
    EXPECT_GE(files.size(), atLeast) << folder;
    for (const auto &file : files)
        EXPECT_EQ(RunInput(harness, file), "") << file;
}

// ---- Faults the fuzzers found -------------------------------------------------

// fuzz_sim_request: after bytes dropped in the resynchronisation, a request
// was timed from a dropped byte, so the simulator answered it too early.
TEST(SimRequestReaderFound, requestAfterDroppedGarbageIsTimedByItsOwnFirstByte)
{
    EXPECT_EQ(RunInput(fuzzh::RunSimRequestCase,
                       Found("sim_request", "request_after_garbage_timed_by_dropped_byte")),
              "");

    using namespace qzan::sim;
    using std::chrono::milliseconds;
    RequestReader reader(milliseconds(5));
    std::vector<Request> out;
    const TimePoint t0{};
    const std::uint8_t garbage[] = {0x00};
    reader.feed(garbage, t0, out);
    const auto frame = encodeFrame(kCmdEcho, Words{});
    EXPECT_EQ(reader.feed(frame, t0 + milliseconds(3), out), 1u);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].firstByte, t0 + milliseconds(3));
}

// ---- Every input kept from fuzzing, and the seeds ------------------------------

TEST(FuzzInputsFound, allPassTheirHarness)
{
    ExpectAllPass(fuzzh::RunReplyCase, fs::path(QZAN_FUZZ_FOUND) / "reply", 0);
    ExpectAllPass(fuzzh::RunDataBlockCase, fs::path(QZAN_FUZZ_FOUND) / "datablock", 0);
    ExpectAllPass(fuzzh::RunParaFileCase, fs::path(QZAN_FUZZ_FOUND) / "parafile", 0);
    ExpectAllPass(fuzzh::RunSimRequestCase, fs::path(QZAN_FUZZ_FOUND) / "sim_request", 1);
}

TEST(FuzzSeedCorpus, repliesPassTheReceivePathChecks)
{
    ExpectAllPass(fuzzh::RunReplyCase, fs::path(QZAN_FUZZ_CORPUS) / "reply", 20);
}

TEST(FuzzSeedCorpus, dataBlocksPassTheBlockReadChecks)
{
    ExpectAllPass(fuzzh::RunDataBlockCase, fs::path(QZAN_FUZZ_CORPUS) / "datablock", 20);
}

TEST(FuzzSeedCorpus, parameterFilesPassTheReaderChecks)
{
    ExpectAllPass(fuzzh::RunParaFileCase, fs::path(QZAN_FUZZ_CORPUS) / "parafile", 15);
}

TEST(FuzzSeedCorpus, requestStreamsPassTheSimulatorReaderChecks)
{
    ExpectAllPass(fuzzh::RunSimRequestCase, fs::path(QZAN_FUZZ_CORPUS) / "sim_request", 5);
}

} // namespace
