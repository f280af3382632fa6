// The sensor's commands without a port: parameter sets in RAM and EEPROM,
// teach, background teach, echo, measurement words, the four data blocks and
// the measurement that belongs to them, and codes that get no answer.
#include "params.h"
#include "sensor.h"

#include <gtest/gtest.h>

namespace qzan::sim {
namespace {

SceneConfig stillScene()
{
    SceneConfig c;
    c.drift = 0;
    c.noise = 0;
    return c;
}

Words someSet()
{
    return {500, 1, 512, 64, 1, 1, 200, 800, 512, 100, 1, 1, 0, 1, 0, 1000};
}

Words wordsOf(const Reply &r)
{
    Words w{};
    for (std::size_t i = 0; i < kWordCount && i < r.words.size(); ++i)
        w[i] = r.words[i];
    return w;
}

TEST(Sensor, echoAnswersWord0x00AAInAFrameWithHeader)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    auto reply = sensor.handle(kCmdEcho, someSet(), 0);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->bytes.size(), kFrameBytes);
    EXPECT_EQ(reply->bytes[0], 0x00);
    EXPECT_EQ(reply->bytes[1], 0x55);
    EXPECT_EQ(reply->bytes[2], 0x00);
    EXPECT_EQ(reply->bytes[3], 0x07);
    EXPECT_EQ(reply->bytes[4], 0x00);
    EXPECT_EQ(reply->bytes[5], 0xAA);
    for (std::size_t i = 6; i < kFrameBytes; ++i)
        EXPECT_EQ(reply->bytes[i], 0);
}

TEST(Sensor, ramWriteIsReadBackWhileEepromKeepsItsSet)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    EXPECT_FALSE(sensor.handle(kCmdWriteRam, someSet(), 0)); // no answer by default
    auto ram = sensor.handle(kCmdReadRam, Words{}, 0);
    ASSERT_TRUE(ram);
    EXPECT_EQ(ram->bytes[3], 2);
    EXPECT_EQ(wordsOf(*ram), someSet());
    EXPECT_EQ(wordsOf(*sensor.handle(kCmdReadEeprom, Words{}, 0)), defaultParams());
}

TEST(Sensor, eepromWriteStoresBothSetsAndReachesTheSink)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    Words saved{};
    int calls = 0;
    sensor.onEepromWrite([&](const Words &w) {
        saved = w;
        ++calls;
    });
    EXPECT_FALSE(sensor.handle(kCmdWriteEeprom, someSet(), 0));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(saved, someSet());
    EXPECT_EQ(wordsOf(*sensor.handle(kCmdReadEeprom, Words{}, 0)), someSet());
    EXPECT_EQ(wordsOf(*sensor.handle(kCmdReadRam, Words{}, 0)), someSet());
}

TEST(Sensor, writesAreAnsweredWithTheStoredSetWhenAsked)
{
    Sensor sensor(stillScene(), defaultParams(), true);
    auto r1 = sensor.handle(kCmdWriteRam, someSet(), 0);
    ASSERT_TRUE(r1);
    EXPECT_EQ(r1->bytes[3], 1);
    EXPECT_EQ(wordsOf(*r1), someSet());
    auto r3 = sensor.handle(kCmdWriteEeprom, defaultParams(), 0);
    ASSERT_TRUE(r3);
    EXPECT_EQ(r3->bytes[3], 3);
    EXPECT_EQ(wordsOf(*r3), defaultParams());
}

TEST(Sensor, readPayloadsAreIgnored)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    for (std::uint16_t c : {kCmdReadRam, kCmdReadEeprom, kCmdEcho, kCmdMeasure, kCmdTeach,
                            kCmdTeachBackground})
        sensor.handle(c, someSet(), 0);
    Words ram = defaultParams();
    ram[kTVal] = 420; // taught
    EXPECT_EQ(wordsOf(*sensor.handle(kCmdReadRam, someSet(), 0)), ram);
}

TEST(Sensor, unknownCodesGetNoAnswer)
{
    Sensor sensor(stillScene(), defaultParams(), true);
    EXPECT_FALSE(sensor.handle(0, Words{}, 0));
    EXPECT_FALSE(sensor.handle(10, Words{}, 0));
    EXPECT_FALSE(sensor.handle(0xFFFF, Words{}, 0));
}

TEST(Sensor, measurementAnswerCarriesEdgesSettingsAndASequenceNumber)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    Words w = wordsOf(*sensor.handle(kCmdMeasure, Words{}, 2.5));
    EXPECT_EQ(w[0], 420);
    EXPECT_EQ(w[1], 600);
    EXPECT_EQ(w[2], 420); // evaluation mode 0: first edge
    EXPECT_EQ(w[3], 400); // tVal
    EXPECT_EQ(w[4], 60);  // tTol
    EXPECT_EQ(w[5], 0);   // full line
    EXPECT_EQ(w[6], 2);
    EXPECT_EQ(w[7], 1);
    EXPECT_EQ(w[8], 1);
    EXPECT_EQ(w[kMwTrueLeft], 420);
    EXPECT_EQ(w[kMwTrueRight], 600);
    EXPECT_EQ(w[kMwSceneTenths], 25);
    EXPECT_EQ(w[kMwFlags], 0);
    EXPECT_EQ(w[kMwSequence], 1);
    EXPECT_EQ(wordsOf(*sensor.handle(kCmdMeasure, Words{}, 2.6))[kMwSequence], 2);
}

