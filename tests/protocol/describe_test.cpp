// The line reader and the texts it gives: frames the program sends, frames
// the simulator's own encoder makes as the sensor's answers, in whole pieces
// and in odd ones, with noise before them and with parts missing.
#include "core/protocol/describe.h"
#include "core/protocol/record.h"

#include "wire.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

namespace pr = qzan::protocol;
namespace sim = qzan::sim;
using Bytes = std::vector<std::uint8_t>;

Bytes Request(std::uint16_t code, const pr::Words &words)
{
    const pr::Frame f = pr::EncodeRequest(pr::SYNC_WORD, code, words);
    return Bytes(f.begin(), f.end());
}

Bytes Answer(std::uint16_t code, const pr::Words &words)
{
    sim::Words w{};
    std::copy(words.begin(), words.end(), w.begin());
    const auto f = sim::encodeFrame(code, w);
    return Bytes(f.begin(), f.end());
}

pr::Words Counting(std::uint16_t base)
{
    pr::Words w{};
    for (int i = 0; i < pr::PNUM; ++i)
        w[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(base + i);
    return w;
}

struct Reader {
    pr::LineReader reader;
    std::vector<pr::FrameLine> lines;
    void Sent(const Bytes &b) { reader.Feed(pr::Way::Sent, b, lines); }
    void Got(const Bytes &b) { reader.Feed(pr::Way::Received, b, lines); }
};

TEST(DescribeFrames, parameterRequestsAndRepliesNameEverySixteenWordsInOrder)
{
    const pr::Words words = Counting(500);
    std::string expected;
    for (int i = 0; i < pr::PNUM; ++i)
        expected += std::string(i ? " " : "") + pr::kParameters[static_cast<std::size_t>(i)].name +
                    "=" + std::to_string(500 + i);
    EXPECT_EQ(expected.substr(0, 26), "power=500 pwrMode=501 vThd");
    for (std::uint16_t code : {pr::CMD_WRITE_RAM, pr::CMD_READ_RAM, pr::CMD_WRITE_EEPROM,
                               pr::CMD_READ_EEPROM, pr::CMD_TEACH, pr::CMD_TEACH_BACKGROUND}) {
        Reader r;
        r.Sent(Request(code, words));
        r.Got(Answer(code, words));
        ASSERT_EQ(r.lines.size(), 2u) << code;
        EXPECT_EQ(r.lines[0].kind, pr::FrameKind::Request);
        EXPECT_EQ(r.lines[0].way, pr::Way::Sent);
        EXPECT_EQ(r.lines[0].code, code);
        EXPECT_EQ(r.lines[0].decoded, expected);
        EXPECT_EQ(r.lines[1].kind, pr::FrameKind::Reply);
        EXPECT_EQ(r.lines[1].way, pr::Way::Received);
        EXPECT_EQ(r.lines[1].command, pr::CommandName(code));
        EXPECT_EQ(r.lines[1].decoded, expected);
        EXPECT_EQ(r.lines[1].hex.substr(0, 20), "00 55 00 0" + std::to_string(code) + " 01 F4 01");
        EXPECT_FALSE(r.reader.Holding());
    }
    EXPECT_EQ(pr::CommandName(pr::CMD_TEACH_BACKGROUND), "Teach background");
    EXPECT_EQ(pr::CommandName(12), "command 12");
}

TEST(DescribeFrames, aMeasurementAnswerIsToldByItsMeaningsAndTheWordsBeyond)
{
    pr::Words w{};
    w = {120, 380, 260, 250, 5, 200, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    Reader r;
    r.Sent(Request(pr::CMD_MEASURE, Counting(1)));
    r.Got(Answer(pr::CMD_MEASURE, w));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1].command, "Measure");
    EXPECT_EQ(r.lines[1].decoded, "edge1=120 edge2=380 measured=260 teach=250 tolerance=5 "
                                  "windowStart=200 edges=2 startLevel=0 endLevel=1 "
                                  "(out of tolerance)");
    w[4] = 10;
    w[9] = 17;
    w[10] = 1023;
    EXPECT_EQ(pr::DescribeMeasurement(w).substr(pr::DescribeMeasurement(w).find('(')),
              "(in tolerance) w9=17 w10=1023 w11=0 w12=0 w13=0 w14=0 w15=0");
}

