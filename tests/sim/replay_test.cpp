// Replay of a recording without a port: reading the program's CSV (columns by
// name, line endings, appended recordings, values out of range, damaged rows
// named by line), which row is due when, the end, and the sensor's answers.
#include "params.h"
#include "recording.h"
#include "replay.h"
#include "sensor.h"
#include "files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace qzan::sim {
namespace {

const std::string kHeader =
    "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance";

class ReplayFile : public ::testing::Test {
protected:
    RecordingResult read(const std::string &text)
    {
        std::ofstream(path(), std::ios::binary) << text;
        return readRecording(path());
    }
    std::string path() const { return dir.file("rec.csv"); }

    test::TempDir dir;
};

TEST_F(ReplayFile, readsColumnsByNameWithCrLfAndColumnsItDoesNotKnow)
{
    // Columns in another order, an alarm column added, CRLF, no final newline.
    auto r = read("edges,time_ms,edge1,edge2,measured,teach,tolerance,window_start,"
                  "in_tolerance,alarm\r\n"
                  "2,0,420,600,420,400,60,0,1,0\r\n"
                  "1,40,421,0,421,400,60,32,1,1");
    ASSERT_TRUE(r.ok) << r.error;
    const auto &rows = r.recording.rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].timeMs, 40u);
    EXPECT_EQ(rows[1].edge1, 421);
    EXPECT_EQ(rows[1].windowStart, 32);
    EXPECT_EQ(rows[1].edges, 1);
    EXPECT_EQ(rows[0].edge2, 600);
    EXPECT_EQ(rows[0].teach, 400);
    EXPECT_EQ(rows[0].tolerance, 60);
}

TEST_F(ReplayFile, damageIsNamedByFileAndLine)
{
    struct Case {
        std::string text;
        std::string needle;
    } cases[] = {
        {"", "rec.csv: empty file"},
        {"0,420,600,420,400,60,0,2,1\n", "rec.csv:1: not a recording"},
        {"time_ms,edge1,edge2,measured,tolerance,window_start,edges\n", "rec.csv:1: "
                                                                       "the header has no "
                                                                       "column 'teach'"},
        {kHeader + "\n", "rec.csv: holds no rows"},
        {kHeader + "\n0,1,2,3,4,5,6,7,1\n40,1,2,3,4,5,6,1\n", "rec.csv:3: 8 values where the "
                                                              "header names 9"},
        {kHeader + "\n0,1,2,3,4,5,6,7,1\n\n40,1,x2,3,4,5,6,7,1\n",
         "rec.csv:4: 'x2' in column edge2 is not a whole number"},
        {kHeader + "\n-40,1,2,3,4,5,6,7,1\n", "rec.csv:2: time_ms -40"},
        {kHeader + "\n" + std::string(5000, '7') + "\n", "rec.csv:2: longer than 4096"},
        {std::string(5000, '\0'), "rec.csv:1: not a recording"},
        {kHeader + "\n4294967296,1,2,3,4,5,6,7,1\n", "rec.csv:2: the recording lasts longer"},
    };
    for (const Case &c : cases) {
        auto r = read(c.text);
        EXPECT_FALSE(r.ok) << c.needle;
        EXPECT_NE(r.error.find(c.needle), std::string::npos) << r.error;
        EXPECT_TRUE(r.recording.rows.empty());
    }
    auto missing = readRecording(dir.file("none.csv"));
    EXPECT_NE(missing.error.find("none.csv: No such file"), std::string::npos) << missing.error;
}

TEST_F(ReplayFile, rowsWithValuesOutOfRangeAreLeftOutAndCounted)
{
    auto r = read(kHeader + "\n0,420,600,420,400,60,0,2,1\n"
                            "40,-1,600,1025,400,60,0,2,1\n"
                            "80,420,600,420,70000,60,0,2,1\n"
                            "120,1024,0,1024,1024,1024,1024,1,0\n");
    ASSERT_TRUE(r.ok) << r.error;
    const Recording &rec = r.recording;
    ASSERT_EQ(rec.rows.size(), 2u);
    EXPECT_EQ(rec.rows[1].timeMs, 120u);
    EXPECT_EQ(rec.ignoredValues, 3u);
    EXPECT_EQ(rec.ignoredRows, 2u);
    EXPECT_EQ(rec.firstIgnoredLine, 3u);
    EXPECT_FALSE(read(kHeader + "\n0,2000,0,0,0,0,0,0,0\n").ok);
}