TEST(Sensor, teachStoresTheMeasuredValueAsTheRamTeachValue)
{
    Words start = defaultParams();
    start[kEMode] = 2; // width
    Sensor sensor(stillScene(), start, false);
    auto reply = sensor.handle(kCmdTeach, Words{}, 0);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes[3], 5);
    EXPECT_EQ(wordsOf(*reply)[kTVal], 180);
    EXPECT_EQ(sensor.ram()[kTVal], 180);
    EXPECT_EQ(sensor.eeprom()[kTVal], 400);
    EXPECT_EQ(wordsOf(*sensor.handle(kCmdMeasure, Words{}, 0))[3], 180);
}

TEST(Sensor, backgroundTeachTakesTheLineThatModeTwoThenSubtracts)
{
    SceneConfig plain = stillScene();
    plain.object = false;
    Sensor sensor(plain, defaultParams(), false);
    auto reply = sensor.handle(kCmdTeachBackground, Words{}, 0);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes[3], 6);
    EXPECT_EQ(wordsOf(*reply), defaultParams());
    EXPECT_TRUE(sensor.backgroundTaught());

    Words before = wordsOf(*sensor.handle(kCmdMeasure, Words{}, 0));
    EXPECT_GT(before[kMwLineMax], 800); // mode 0: the taught line is not used yet
    Words mode2 = defaultParams();
    mode2[kBMode] = 2;
    sensor.handle(kCmdWriteRam, mode2, 0);
    Words after = wordsOf(*sensor.handle(kCmdMeasure, Words{}, 0));
    EXPECT_EQ(after[kMwLineMax], 0); // the same line minus itself
    EXPECT_EQ(after[kMwFlags] & kFlagBackgroundTaught, kFlagBackgroundTaught);
}

std::vector<std::uint16_t> block(Sensor &sensor, std::uint16_t first, double t)
{
    Words request{};
    request[0] = first;
    request[1] = first == 192 ? 1 : 0;
    auto reply = sensor.handle(kCmdDataBlock, request, t);
    EXPECT_TRUE(reply);
    EXPECT_EQ(reply->bytes.size(), kBlockBytes);
    EXPECT_EQ(reply->words.size(), kBlockValues);
    for (std::size_t i = 0; i < kBlockValues; ++i)
        EXPECT_EQ(readWord(&reply->bytes[2 * i]), reply->words[i]);
    return reply->words;
}

TEST(Sensor, fourBlocksAndTheNextMeasurementShowOneMoment)
{
    SceneConfig moving;
    moving.drift = 50; // one pixel every 20 ms: the blocks span many pixels of drift
    moving.travel = 200;
    moving.noise = 4;
    Words params = defaultParams();
    params[kCcdMode] = 1;
    params[kPStart] = 400;
    Sensor sensor(moving, params, false);

    std::vector<std::uint16_t> data;
    double t = 1.0;
    for (std::uint16_t first : {0, 64, 128, 192}) {
        auto values = block(sensor, first, t);
        data.insert(data.end(), values.begin(), values.end());
        t += 0.1;
    }
    Words m = wordsOf(*sensor.handle(kCmdMeasure, Words{}, t));
    EXPECT_EQ(m[kMwFlags] & kFlagFromSnapshot, kFlagFromSnapshot);
    EXPECT_EQ(m[kMwSceneTenths], 10); // the moment of block 0
    ASSERT_EQ(m[5], 400);
    ASSERT_EQ(m[6], 2);
    // The edges the measurement reports are where the data crosses the threshold.
    const std::uint16_t threshold = params[kVThd];
    for (int edge : {m[0], m[1]}) {
        std::size_t i = static_cast<std::size_t>(edge - m[5]);
        ASSERT_GT(i, 0u);
        EXPECT_NE(data[i] > threshold, data[i - 1] > threshold) << "edge " << edge;
    }
    // The snapshot is used once: the next measurement is live again.
    Words live = wordsOf(*sensor.handle(kCmdMeasure, Words{}, t + 1));
    EXPECT_EQ(live[kMwFlags] & kFlagFromSnapshot, 0);
}

TEST(Sensor, fullLineBlocksHoldEveryFourthPixel)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    auto b0 = block(sensor, 0, 0);
    auto b64 = block(sensor, 64, 0);
    auto b128 = block(sensor, 128, 0);
    // Value i is pixel 4i: the object's edges 420 and 600 fall at values 105 and 150.
    EXPECT_GT(b64[104 - 64], 480);
    EXPECT_LT(b64[105 - 64], 480);
    EXPECT_LT(b128[149 - 128], 480);
    EXPECT_GT(b128[150 - 128], 480);
    EXPECT_GT(b0[0], 700); // the lamp's edge falls off but stays lit
}

TEST(Sensor, blockIndicesPastTheLineReadAsZero)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    auto values = block(sensor, 250, 0);
    EXPECT_NE(values[5], 0);
    for (std::size_t i = 6; i < kBlockValues; ++i)
        EXPECT_EQ(values[i], 0);
    auto far = block(sensor, 65535, 0);
    for (std::uint16_t v : far)
        EXPECT_EQ(v, 0);
}

TEST(Sensor, staleSnapshotIsNotReused)
{
    Sensor sensor(stillScene(), defaultParams(), false);
    block(sensor, 0, 0);
    Words m = wordsOf(*sensor.handle(kCmdMeasure, Words{}, kSnapshotLifetimeSeconds + 1));
    EXPECT_EQ(m[kMwFlags] & kFlagFromSnapshot, 0);
}

} // namespace
} // namespace qzan::sim