TEST(DescribeFrames, echoAndDataBlocksAndTheirRequests)
{
    Reader r;
    pr::Words echo{};
    echo[0] = pr::ECHO_WORD;
    r.Sent(Request(pr::CMD_ECHO, echo));
    r.Got(Answer(pr::CMD_ECHO, echo));
    echo[0] = 0x1234;
    r.Sent(Request(pr::CMD_ECHO, echo));
    r.Got(Answer(pr::CMD_ECHO, echo));
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[1].decoded, "line ok (w0=0x00AA)");
    EXPECT_EQ(r.lines[3].decoded, "no echo word (w0=0x1234)");

    r.lines.clear();
    r.Sent(Request(pr::CMD_DATA_BLOCK, pr::BlockRequestWords(960, 1)));
    std::vector<std::uint16_t> samples;
    for (int i = 0; i < pr::BLOCK_WORDS; ++i)
        samples.push_back(static_cast<std::uint16_t>(1000 - i * 3 + (i == 1 ? 40000 : 0)));
    const Bytes block = sim::encodeRawWords(samples);
    // A block that begins like a frame header is still a block.
    Bytes odd = block;
    odd[0] = 0x00, odd[1] = 0x55, odd[2] = 0x00, odd[3] = 0x08;
    r.Got(Bytes(block.begin(), block.begin() + 50));
    EXPECT_TRUE(r.reader.Holding());
    r.Got(Bytes(block.begin() + 50, block.end()));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0].decoded, "first sample 960, reference word 1 (last block)");
    EXPECT_EQ(r.lines[1].kind, pr::FrameKind::Block);
    EXPECT_EQ(r.lines[1].command, "Data block");
    EXPECT_EQ(r.lines[1].bytes, 128);
    EXPECT_EQ(r.lines[1].decoded, "samples 960-1023: 1000 40997 994 991 988 985 982 979 ...");
    r.Sent(Request(pr::CMD_DATA_BLOCK, pr::BlockRequestWords(0, 0)));
    r.Got(odd);
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[3].kind, pr::FrameKind::Block);
    EXPECT_EQ(r.lines[3].decoded.substr(0, 16), "samples 0-63: 85");
}

TEST(DescribeFrames, garbagePartialFramesAndDiscardedInputAreToldAsSuch)
{
    const pr::Words words = Counting(7);
    Reader r;
    r.Got(Bytes{0xFF, 0xFF}); // line noise with nothing asked
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].kind, pr::FrameKind::Garbage);
    EXPECT_EQ(r.lines[0].hex, "FF FF");
    EXPECT_EQ(r.lines[0].decoded, "2 bytes outside a frame");

    // A 0xFF before the answer, which then comes in three pieces.
    r.lines.clear();
    r.Sent(Request(pr::CMD_READ_RAM, words));
    Bytes reply = Answer(pr::CMD_READ_RAM, words);
    reply.insert(reply.begin(), 0xFF);
    r.Got(Bytes(reply.begin(), reply.begin() + 2)); // FF 00: may start a header
    r.Got(Bytes(reply.begin() + 2, reply.begin() + 20));
    r.Got(Bytes(reply.begin() + 20, reply.end()));
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1].kind, pr::FrameKind::Garbage);
    EXPECT_EQ(r.lines[1].hex, "FF");
    EXPECT_EQ(r.lines[1].decoded, "1 byte outside a frame");
    EXPECT_EQ(r.lines[2].kind, pr::FrameKind::Reply);
    EXPECT_EQ(r.lines[2].decoded, pr::DescribeParameterWords(words));

    // Twenty bytes of an answer, then the program asks again.
    r.lines.clear();
    r.Sent(Request(pr::CMD_MEASURE, words));
    const Bytes measure = Answer(pr::CMD_MEASURE, words);
    r.Got(Bytes(measure.begin(), measure.begin() + 20));
    EXPECT_EQ(r.lines.size(), 1u);
    r.Sent(Request(pr::CMD_MEASURE, words));
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1].kind, pr::FrameKind::Partial);
    EXPECT_EQ(r.lines[1].way, pr::Way::Received);
    EXPECT_EQ(r.lines[1].code, pr::CMD_MEASURE);
    EXPECT_EQ(r.lines[1].decoded, "20 of 36 bytes of a Measure reply");
    EXPECT_EQ(r.lines[2].kind, pr::FrameKind::Request);

    // Half a block, then the program flushes its input with 5 bytes unread.
    r.lines.clear();
    r.Sent(Request(pr::CMD_DATA_BLOCK, pr::BlockRequestWords(64, 0)));
    r.Got(Bytes(64, 0x01));
    r.reader.Discard(5, r.lines);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1].decoded, "64 of 128 bytes of a data block");
    EXPECT_EQ(r.lines[2].kind, pr::FrameKind::Discarded);
    EXPECT_EQ(r.lines[2].bytes, 5);
    EXPECT_EQ(r.lines[2].hex, "");
    EXPECT_EQ(r.lines[2].decoded, "5 bytes thrown away unread");

    // A frame nobody asked for, and the start of another that never ends.
    r.lines.clear();
    r.Got(Answer(pr::CMD_READ_EEPROM, words));
    r.Got(Bytes{0x00, 0x55, 0x00});
    r.reader.Flush(r.lines);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0].decoded, "unasked: " + pr::DescribeParameterWords(words));
    EXPECT_EQ(r.lines[1].kind, pr::FrameKind::Partial);
    EXPECT_EQ(r.lines[1].decoded, "3 of 36 bytes of a frame");
    EXPECT_FALSE(r.reader.Holding());
}

