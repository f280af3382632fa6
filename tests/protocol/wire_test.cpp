// The protocol core against the simulator's own frames: what one side encodes
// the other decodes, for every command and for words at their edges.
#include "core/protocol/frame.h"

#include "params.h"
#include "request_reader.h"
#include "sensor.h"
#include "wire.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace pr = qzan::protocol;
namespace sim = qzan::sim;

// Words that catch a swapped byte, a sign, a lost high bit or a shift.
std::vector<pr::Words> EdgeWordSets()
{
    std::vector<pr::Words> sets;
    const std::uint16_t fills[] = {0x0000, 0xFFFF, 0x8000, 0x0001, 0x00FF, 0xFF00, 0x7FFF, 0x55AA};
    for (std::uint16_t f : fills) {
        pr::Words w{};
        w.fill(f);
        sets.push_back(w);
    }
    pr::Words counting{};
    for (int i = 0; i < pr::PNUM; ++i)
        counting[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0x0102 * (i + 1) + i);
    sets.push_back(counting);
    return sets;
}

TEST(ProtocolWire, bothSidesAgreeOnSizesCodesAndTheEchoWord)
{
    EXPECT_EQ(static_cast<std::size_t>(pr::FRAME_BYTES), sim::kFrameBytes);
    EXPECT_EQ(static_cast<std::size_t>(pr::PNUM), sim::kWordCount);
    EXPECT_EQ(static_cast<std::size_t>(pr::BLOCK_BYTES), sim::kBlockBytes);
    EXPECT_EQ(pr::ECHO_WORD, sim::kEchoWord);
    EXPECT_EQ(pr::SYNC_WORD, (sim::kSyncHigh << 8) | sim::kSyncLow);
    const std::pair<pr::Command, sim::Command> codes[] = {
        {pr::CMD_WRITE_RAM, sim::kCmdWriteRam},   {pr::CMD_READ_RAM, sim::kCmdReadRam},
        {pr::CMD_WRITE_EEPROM, sim::kCmdWriteEeprom}, {pr::CMD_READ_EEPROM, sim::kCmdReadEeprom},
        {pr::CMD_TEACH, sim::kCmdTeach}, {pr::CMD_TEACH_BACKGROUND, sim::kCmdTeachBackground},
        {pr::CMD_ECHO, sim::kCmdEcho},   {pr::CMD_MEASURE, sim::kCmdMeasure},
        {pr::CMD_DATA_BLOCK, sim::kCmdDataBlock},
    };
    for (auto [ours, theirs] : codes)
        EXPECT_EQ(static_cast<int>(ours), static_cast<int>(theirs));
}

TEST(ProtocolWire, everyRequestWeEncodeIsReadBackWholeByTheSensorsReader)
{
    for (std::uint16_t code = 1; code <= 9; ++code) {
        for (const pr::Words &words : EdgeWordSets()) {
            const pr::Frame frame = pr::EncodeRequest(pr::SYNC_WORD, code, words);
            sim::RequestReader reader(std::chrono::milliseconds(5));
            std::vector<sim::Request> out;
            // In two pieces, as a port delivers them.
            EXPECT_EQ(reader.feed({frame.data(), 7}, sim::TimePoint{}, out), 0u);
            EXPECT_EQ(reader.feed({frame.data() + 7, frame.size() - 7}, sim::TimePoint{}, out),
                      0u);
            ASSERT_EQ(out.size(), 1u) << "code " << code;
            EXPECT_EQ(out[0].command, code);
            for (int i = 0; i < pr::PNUM; ++i)
                EXPECT_EQ(out[0].words[static_cast<std::size_t>(i)],
                          words[static_cast<std::size_t>(i)])
                    << "code " << code << " word " << i;
            // And byte for byte what the simulator would send with that code.
            EXPECT_EQ(frame, sim::encodeFrame(code, words)) << "code " << code;
        }
    }
}

TEST(ProtocolWire, onlyTheLowSixteenBitsOfTheSyncGoOut)
{
    const pr::Frame frame = pr::EncodeRequest(0x12340055u, pr::CMD_ECHO, pr::Words{});
    EXPECT_EQ(frame[0], 0x00);
    EXPECT_EQ(frame[1], 0x55);
}

