// The bytes on the line between the program and the sensor: 36-byte request
// and reply frames (a sync word, a command word and sixteen words, all
// big-endian), the 128-byte data block, and the meaning of a measurement
// answer's words. Plain values only: no port, no panel, no shared state.
#ifndef CORE_PROTOCOL_FRAME_H
#define CORE_PROTOCOL_FRAME_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace qzan::protocol {

inline constexpr int PNUM = 16;              // parameter words in every frame
inline constexpr int HEADER_BYTES = 4;       // sync word and command word
inline constexpr int FRAME_BYTES = HEADER_BYTES + 2 * PNUM; // one request or reply
inline constexpr int BLOCK_WORDS = 64;       // line samples in one data block
inline constexpr int BLOCK_BYTES = 2 * BLOCK_WORDS;
inline constexpr std::uint16_t SYNC_WORD = 0x0055; // leading word of every request
inline constexpr std::uint16_t ECHO_WORD = 0x00AA; // word 0 of a good echo answer

// Command codes of the frames.
enum Command : std::uint16_t {
    CMD_WRITE_RAM = 1,
    CMD_READ_RAM = 2,
    CMD_WRITE_EEPROM = 3,
    CMD_READ_EEPROM = 4,
    CMD_TEACH = 5,
    CMD_TEACH_BACKGROUND = 6,
    CMD_ECHO = 7,
    CMD_MEASURE = 8,
    CMD_DATA_BLOCK = 9,
};

// Waits count 50 ms ticks from 0. A reply (parameter set, measurement, echo,
// data block) is given up once more than WAIT_TICKS have passed; the teach
// command waits for fewer and gives up as soon as TEACH_TICKS are reached.
// The two comparisons differ on purpose: each is what its wait has always
// done, and the sensor's timing was tuned against them.
inline constexpr int WAIT_TICKS = 30;
inline constexpr int TEACH_TICKS = 15;
inline constexpr bool ReplyTimedOut(unsigned ticks) { return ticks > WAIT_TICKS; }
inline constexpr bool TeachTimedOut(unsigned ticks) { return ticks >= TEACH_TICKS; }

using Words = std::array<std::uint16_t, PNUM>;
using Frame = std::array<std::uint8_t, FRAME_BYTES>;

// Writes the request `code` with the sixteen `words` into `out` (FRAME_BYTES
// bytes). Only the low 16 bits of `sync` go out.
void EncodeRequest(unsigned sync, std::uint16_t code, const std::uint16_t *words,
                   std::uint8_t *out);
Frame EncodeRequest(unsigned sync, std::uint16_t code, const Words &words);

// A reply is whatever the port delivered in one read of FRAME_BYTES; it
// counts only when the read was whole. Its header is not interpreted:
// replies are told apart by their length alone.
inline constexpr bool IsWholeReply(int bytesRead) { return bytesRead == FRAME_BYTES; }

// Decodes the first `count` words of the reply in `frame` into `out`
// (at most PNUM, never fewer than none); the number decoded.
int DecodeReplyWords(const std::uint8_t *frame, int count, std::uint16_t *out);

struct Reply {
    std::uint16_t sync = 0; // as received, not checked
    std::uint16_t code = 0; // as received, not checked
    Words words{};
};
// The reply in `bytes`, or nothing when they are not exactly one frame.
std::optional<Reply> DecodeReply(std::span<const std::uint8_t> bytes);

// The echo check passes when word 0 of the answer is the echo word.
inline constexpr bool EchoAnswered(std::uint16_t word0) { return word0 == ECHO_WORD; }

// The data block: 64 words one after the other, no header. Decodes the whole
// words among `count` received bytes into `out` (BLOCK_WORDS entries); a
// word that did not arrive whole leaves its entry as it was. The number of
// words stored.
int DecodeBlock(const std::uint8_t *bytes, int count, std::uint16_t *out);

// Request words of a data block: the first sample's index and the reference
// word (1 on the last block of a line).
Words BlockRequestWords(int first, int refWord);

// A measurement answer (command 8), word by word.
struct Measurement {
    std::uint16_t edge1 = 0;       // 0: first edge, pixels
    std::uint16_t edge2 = 0;       // 1: second edge, pixels
    std::uint16_t measured = 0;    // 2: measured value, pixels
    std::uint16_t teach = 0;       // 3: teach value (setpoint), pixels
    std::uint16_t tolerance = 0;   // 4: tolerance, pixels
    std::uint16_t windowStart = 0; // 5: first pixel of the evaluated window
    std::uint16_t edges = 0;       // 6: edges found
    std::uint16_t startLevel = 0;  // 7: line state at the window's start
    std::uint16_t endLevel = 0;    // 8: line state at the window's end
};
Measurement ReadMeasurement(const std::uint16_t *words);
// The measured value lies within setpoint +- tolerance.
bool InTolerance(const Measurement &m);

} // namespace qzan::protocol

#endif
