// The fault plan (every N-th, seeded probability, precedence, which commands)
// and the pacing arithmetic that benchmarks rely on.
#include "faults.h"
#include "pacing.h"
#include "params.h"
#include "sensor.h"

#include <gtest/gtest.h>

namespace qzan::sim {
namespace {

using std::chrono::milliseconds;

Reply replyTo(std::uint16_t command)
{
    SceneConfig c;
    c.drift = 0;
    Sensor sensor(c, defaultParams(), true);
    return *sensor.handle(command, Words{}, 0);
}

TEST(FaultPlan, noFaultsPassAnswersUntouched)
{
    FaultPlan plan(FaultConfig{}, 1);
    Reply r = replyTo(kCmdMeasure);
    FaultOutcome o = plan.apply(r);
    EXPECT_TRUE(o.send);
    EXPECT_TRUE(o.whole);
    EXPECT_EQ(o.bytes, r.bytes);
    EXPECT_TRUE(o.faults.empty());
}

TEST(FaultPlan, dropEveryThirdAnswer)
{
    FaultConfig config;
    config.drop.every = 3;
    FaultPlan plan(config, 1);
    std::vector<bool> sent;
    for (int i = 0; i < 7; ++i)
        sent.push_back(plan.apply(replyTo(kCmdEcho)).send);
    EXPECT_EQ(sent, (std::vector<bool>{true, true, false, true, true, false, true}));
}

TEST(FaultPlan, randomFaultsRepeatWithTheSeedAndRoughlyMatchTheRate)
{
    FaultConfig config;
    config.garbage.rate = 0.25;
    auto pattern = [&](std::uint64_t seed) {
        FaultPlan plan(config, seed);
        std::vector<bool> hit;
        for (int i = 0; i < 400; ++i)
            hit.push_back(!plan.apply(replyTo(kCmdReadRam)).whole);
        return hit;
    };
    auto a = pattern(7);
    EXPECT_EQ(a, pattern(7));
    EXPECT_NE(a, pattern(8));
    auto hits = std::count(a.begin(), a.end(), true);
    EXPECT_GT(hits, 50);
    EXPECT_LT(hits, 150);
}

TEST(FaultPlan, wrongEchoSpoilsOnlyEchoAnswers)
{
    FaultConfig config;
    config.wrongEcho.every = 1;
    FaultPlan plan(config, 1);
    FaultOutcome echo = plan.apply(replyTo(kCmdEcho));
    EXPECT_TRUE(echo.whole);
    EXPECT_EQ(echo.words[0], kWrongEchoWord);
    EXPECT_EQ(echo.bytes[4], 0xAA);
    EXPECT_EQ(echo.bytes[5], 0x00);
    FaultOutcome ram = plan.apply(replyTo(kCmdReadRam));
    EXPECT_TRUE(ram.faults.empty());
}

TEST(FaultPlan, extraBytesFollowTheWholeAnswer)
{
    FaultConfig config;
    config.extra.every = 1;
    config.extraBytes = 6;
    FaultPlan plan(config, 1);
    Reply r = replyTo(kCmdReadRam);
    FaultOutcome o = plan.apply(r);
    EXPECT_TRUE(o.whole);
    ASSERT_EQ(o.bytes.size(), kFrameBytes + 6);
    EXPECT_TRUE(std::equal(r.bytes.begin(), r.bytes.end(), o.bytes.begin()));
}

TEST(FaultPlan, shortAnswersAreAlwaysLessThanAFrame)
{
    FaultConfig config;
    config.shortFrame.every = 1;
    FaultPlan plan(config, 3);
    for (std::uint16_t command : {kCmdMeasure, kCmdDataBlock}) {
        for (int i = 0; i < 50; ++i) {
            Reply r = replyTo(command);
            FaultOutcome o = plan.apply(r);
            EXPECT_FALSE(o.whole);
            EXPECT_GE(o.bytes.size(), 1u);
            EXPECT_LT(o.bytes.size(), kFrameBytes);
            EXPECT_TRUE(std::equal(o.bytes.begin(), o.bytes.end(), r.bytes.begin()));
        }
    }
}

TEST(FaultPlan, dropWinsOverGarbageAndShort)
{
    FaultConfig config;
    config.drop.every = 2;
    config.garbage.every = 1;
    config.shortFrame.every = 1;
    FaultPlan plan(config, 1);
    FaultOutcome first = plan.apply(replyTo(kCmdEcho));
    EXPECT_EQ(first.faults, std::vector<Fault>{Fault::kGarbage});
    EXPECT_EQ(first.bytes.size(), kFrameBytes);
    FaultOutcome second = plan.apply(replyTo(kCmdEcho));
    EXPECT_EQ(second.faults, std::vector<Fault>{Fault::kDrop});
    EXPECT_FALSE(second.send);
}

TEST(FaultPlan, faultsApplyOnlyToTheChosenCommands)
{
    FaultConfig config;
    config.drop.every = 1;
    config.commands.reset();
    config.commands.set(kCmdMeasure);
    FaultPlan plan(config, 1);
    EXPECT_TRUE(plan.apply(replyTo(kCmdEcho)).send);
    EXPECT_FALSE(plan.apply(replyTo(kCmdMeasure)).send);
}

TEST(FaultPlan, silentSendsNothingAndCountsEachAnswer)
{
    FaultConfig config;
    config.silent = true;
    FaultPlan plan(config, 1);
    FaultOutcome o = plan.apply(replyTo(kCmdEcho));
    EXPECT_FALSE(o.send);
    EXPECT_EQ(o.faults, std::vector<Fault>{Fault::kSilent});
}

TEST(Pacing, measurementPairAt19200BaudTakes38AndAHalfMilliseconds)
{
    Pacing pacing; // 19200 baud, 1 ms turnaround
    const TimePoint t0{};
    EXPECT_EQ(pacing.lineTime(kFrameBytes), Nanos(18'750'000));
    EXPECT_EQ(pacing.answerDue(t0, kFrameBytes, kFrameBytes, std::nullopt) - t0,
              Nanos(38'500'000));
    // A data block's 128 bytes take 66.67 ms on the line.
    EXPECT_EQ(pacing.answerDue(t0, kFrameBytes, kBlockBytes, std::nullopt) - t0,
              Nanos(18'750'000 + 1'000'000 + 66'666'667));
}

TEST(Pacing, queuedAnswerWaitsForTheLine)
{
    Pacing pacing;
    const TimePoint t0{};
    TimePoint first = pacing.answerDue(t0, kFrameBytes, kFrameBytes, std::nullopt);
    TimePoint second = pacing.answerDue(t0, kFrameBytes, kFrameBytes, first);
    EXPECT_EQ(second - first, Nanos(18'750'000));
}

TEST(Pacing, withoutBaudRateOnlyTheTurnaroundCounts)
{
    Pacing pacing;
    pacing.baud = 0;
    pacing.turnaround = Nanos(0);
    const TimePoint t0{};
    EXPECT_EQ(pacing.answerDue(t0, kFrameBytes, kBlockBytes, std::nullopt), t0);
    EXPECT_EQ(pacing.partialGap(), milliseconds(5));
}

TEST(Pacing, realLineSpendsTheAnswerTimeItself)
{
    Pacing pacing;
    pacing.lineAddsAnswerTime = true;
    const TimePoint t0{};
    EXPECT_EQ(pacing.answerDue(t0, kFrameBytes, kFrameBytes, std::nullopt) - t0,
              Nanos(19'750'000));
}

TEST(Pacing, partialRequestGapIsAFramesLineTimeWhenPaced)
{
    Pacing pacing;
    EXPECT_EQ(pacing.partialGap(), Nanos(18'750'000));
    pacing.baud = 115200;
    EXPECT_EQ(pacing.partialGap(), milliseconds(5));
    pacing.gapOverride = milliseconds(300);
    EXPECT_EQ(pacing.partialGap(), milliseconds(300));
}

} // namespace
} // namespace qzan::sim