TEST(ProtocolWire, everyReplyTheSimulatorEncodesDecodesToItsWordsAndCode)
{
    for (std::uint16_t code = 1; code <= 9; ++code) {
        for (const pr::Words &words : EdgeWordSets()) {
            const auto bytes = sim::encodeFrame(code, words);
            const auto reply = pr::DecodeReply(bytes);
            ASSERT_TRUE(reply.has_value());
            EXPECT_EQ(reply->sync, pr::SYNC_WORD);
            EXPECT_EQ(reply->code, code);
            EXPECT_EQ(reply->words, words);
            // The sensor's own decoder reads our decoder's words the same way.
            EXPECT_EQ(sim::decodeFrameWords(bytes), reply->words);
        }
    }
}

TEST(ProtocolWire, aReplyCountsOnlyWhenItIsExactlyOneFrame)
{
    const auto bytes = sim::encodeFrame(sim::kCmdEcho, sim::Words{});
    std::vector<std::uint8_t> v(bytes.begin(), bytes.end());
    EXPECT_TRUE(pr::IsWholeReply(36));
    EXPECT_FALSE(pr::IsWholeReply(35));
    EXPECT_FALSE(pr::IsWholeReply(37));
    EXPECT_FALSE(pr::IsWholeReply(-3));
    EXPECT_FALSE(pr::DecodeReply(std::span<const std::uint8_t>(v.data(), 35)).has_value());
    v.push_back(0);
    EXPECT_FALSE(pr::DecodeReply(v).has_value());
}

TEST(ProtocolWire, aReplysHeaderIsNotInterpreted)
{
    pr::Words words{};
    words[0] = 0x00AA;
    auto bytes = sim::encodeFrame(sim::kCmdEcho, words);
    bytes[0] = 0xDE;
    bytes[1] = 0xAD;
    bytes[3] = 0x63;
    const auto reply = pr::DecodeReply(bytes);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->words[0], 0x00AA);
    EXPECT_EQ(reply->code, 0x0063);
}

TEST(ProtocolWire, partialWordDecodingNeverReadsOrWritesBeyondTheRecord)
{
    const auto bytes = sim::encodeFrame(sim::kCmdReadRam, sim::Words{1, 2, 3});
    std::uint16_t out[pr::PNUM + 2];
    std::fill(std::begin(out), std::end(out), 0x7777);
    EXPECT_EQ(pr::DecodeReplyWords(bytes.data(), 1000, out), pr::PNUM);
    EXPECT_EQ(out[pr::PNUM], 0x7777);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(pr::DecodeReplyWords(bytes.data(), -4, out), 0);
    EXPECT_EQ(pr::DecodeReplyWords(bytes.data(), 2, out), 2);
}

TEST(ProtocolWire, theSensorsAnswersReadAsTheProgramExpects)
{
    sim::Sensor sensor(sim::SceneConfig{}, sim::defaultParams(), true);
    // Echo: word 0 is the check value.
    auto echo = sensor.handle(pr::CMD_ECHO,
                              sim::decodeFrameWords(pr::EncodeRequest(pr::SYNC_WORD, pr::CMD_ECHO,
                                                                      pr::Words{})),
                              0.0);
    ASSERT_TRUE(echo.has_value());
    auto reply = pr::DecodeReply(std::span<const std::uint8_t>(echo->bytes));
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(pr::EchoAnswered(reply->words[0]));
    EXPECT_FALSE(pr::EchoAnswered(0x00AB));

    // A set written to RAM comes back from a RAM read word for word.
    pr::Words set{};
    for (int i = 0; i < pr::PNUM; ++i)
        set[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(700 + i);
    sensor.handle(pr::CMD_WRITE_RAM, set, 0.1);
    auto back = sensor.handle(pr::CMD_READ_RAM, pr::Words{}, 0.2);
    ASSERT_TRUE(back.has_value());
    reply = pr::DecodeReply(std::span<const std::uint8_t>(back->bytes));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->words, set);

    // A measurement answer's words mean what the simulator put there.
    auto answer = sensor.handle(pr::CMD_MEASURE, set, 0.3);
    ASSERT_TRUE(answer.has_value());
    reply = pr::DecodeReply(std::span<const std::uint8_t>(answer->bytes));
    ASSERT_TRUE(reply.has_value());
    const pr::Measurement m = pr::ReadMeasurement(reply->words.data());
    EXPECT_EQ(m.edge1, answer->words[0]);
    EXPECT_EQ(m.edge2, answer->words[1]);
    EXPECT_EQ(m.measured, answer->words[2]);
    EXPECT_EQ(m.teach, answer->words[3]);
    EXPECT_EQ(m.tolerance, answer->words[4]);
    EXPECT_EQ(m.windowStart, answer->words[5]);
    EXPECT_EQ(m.edges, answer->words[6]);
    EXPECT_EQ(m.startLevel, answer->words[7]);
    EXPECT_EQ(m.endLevel, answer->words[8]);
}