TEST_F(ReplayFile, aRecordingAppendedOrJoinedToAnotherFollowsOnAfterIt)
{
    // The program appends under the first header with times from 0 again; a
    // file joined from two carries the second's header (here with a column more).
    auto r = read(kHeader + "\n100,1,2,3,4,5,6,7,1\n200,1,2,3,4,5,6,7,1\n"
                            "50,1,2,3,4,5,6,7,1\n90,1,2,3,4,5,6,7,1\n"
                  + kHeader + ",alarm\n30,1,2,3,4,5,6,7,1,0\n");
    ASSERT_TRUE(r.ok) << r.error;
    const Recording &rec = r.recording;
    ASSERT_EQ(rec.rows.size(), 5u);
    std::vector<std::uint32_t> times;
    for (const RecordedRow &row : rec.rows)
        times.push_back(row.timeMs);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{100, 200, 250, 290, 320}));
    EXPECT_EQ(rec.parts, 3u);
    EXPECT_EQ(rec.secondPartLine, 4u);
}

TEST(ReplayStates, oneEdgeIsTakenAsTheNearerEdgeOfTheObjectLastSeenWhole)
{
    auto row = [](std::uint16_t e1, std::uint16_t e2, std::uint16_t edges) {
        return RecordedRow{0, e1, e2, e1, 0, 0, 0, edges, 9, 9};
    };
    std::vector<RecordedRow> rows = {row(700, 0, 1), row(300, 0, 1), row(400, 600, 2),
                                     row(590, 0, 1), row(420, 0, 1), row(0, 0, 0)};
    deriveLineStates(rows);
    auto states = [&](std::size_t i) { return std::pair{rows[i].stateStart, rows[i].stateEnd}; };
    using P = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(states(0), P(1, 0)); // no history: right half, the object's left edge
    EXPECT_EQ(states(1), P(0, 1));
    EXPECT_EQ(states(2), P(1, 1));
    EXPECT_EQ(states(3), P(0, 1)); // near the right edge: dark before it
    EXPECT_EQ(states(4), P(1, 0)); // near the left edge: dark after it
    EXPECT_EQ(states(5), P(1, 1));
}

std::vector<RecordedRow> rowsEvery100ms(std::uint16_t count, std::uint32_t firstMs = 0)
{
    std::vector<RecordedRow> rows;
    for (std::uint16_t i = 0; i < count; ++i)
        rows.push_back({firstMs + 100u * i, i, 0, i, 0, 0, 0, 1, 1, 0});
    return rows;
}

int served(Replay &replay, double seconds)
{
    const RecordedRow *row = replay.take(seconds);
    return row ? row->measured : -1;
}

TEST(ReplayTiming, rowsAreDueAtTheirTimesFromTheFirstRequestOnScaledBySpeed)
{
    // The clock starts at the first request, at the first row's time.
    Replay once(rowsEvery100ms(10, 5000), {1.0, false});
    EXPECT_EQ(served(once, 7.0), 0);
    EXPECT_EQ(served(once, 7.05), 0);
    EXPECT_EQ(once.peek(7.31).measured, 3);
    EXPECT_EQ(served(once, 7.85), 8);
    EXPECT_EQ(served(once, 7.2), 8); // a clock never goes back; neither does the replay
    EXPECT_EQ(served(once, 9.0), 9);
    EXPECT_EQ(served(once, 9.1), -1);
    EXPECT_EQ(once.peek(9.2).measured, 9);

    Replay fast(rowsEvery100ms(10), {10.0, false});
    EXPECT_EQ(served(fast, 1.0), 0);
    EXPECT_EQ(served(fast, 1.055), 5);
}