TEST(DescribeFrames, anAnswerWithAnOddHeaderIsWhatTheProgramTakesAndIsSaidSo)
{
    const pr::Words words = Counting(900);
    Reader r;
    r.Sent(Request(pr::CMD_READ_RAM, words));
    Bytes reply = Answer(pr::CMD_READ_RAM, words);
    reply[0] = 0x12;
    reply[3] = 0x44;
    r.Got(reply);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1].kind, pr::FrameKind::Reply);
    EXPECT_EQ(r.lines[1].code, pr::CMD_READ_RAM);
    EXPECT_EQ(r.lines[1].decoded, "header 0x1255 0x0044, taken as the reply: " +
                                      pr::DescribeParameterWords(words));
    // A reply whose header names another command says what was asked.
    r.Sent(Request(pr::CMD_READ_RAM, words));
    r.Got(Answer(pr::CMD_READ_EEPROM, words));
    EXPECT_EQ(r.lines[3].command, "Read EEPROM");
    EXPECT_EQ(r.lines[3].decoded.substr(0, 16), "asked Read RAM: ");
}

// However a session's bytes are cut up, every byte comes out once, in
// order, on its own side: nothing lost, nothing made up.
TEST(DescribeFrames, everyByteComesOutOnceInOrderHoweverTheReadsCutIt)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 200; ++round) {
        Reader r;
        std::string sentHex, gotHex;
        auto add = [](std::string &hex, const Bytes &b) {
            const std::string h = pr::HexBytes(b);
            if (!h.empty())
                hex += (hex.empty() ? "" : " ") + h;
        };
        for (int exchange = 0; exchange < 6; ++exchange) {
            const std::uint16_t code = static_cast<std::uint16_t>(1 + rng() % 9);
            const Bytes request = Request(code, Counting(static_cast<std::uint16_t>(rng())));
            r.Sent(request);
            add(sentHex, request);
            Bytes answer;
            if (rng() % 4 == 0)
                answer.assign(1 + rng() % 3, 0xFF);
            Bytes body = code == pr::CMD_DATA_BLOCK
                             ? Bytes(128, static_cast<std::uint8_t>(rng()))
                             : Answer(code, Counting(static_cast<std::uint16_t>(rng())));
            body.resize(body.size() - (rng() % 3 == 0 ? rng() % body.size() : 0));
            answer.insert(answer.end(), body.begin(), body.end());
            if (rng() % 5 == 0)
                answer.insert(answer.end(), {0x00, 0x55});
            std::size_t at = 0;
            while (at < answer.size()) {
                const std::size_t take = std::min<std::size_t>(answer.size() - at, 1 + rng() % 40);
                const Bytes piece(answer.begin() + static_cast<std::ptrdiff_t>(at),
                                  answer.begin() + static_cast<std::ptrdiff_t>(at + take));
                r.Got(piece);
                add(gotHex, piece);
                at += take;
            }
        }
        r.reader.Flush(r.lines);
        EXPECT_FALSE(r.reader.Holding());
        std::string outSent, outGot;
        for (const pr::FrameLine &line : r.lines) {
            ASSERT_NE(line.kind, pr::FrameKind::Discarded);
            EXPECT_EQ(static_cast<int>(line.hex.size()), line.bytes * 3 - 1);
            std::string &hex = line.way == pr::Way::Sent ? outSent : outGot;
            hex += (hex.empty() ? "" : " ") + line.hex;
        }
        ASSERT_EQ(outSent, sentHex) << round;
        ASSERT_EQ(outGot, gotHex) << round;
    }
}

TEST(DescribeFrames, aTraceLineHoldsTimeDirectionCommandWordsAndBytes)
{
    pr::FrameLine line;
    line.way = pr::Way::Received;
    line.command = "garbage";
    line.decoded = "1 byte outside a frame";
    line.hex = "FF";
    EXPECT_EQ(pr::TraceLine(1234, line), "1234 ms \u2190 garbage: 1 byte outside a frame | FF");
    line.way = pr::Way::Sent;
    line.hex.clear();
    EXPECT_EQ(pr::TraceLine(0, line), "0 ms \u2192 garbage: 1 byte outside a frame");
}

} // namespace