TEST(ProtocolWire, dataBlocksDecodeFromTheSimulatorsBytesAndAShortReadKeepsTheRest)
{
    std::vector<std::uint16_t> block(64);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint16_t>(i == 0 ? 0xFFFF : 0x8000 + 3 * i);
    const auto bytes = sim::encodeRawWords(block);
    std::uint16_t out[64 + 1];
    std::fill(std::begin(out), std::end(out), 9);
    EXPECT_EQ(pr::DecodeBlock(bytes.data(), static_cast<int>(bytes.size()), out), 64);
    for (std::size_t i = 0; i < 64; ++i)
        EXPECT_EQ(out[i], block[i]) << i;
    EXPECT_EQ(out[64], 9) << "a block never spills";

    std::fill(std::begin(out), std::end(out), 9);
    EXPECT_EQ(pr::DecodeBlock(bytes.data(), 5, out), 2); // two words and half of one
    EXPECT_EQ(out[1], block[1]);
    EXPECT_EQ(out[2], 9);
    EXPECT_EQ(pr::DecodeBlock(bytes.data(), -1, out), 0);
    std::vector<std::uint8_t> big(1024, 0x11);
    EXPECT_EQ(pr::DecodeBlock(big.data(), 1024, out), 64);
    EXPECT_EQ(out[64], 9);
}

TEST(ProtocolWire, aBlockRequestCarriesItsFirstSampleAndReferenceWord)
{
    sim::Sensor sensor(sim::SceneConfig{}, sim::defaultParams(), false);
    const pr::Frame frame =
        pr::EncodeRequest(pr::SYNC_WORD, pr::CMD_DATA_BLOCK, pr::BlockRequestWords(192, 1));
    const sim::Words words = sim::decodeFrameWords(frame);
    EXPECT_EQ(words[0], 192);
    EXPECT_EQ(words[1], 1);
    for (std::size_t i = 2; i < words.size(); ++i)
        EXPECT_EQ(words[i], 0) << i;
    const auto reply = sensor.handle(pr::CMD_DATA_BLOCK, words, 0.0);
    ASSERT_TRUE(reply.has_value());
    ASSERT_EQ(reply->bytes.size(), static_cast<std::size_t>(pr::BLOCK_BYTES));
    std::uint16_t out[64] = {};
    EXPECT_EQ(pr::DecodeBlock(reply->bytes.data(), pr::BLOCK_BYTES, out), 64);
    for (std::size_t i = 0; i < 64; ++i)
        EXPECT_EQ(out[i], reply->words[i]) << i;
}

TEST(ProtocolWire, replyWaitsEndAfterThirtyTicksTeachAtFifteen)
{
    EXPECT_FALSE(pr::ReplyTimedOut(30));
    EXPECT_TRUE(pr::ReplyTimedOut(31));
    EXPECT_FALSE(pr::TeachTimedOut(14));
    EXPECT_TRUE(pr::TeachTimedOut(15));
}

TEST(ProtocolWire, toleranceIsInclusiveAndSymmetric)
{
    pr::Measurement m;
    m.teach = 500;
    m.tolerance = 10;
    for (auto [measured, inside] : {std::pair{490, true}, {510, true}, {489, false}, {511, false}}) {
        m.measured = static_cast<std::uint16_t>(measured);
        EXPECT_EQ(pr::InTolerance(m), inside) << measured;
    }
    m.teach = 0;
    m.tolerance = 0;
    m.measured = 0xFFFF;
    EXPECT_FALSE(pr::InTolerance(m)) << "no 16-bit wrap";
}

} // namespace
