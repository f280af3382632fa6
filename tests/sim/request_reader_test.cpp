// Request assembly: requests split across reads, glued together, behind
// garbage, cut short by a flush, oversized, or with codes the sensor does not know.
#include "request_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace qzan::sim {
namespace {

using std::chrono::milliseconds;

const TimePoint t0{};
const Nanos gap = milliseconds(5);

std::vector<std::uint8_t> request(std::uint16_t command, std::uint16_t firstWord = 0)
{
    Words words{};
    words[0] = firstWord;
    auto frame = encodeFrame(command, words);
    return {frame.begin(), frame.end()};
}

std::vector<std::uint8_t> concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(RequestReader, requestSplitIntoThreeReadsIsOneRequestTimedByItsFirstByte)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    auto bytes = request(8, 0x1234);
    reader.feed({bytes.data(), 5}, t0, out);
    reader.feed({bytes.data() + 5, 20}, t0 + milliseconds(1), out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(reader.feed({bytes.data() + 25, 11}, t0 + milliseconds(2), out), 0u);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].command, 8);
    EXPECT_EQ(out[0].words[0], 0x1234);
    EXPECT_EQ(out[0].firstByte, t0);
    EXPECT_EQ(out[0].complete, t0 + milliseconds(2));
}

TEST(RequestReader, gluedRequestsComeOutInOrder)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    auto bytes = concat(concat(request(7), request(2)), request(9, 64));
    EXPECT_EQ(reader.feed(bytes, t0, out), 0u);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].command, 7);
    EXPECT_EQ(out[1].command, 2);
    EXPECT_EQ(out[2].command, 9);
    EXPECT_EQ(out[2].words[0], 64);
}

TEST(RequestReader, garbageBeforeARequestIsDroppedByteByByte)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    // Lookalikes of a header: 0x00 0x55 0x00 0x0A is no request, nor is 0x00 0x00.
    std::vector<std::uint8_t> garbage = {0xFF, 0x00, 0x55, 0x00, 0x0A, 0x00, 0x00, 0x55, 0x01};
    auto bytes = concat(garbage, request(7));
    EXPECT_EQ(reader.feed(bytes, t0, out), garbage.size());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].command, 7);
}

TEST(RequestReader, unknownCommandCodesAreNeverRequests)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    for (std::uint16_t code : {0, 10, 255, 0x0108}) {
        auto bytes = request(code);
        reader.feed(bytes, t0, out);
        reader.expire(t0 + milliseconds(100));
    }
    EXPECT_TRUE(out.empty());
}

TEST(RequestReader, fortyByteBurstIsOneRequestAndTheRestIsDropped)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    auto bytes = concat(request(8), {0x00, 0x55, 0x00, 0x08});
    EXPECT_EQ(reader.feed(bytes, t0, out), 0u);
    ASSERT_EQ(out.size(), 1u);
    // The four trailing bytes look like the start of a request; silence ends them.
    EXPECT_EQ(reader.partialBytes(), 4u);
    EXPECT_EQ(reader.expire(t0 + gap + Nanos(1)), 4u);
    EXPECT_EQ(reader.partialBytes(), 0u);
}

TEST(RequestReader, requestCutShortByAFlushIsNotGluedToTheNextOne)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    auto cut = request(2);
    cut.resize(20);
    reader.feed(cut, t0, out);
    EXPECT_EQ(reader.deadline(), t0 + gap + Nanos(1));
    EXPECT_EQ(reader.expire(t0 + gap), 0u); // not yet: the gap must be exceeded
    auto next = request(8);
    EXPECT_EQ(reader.feed(next, t0 + milliseconds(6), out), 20u);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].command, 8);
    EXPECT_FALSE(reader.deadline().has_value());
}

TEST(RequestReader, resetDiscardsThePartialRequest)
{
    RequestReader reader(gap);
    std::vector<Request> out;
    auto cut = request(2);
    cut.resize(10);
    reader.feed(cut, t0, out);
    EXPECT_EQ(reader.reset(), 10u);
    reader.feed(request(7), t0, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].command, 7);
}

} // namespace
} // namespace qzan::sim
