// Encoding requests and decoding replies and data blocks.
#include "core/protocol/frame.h"

namespace qzan::protocol {
namespace {

void PutWord(std::uint8_t *at, unsigned word)
{
    at[0] = static_cast<std::uint8_t>((word >> 8) & 0xFFu);
    at[1] = static_cast<std::uint8_t>(word & 0xFFu);
}

std::uint16_t GetWord(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>((static_cast<unsigned>(at[0]) << 8) | at[1]);
}

} // namespace

void EncodeRequest(unsigned sync, std::uint16_t code, const std::uint16_t *words,
                   std::uint8_t *out)
{
    PutWord(out, sync & 0xFFFFu);
    PutWord(out + 2, code);
    for (int i = 0; i < PNUM; ++i)
        PutWord(out + HEADER_BYTES + 2 * i, words[i]);
}

Frame EncodeRequest(unsigned sync, std::uint16_t code, const Words &words)
{
    Frame frame{};
    EncodeRequest(sync, code, words.data(), frame.data());
    return frame;
}

int DecodeReplyWords(const std::uint8_t *frame, int count, std::uint16_t *out)
{
    if (count > PNUM)
        count = PNUM;
    if (count < 0)
        count = 0;
    for (int i = 0; i < count; ++i)
        out[i] = GetWord(frame + HEADER_BYTES + 2 * i);
    return count;
}

std::optional<Reply> DecodeReply(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != static_cast<std::size_t>(FRAME_BYTES))
        return std::nullopt;
    Reply reply;
    reply.sync = GetWord(bytes.data());
    reply.code = GetWord(bytes.data() + 2);
    DecodeReplyWords(bytes.data(), PNUM, reply.words.data());
    return reply;
}

int DecodeBlock(const std::uint8_t *bytes, int count, std::uint16_t *out)
{
    if (count < 0)
        return 0;
    int words = count / 2;
    if (words > BLOCK_WORDS)
        words = BLOCK_WORDS;
    for (int i = 0; i < words; ++i)
        out[i] = GetWord(bytes + 2 * i);
    return words;
}

Words BlockRequestWords(int first, int refWord)
{
    Words words{};
    words[0] = static_cast<std::uint16_t>(first & 0xFFFF);
    words[1] = static_cast<std::uint16_t>(refWord & 0xFFFF);
    return words;
}

Measurement ReadMeasurement(const std::uint16_t *words)
{
    Measurement m;
    m.edge1 = words[0];
    m.edge2 = words[1];
    m.measured = words[2];
    m.teach = words[3];
    m.tolerance = words[4];
    m.windowStart = words[5];
    m.edges = words[6];
    m.startLevel = words[7];
    m.endLevel = words[8];
    return m;
}

bool InTolerance(const Measurement &m)
{
    const int deviation = static_cast<int>(m.measured) - static_cast<int>(m.teach);
    return (deviation < 0 ? -deviation : deviation) <= m.tolerance;
}

} // namespace qzan::protocol
