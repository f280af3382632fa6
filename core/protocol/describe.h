// What the bytes on the line say, for the operator: requests, replies and
// data blocks put back together from the pieces the program wrote and read,
// each told as a command with its words named, and bytes that form no frame
// told as garbage, a partial frame or input thrown away unread. Every byte
// fed in comes out in exactly one line, in order; none is made up.
#ifndef CORE_PROTOCOL_DESCRIBE_H
#define CORE_PROTOCOL_DESCRIBE_H

#include "core/protocol/frame.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qzan::protocol {

enum class Way : std::uint8_t { Sent, Received };

enum class FrameKind : std::uint8_t {
    Request,   // a whole frame the program sent
    Reply,     // a whole frame the sensor sent
    Block,     // a whole data block
    Partial,   // the start of a frame or block that never came whole
    Garbage,   // bytes that belong to no frame
    Discarded, // bytes the program threw away unread: counted, not seen
};

struct FrameLine {
    Way way = Way::Sent;
    FrameKind kind = FrameKind::Garbage;
    std::uint16_t code = 0; // the frame's command; for a partial one the command it was part of
    int bytes = 0;          // bytes on the line this line stands for
    std::string command;    // "Measure", "Data block", "garbage", ...
    std::string decoded;    // the words with their meanings
    std::string hex;        // the bytes, "00 55 00 08 ..."; empty for discarded input
};

// "Write RAM", ..., "Data block"; "command N" for a code no command has.
std::string CommandName(unsigned code);

// The bytes as two hex digits each, separated by spaces.
std::string HexBytes(std::span<const std::uint8_t> bytes);

// The sixteen words with the parameter names of the record: "power=500 ...".
std::string DescribeParameterWords(const Words &words);
// A measurement answer's words by their meaning, then whatever else it holds.
std::string DescribeMeasurement(const Words &words);
// A data block's first samples; `first` is the index of its first sample.
std::string DescribeBlock(std::span<const std::uint8_t> bytes, int first);

// "→" for sent, "←" for received.
const char *WayArrow(Way way);
// One line of text: time, direction, command, decoded words and the bytes.
std::string TraceLine(long long milliseconds, const FrameLine &line);

// Puts the program's writes and reads back into frames. A reply is expected
// after each request (a data block after a data-block request); received
// bytes before a frame's header are garbage, and what is held back when the
// other side speaks, when the program flushes its input or when Flush is
// called is told as partial or garbage. Lines are appended to `out`.
class LineReader {
public:
    void Feed(Way way, std::span<const std::uint8_t> bytes, std::vector<FrameLine> &out);
    // The program discarded its input; `count` bytes were waiting unread.
    void Discard(int count, std::vector<FrameLine> &out);
    // Tells whatever is held back: the line has gone quiet.
    void Flush(std::vector<FrameLine> &out);
    // Bytes held back, waiting for the rest of their frame.
    bool Holding() const { return !m_held[0].empty() || !m_held[1].empty(); }
    void Reset();

private:
    void TakeSent(std::vector<FrameLine> &out);
    void TakeReceived(std::vector<FrameLine> &out);
    void Settle(Way way, std::vector<FrameLine> &out);
    void Emit(Way way, FrameKind kind, std::uint16_t code, std::size_t count, std::string decoded,
              std::vector<FrameLine> &out);

    std::vector<std::uint8_t> m_held[2];
    std::uint16_t m_lastCode = 0; // the last whole request's command
    int m_blockFirst = 0;         // its first sample, for a data block
    bool m_replyDue = false;
};

} // namespace qzan::protocol

#endif
