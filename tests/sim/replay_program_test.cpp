// qzan-sensor-sim --replay on a real pseudo-terminal: answers follow the
// recorded times at speed 1 and 10, the end of the recording, the note on
// ignored values, and a damaged file refused before serving.
#include "sensor.h"
#include "bare_client.h"
#include "files.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace qzan::sim::test {
namespace {

using namespace qzan::test;

using namespace std::chrono;

const char *kHeader = "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,"
                      "in_tolerance\n";

// Rows 100 ms apart whose measured value is the row's number.
std::string rowsEvery100ms(int count)
{
    std::string text = kHeader;
    for (int i = 0; i < count; ++i)
        text += std::to_string(100 * i) + ",1,0," + std::to_string(i) + ",400,60,0,1,1\n";
    return text;
}

class ReplayProgram : public ::testing::Test {
protected:
    bool start(const std::string &recording, std::vector<std::string> extra)
    {
        std::ofstream(dir.file("rec.csv")) << recording;
        std::vector<std::string> args = {"--link", dir.file("com1"), "--baud", "0", "--replay",
                                         dir.file("rec.csv")};
        args.insert(args.end(), extra.begin(), extra.end());
        return sim.StartWith(args, dir.file("stderr.txt")) && client.open(dir.file("com1"));
    }
    void TearDown() override
    {
        if (HasFailure())
            std::cout << "--- simulator stderr ---\n" << ReadFile(dir.file("stderr.txt"));
    }

    // Asks for measurements for `span` and checks each served row against the
    // time that can have passed: a request is served somewhere between its
    // sending and its answer, and so was the first one, which starts the clock.
    void expectRecordedPace(double speed, milliseconds span)
    {
        using Clock = steady_clock;
        Clock::time_point firstSent;
        Clock::time_point firstAnswered;
        int rows = 0;
        int last = -1;
        for (const auto until = Clock::now() + span; Clock::now() < until; ++rows) {
            const auto sent = Clock::now();
            auto m = client.exchange(kCmdMeasure);
            const auto answered = Clock::now();
            ASSERT_EQ(m.size(), 16u) << "request " << rows;
            if (rows == 0) {
                firstSent = sent;
                firstAnswered = answered;
            }
            auto rowAt = [&](Clock::duration elapsed) {
                return std::floor(duration<double, std::milli>(elapsed).count() * speed / 100.0);
            };
            const double earliest = rowAt(sent - firstAnswered) - 1;
            const double latest = rowAt(answered - firstSent) + 1;
            EXPECT_GE(m[2], earliest) << "request " << rows;
            EXPECT_LE(m[2], latest) << "request " << rows;
            EXPECT_GE(m[2], last) << "request " << rows;
            last = m[2];
            std::this_thread::sleep_for(milliseconds(20));
        }
        // The replay moved on at about the recorded pace.
        EXPECT_GE(last, std::floor(span.count() * speed / 100.0 * 0.5));
    }

    TempDir dir;
    SimProcess sim;
    Client client;
};

TEST_F(ReplayProgram, answersFollowTheRecordedTimesAtSpeedOne)
{
    ASSERT_TRUE(start(rowsEvery100ms(100), {}));
    expectRecordedPace(1.0, milliseconds(1500));
}

TEST_F(ReplayProgram, answersFollowTheRecordedTimesTenTimesFaster)
{
    ASSERT_TRUE(start(rowsEvery100ms(1000), {"--replay-speed", "10"}));
    expectRecordedPace(10.0, milliseconds(1500));
}

TEST_F(ReplayProgram, afterTheLastRowMeasurementsGoUnansweredAndTheRestWorks)
{
    std::string text = rowsEvery100ms(3);
    text.insert(text.find("100,"), "50,1,0,2000,400,60,0,1,1\n");
    ASSERT_TRUE(start(text, {"--replay-speed", "0"}));
    for (int i = 0; i < 3; ++i) {
        auto m = client.exchange(kCmdMeasure);
        ASSERT_EQ(m.size(), 16u);
        EXPECT_EQ(m[2], i);
        EXPECT_EQ(m[kMwFlags] & kFlagReplayed, kFlagReplayed);
    }
    client.sendRequest(kCmdMeasure);
    EXPECT_TRUE(client.read(kFrameBytes, milliseconds(300)).empty());
    auto echo = client.exchange(kCmdEcho);
    ASSERT_EQ(echo.size(), 16u);
    EXPECT_EQ(echo[0], 0x00AA);
    EXPECT_EQ(sim.Stop(), 0);
    std::string err = ReadFile(dir.file("stderr.txt"));
    EXPECT_NE(err.find("ignored 1 values out of range 0..1024 in 1 rows, the first at line 3"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("measurements are no longer answered"), std::string::npos) << err;
    EXPECT_NE(err.find("cmd 8 requests 4 answers 3\n"), std::string::npos) << err;
}

TEST(ReplayProgramFile, aDamagedRowEndsTheStartWithTheLineNamed)
{
    TempDir dir;
    std::ofstream(dir.file("rec.csv")) << kHeader << "0,1,0,1,400,60,0,1,1\n0,1,0,1,400\n";
    std::string err;
    EXPECT_EQ(SimProcess::RunToExit({"--link", dir.file("com1"), "--replay", dir.file("rec.csv")},
                                    err),
              2);
    EXPECT_NE(err.find("rec.csv:3: 5 values where the header names 9 columns\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("com1")));
}

} // namespace
} // namespace qzan::sim::test
