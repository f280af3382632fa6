// Frame encoding and decoding for the sensor's side of the line.
#include "wire.h"

namespace qzan::sim {

std::array<std::uint8_t, kFrameBytes> encodeFrame(std::uint16_t code, const Words &words)
{
    std::array<std::uint8_t, kFrameBytes> frame{};
    frame[0] = kSyncHigh;
    frame[1] = kSyncLow;
    writeWord(&frame[2], code);
    for (std::size_t i = 0; i < kWordCount; ++i)
        writeWord(&frame[kHeaderBytes + 2 * i], words[i]);
    return frame;
}

std::vector<std::uint8_t> encodeRawWords(std::span<const std::uint16_t> words)
{
    std::vector<std::uint8_t> bytes(2 * words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        writeWord(&bytes[2 * i], words[i]);
    return bytes;
}

Words decodeFrameWords(std::span<const std::uint8_t, kFrameBytes> frame)
{
    Words words{};
    for (std::size_t i = 0; i < kWordCount; ++i)
        words[i] = readWord(&frame[kHeaderBytes + 2 * i]);
    return words;
}

} // namespace qzan::sim