TEST(ReplayTiming, speedZeroServesOneRowPerRequestAndLoopStartsAgain)
{
    Replay rows(rowsEvery100ms(3), {0.0, true});
    int lastRows = 0;
    rows.onLastRow([&] { ++lastRows; });
    std::vector<int> got;
    for (int i = 0; i < 7; ++i)
        got.push_back(served(rows, 1.0));
    EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(lastRows, 2);
    EXPECT_FALSE(rows.ended());
}

TEST(ReplaySensor, measurementsComeFromTheRecordingTheRestFromTheSensor)
{
    SceneConfig scene;
    scene.drift = 0;
    scene.noise = 0;
    Sensor sensor(scene, defaultParams(), false);
    std::vector<RecordedRow> rows = {{0, 610, 0, 610, 500, 30, 384, 1, 0, 1},
                                     {100, 611, 0, 611, 500, 30, 384, 1, 0, 1}};
    sensor.replayFrom(std::make_unique<Replay>(rows, ReplayConfig{0.0, false}));

    auto teach = sensor.handle(kCmdTeach, {}, 0.5);
    ASSERT_TRUE(teach);
    EXPECT_EQ(teach->words[kTVal], 610); // the recorded measured value, not the scene's 420
    auto m = sensor.handle(kCmdMeasure, {}, 1.0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->words, (std::vector<std::uint16_t>{610, 0, 610, 500, 30, 384, 1, 0, 1, 0, 0, 0,
                                                    0, 0, kFlagReplayed, 1}));
    auto last = sensor.handle(kCmdMeasure, {}, 1.0);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->words[kMwSceneTenths], 1);
    EXPECT_FALSE(sensor.handle(kCmdMeasure, {}, 1.0));
    auto ram = sensor.handle(kCmdReadRam, {}, 1.0);
    ASSERT_TRUE(ram);
    EXPECT_EQ(ram->words[kTVal], 610);
    EXPECT_TRUE(sensor.handle(kCmdDataBlock, {}, 1.0));
}

TEST_F(ReplayFile, aDayOfAnswersLoadsWholeAndCompactly)
{
    // 2.3 million rows: a day at the line's rate, about 80 MB, read across
    // many chunk boundaries. The time is printed, not judged.
    constexpr std::uint32_t kRows = 2'300'000;
    auto rowTime = [](std::uint32_t i) {
        return static_cast<std::uint32_t>(std::uint64_t{i} * 3756 / 100);
    };
    {
        std::FILE *f = std::fopen(path().c_str(), "wb");
        ASSERT_TRUE(f);
        std::fprintf(f, "%s,alarm\n", kHeader.c_str());
        for (std::uint32_t i = 0; i < kRows; ++i)
            std::fprintf(f, "%u,%u,%u,%u,400,60,0,2,1,0\n", rowTime(i), 300 + i % 400,
                         700 + i % 300, 300 + i % 400);
        ASSERT_EQ(std::fclose(f), 0);
    }
    const auto begin = std::chrono::steady_clock::now();
    RecordingResult r = readRecording(path());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ASSERT_TRUE(r.ok) << r.error;
    const auto &rows = r.recording.rows;
    ASSERT_EQ(rows.size(), kRows);
    EXPECT_LT(rows.capacity(), rows.size() + rows.size() / 16);
    std::uint32_t wrong = 0;
    for (std::uint32_t i = 0; i < kRows; ++i) {
        const RecordedRow &row = rows[i];
        wrong += row.timeMs != rowTime(i) || row.edge1 != 300 + i % 400
                 || row.edge2 != 700 + i % 300;
    }
    EXPECT_EQ(wrong, 0u);
    std::cout << "[ figure ] " << kRows << " rows read in " << seconds << " s, "
              << rows.capacity() * sizeof(RecordedRow) / 1'000'000 << " MB held\n";
}

} // namespace
} // namespace qzan::sim
