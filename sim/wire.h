// Bytes on the serial line: the 36-byte request and reply frames and the
// 128-byte data block, all words 16-bit big-endian.
#ifndef SIM_WIRE_H
#define SIM_WIRE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qzan::sim {

inline constexpr std::size_t kWordCount = 16;
using Words = std::array<std::uint16_t, kWordCount>;

inline constexpr std::uint8_t kSyncHigh = 0x00;
inline constexpr std::uint8_t kSyncLow = 0x55;
inline constexpr std::size_t kHeaderBytes = 4;
inline constexpr std::size_t kFrameBytes = kHeaderBytes + 2 * kWordCount; // 36
inline constexpr std::size_t kBlockValues = 64;
inline constexpr std::size_t kBlockBytes = 2 * kBlockValues;              // 128
inline constexpr std::uint16_t kEchoWord = 0x00AA;

// Command codes as the program sends them.
enum Command : std::uint16_t {
    kCmdWriteRam = 1,
    kCmdReadRam = 2,
    kCmdWriteEeprom = 3,
    kCmdReadEeprom = 4,
    kCmdTeach = 5,
    kCmdTeachBackground = 6,
    kCmdEcho = 7,
    kCmdMeasure = 8,
    kCmdDataBlock = 9,
};
inline constexpr std::uint16_t kLastCommand = 9;

inline bool isCommand(unsigned code) { return code >= 1 && code <= kLastCommand; }

// 0x00 0x55 0x00 <code>, then the sixteen words. Requests and the replies
// of commands 1 to 8 share this layout.
std::array<std::uint8_t, kFrameBytes> encodeFrame(std::uint16_t code, const Words &words);

// The data block: the words one after the other, no header.
std::vector<std::uint8_t> encodeRawWords(std::span<const std::uint16_t> words);

// Word i of a frame, read from offset 4 + 2i.
Words decodeFrameWords(std::span<const std::uint8_t, kFrameBytes> frame);

inline std::uint16_t readWord(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline void writeWord(std::uint8_t *p, std::uint16_t value)
{
    p[0] = static_cast<std::uint8_t>(value >> 8);
    p[1] = static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace qzan::sim

#endif
