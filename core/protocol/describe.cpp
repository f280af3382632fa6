// Frames told for the operator, and the reader that puts them back together.
#include "core/protocol/describe.h"

#include "core/protocol/record.h"

#include <cstdio>

namespace qzan::protocol {
namespace {

constexpr std::size_t kFrame = static_cast<std::size_t>(FRAME_BYTES);
constexpr std::size_t kBlock = static_cast<std::size_t>(BLOCK_BYTES);
constexpr int kSamplesShown = 8;

enum class Match { No, Maybe, Yes };

bool KnownCode(unsigned code) { return code >= CMD_WRITE_RAM && code <= CMD_DATA_BLOCK; }

// Whether a frame header (0x0055, then a known command) starts at `at`;
// Maybe when the bytes end before the header does but agree so far.
Match HeaderAt(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    const std::size_t left = bytes.size() - at;
    const std::uint8_t sync[3] = {0x00, 0x55, 0x00};
    for (std::size_t i = 0; i < 3 && i < left; ++i)
        if (bytes[at + i] != sync[i])
            return Match::No;
    if (left < 4)
        return Match::Maybe;
    return KnownCode(bytes[at + 3]) ? Match::Yes : Match::No;
}

std::uint16_t WordAt(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>((static_cast<unsigned>(at[0]) << 8) | at[1]);
}

Words FrameWords(const std::uint8_t *frame)
{
    Words words{};
    DecodeReplyWords(frame, PNUM, words.data());
    return words;
}

void AppendWord(std::string &text, const char *name, unsigned value)
{
    if (!text.empty())
        text += ' ';
    text += name;
    text += '=';
    text += std::to_string(value);
}

// Words from `first` on as w<i>=value, only when one of them is not zero.
void AppendOtherWords(std::string &text, const Words &words, int first)
{
    bool any = false;
    for (int i = first; i < PNUM; ++i)
        any = any || words[static_cast<std::size_t>(i)] != 0;
    if (!any)
        return;
    for (int i = first; i < PNUM; ++i)
        AppendWord(text, ("w" + std::to_string(i)).c_str(), words[static_cast<std::size_t>(i)]);
}

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

std::string DescribeEcho(const Words &words)
{
    std::string text = EchoAnswered(words[0]) ? "line ok" : "no echo word";
    text += " (w0=" + Hex4(words[0]) + ")";
    AppendOtherWords(text, words, 1);
    return text;
}

std::string DescribeBlockRequest(const Words &words)
{
    std::string text = "first sample " + std::to_string(words[0]) + ", reference word " +
                       std::to_string(words[1]);
    if (words[1] == 1)
        text += " (last block)";
    return text;
}

std::string DescribeAnswer(unsigned code, const Words &words)
{
    switch (code) {
    case CMD_WRITE_RAM:
    case CMD_READ_RAM:
    case CMD_WRITE_EEPROM:
    case CMD_READ_EEPROM:
    case CMD_TEACH:
    case CMD_TEACH_BACKGROUND: return DescribeParameterWords(words);
    case CMD_ECHO: return DescribeEcho(words);
    case CMD_MEASURE: return DescribeMeasurement(words);
    default: {
        std::string text;
        for (int i = 0; i < PNUM; ++i)
            AppendWord(text, ("w" + std::to_string(i)).c_str(), words[static_cast<std::size_t>(i)]);
        return text;
    }
    }
}

std::string DescribeRequest(unsigned code, const Words &words)
{
    if (code == CMD_DATA_BLOCK)
        return DescribeBlockRequest(words);
    if (KnownCode(code))
        return DescribeParameterWords(words); // every other request carries the settings
    return DescribeAnswer(code, words);
}

std::string Bytes(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string PartOf(std::size_t count, std::size_t whole, const std::string &what)
{
    return std::to_string(count) + " of " + std::to_string(whole) + " bytes of " + what;
}

} // namespace

std::string CommandName(unsigned code)
{
    switch (code) {
    case CMD_WRITE_RAM: return "Write RAM";
    case CMD_READ_RAM: return "Read RAM";
    case CMD_WRITE_EEPROM: return "Write EEPROM";
    case CMD_READ_EEPROM: return "Read EEPROM";
    case CMD_TEACH: return "Teach";
    case CMD_TEACH_BACKGROUND: return "Teach background";
    case CMD_ECHO: return "Echo";
    case CMD_MEASURE: return "Measure";
    case CMD_DATA_BLOCK: return "Data block";
    default: return "command " + std::to_string(code);
    }
}

std::string HexBytes(std::span<const std::uint8_t> bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string DescribeParameterWords(const Words &words)
{
    std::string text;
    for (int i = 0; i < PNUM; ++i)
        AppendWord(text, kParameters[static_cast<std::size_t>(i)].name,
                   words[static_cast<std::size_t>(i)]);
    return text;
}

std::string DescribeMeasurement(const Words &words)
{
    const Measurement m = ReadMeasurement(words.data());
    std::string text;
    AppendWord(text, "edge1", m.edge1);
    AppendWord(text, "edge2", m.edge2);
    AppendWord(text, "measured", m.measured);
    AppendWord(text, "teach", m.teach);
    AppendWord(text, "tolerance", m.tolerance);
    AppendWord(text, "windowStart", m.windowStart);
    AppendWord(text, "edges", m.edges);
    AppendWord(text, "startLevel", m.startLevel);
    AppendWord(text, "endLevel", m.endLevel);
    text += InTolerance(m) ? " (in tolerance)" : " (out of tolerance)";
    AppendOtherWords(text, words, 9);
    return text;
}

std::string DescribeBlock(std::span<const std::uint8_t> bytes, int first)
{
    const int samples = static_cast<int>(bytes.size() / 2);
    std::string text = "samples " + std::to_string(first) + "-" +
                       std::to_string(first + (samples > 0 ? samples - 1 : 0)) + ":";
    for (int i = 0; i < samples && i < kSamplesShown; ++i)
        text += ' ' + std::to_string(WordAt(bytes.data() + 2 * i));
    if (samples > kSamplesShown)
        text += " ...";
    return text;
}

const char *WayArrow(Way way) { return way == Way::Sent ? "\u2192" : "\u2190"; }

std::string TraceLine(long long milliseconds, const FrameLine &line)
{
    std::string text = std::to_string(milliseconds) + " ms " + WayArrow(line.way) + ' ' +
                       line.command + ": " + line.decoded;
    if (!line.hex.empty())
        text += " | " + line.hex;
    return text;
}

void LineReader::Emit(Way way, FrameKind kind, std::uint16_t code, std::size_t count,
                      std::string decoded, std::vector<FrameLine> &out)
{
    std::vector<std::uint8_t> &held = m_held[static_cast<int>(way)];
    FrameLine line;
    line.way = way;
    line.kind = kind;
    line.code = code;
    line.bytes = static_cast<int>(count);
    switch (kind) {
    case FrameKind::Partial: line.command = "partial"; break;
    case FrameKind::Garbage: line.command = "garbage"; break;
    case FrameKind::Discarded: line.command = "discarded"; break;
    default: line.command = CommandName(code); break;
    }
    line.decoded = std::move(decoded);
    if (kind != FrameKind::Discarded) {
        line.hex = HexBytes(std::span<const std::uint8_t>(held.data(), count));
        held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(count));
    }
    out.push_back(std::move(line));
}

void LineReader::Feed(Way way, std::span<const std::uint8_t> bytes, std::vector<FrameLine> &out)
{
    // One side speaking ends whatever the other side left unfinished.
    Settle(way == Way::Sent ? Way::Received : Way::Sent, out);
    std::vector<std::uint8_t> &held = m_held[static_cast<int>(way)];
    held.insert(held.end(), bytes.begin(), bytes.end());
    if (way == Way::Sent)
        TakeSent(out);
    else
        TakeReceived(out);
}

void LineReader::TakeSent(std::vector<FrameLine> &out)
{
    std::vector<std::uint8_t> &held = m_held[0];
    while (!held.empty()) {
        std::size_t k = 0;
        Match m = Match::No;
        for (; k < held.size(); ++k)
            if ((m = HeaderAt(held, k)) != Match::No)
                break;
        if (k == 0) {
            if (held.size() < kFrame)
                return; // the rest of the request is still to come
            const std::uint16_t code = held[3];
            const Words words = FrameWords(held.data());
            m_lastCode = code;
            m_replyDue = true;
            if (code == CMD_DATA_BLOCK)
                m_blockFirst = words[0];
            Emit(Way::Sent, FrameKind::Request, code, kFrame, DescribeRequest(code, words), out);
            continue;
        }
        Emit(Way::Sent, FrameKind::Garbage, 0, k, Bytes(k) + " outside a frame",
             out);
        if (m != Match::Yes)
            return; // what is left may start a header
    }
}

void LineReader::TakeReceived(std::vector<FrameLine> &out)
{
    std::vector<std::uint8_t> &held = m_held[1];
    while (!held.empty()) {
        if (m_replyDue && m_lastCode == CMD_DATA_BLOCK) {
            // A block has no header: it is told by its length alone.
            if (held.size() < kBlock)
                return;
            m_replyDue = false;
            Emit(Way::Received, FrameKind::Block, CMD_DATA_BLOCK, kBlock,
                 DescribeBlock(std::span<const std::uint8_t>(held.data(), kBlock), m_blockFirst),
                 out);
            continue;
        }
        std::size_t k = 0;
        Match m = Match::No;
        for (; k < held.size(); ++k)
            if ((m = HeaderAt(held, k)) != Match::No)
                break;
        // With no header in sight, the program still takes the first frame's
        // worth of bytes as the reply it waits for.
        const bool headerless = k > 0 && m != Match::Yes && m_replyDue;
        if (k == 0 || headerless) {
            if (held.size() < kFrame)
                return;
            const Words words = FrameWords(held.data());
            const std::uint16_t own = held[3];
            const std::uint16_t code = headerless ? m_lastCode : own;
            std::string decoded;
            if (headerless)
                decoded = "header " + Hex4(WordAt(held.data())) + " " + Hex4(WordAt(held.data() + 2)) +
                          ", taken as the reply: ";
            else if (!m_replyDue)
                decoded = "unasked: ";
            else if (code != m_lastCode)
                decoded = "asked " + CommandName(m_lastCode) + ": ";
            decoded += DescribeAnswer(code, words);
            m_replyDue = false;
            Emit(Way::Received, FrameKind::Reply, code, kFrame, std::move(decoded), out);
            continue;
        }
        Emit(Way::Received, FrameKind::Garbage, 0, k, Bytes(k) + " outside a frame",
             out);
        if (m != Match::Yes)
            return;
    }
}

void LineReader::Settle(Way way, std::vector<FrameLine> &out)
{
    std::vector<std::uint8_t> &held = m_held[static_cast<int>(way)];
    if (held.empty())
        return;
    const std::size_t count = held.size();
    const bool header = HeaderAt(held, 0) != Match::No;
    if (way == Way::Sent) {
        if (header)
            Emit(way, FrameKind::Partial, count >= 4 ? held[3] : 0, count,
                 PartOf(count, kFrame, "a request"), out);
        else
            Emit(way, FrameKind::Garbage, 0, count, Bytes(count) + " outside a frame",
                 out);
        return;
    }
    if (m_replyDue) {
        m_replyDue = false;
        if (m_lastCode == CMD_DATA_BLOCK)
            Emit(way, FrameKind::Partial, m_lastCode, count, PartOf(count, kBlock, "a data block"),
                 out);
        else
            Emit(way, FrameKind::Partial, m_lastCode, count,
                 PartOf(count, kFrame, "a " + CommandName(m_lastCode) + " reply"), out);
    } else if (header) {
        Emit(way, FrameKind::Partial, count >= 4 ? held[3] : 0, count,
             PartOf(count, kFrame, "a frame"), out);
    } else {
        Emit(way, FrameKind::Garbage, 0, count, Bytes(count) + " outside a frame",
             out);
    }
}

void LineReader::Discard(int count, std::vector<FrameLine> &out)
{
    Settle(Way::Received, out);
    if (count <= 0)
        return;
    Emit(Way::Received, FrameKind::Discarded, 0, static_cast<std::size_t>(count),
         Bytes(static_cast<std::size_t>(count)) + " thrown away unread", out);
}

void LineReader::Flush(std::vector<FrameLine> &out)
{
    Settle(Way::Sent, out);
    Settle(Way::Received, out);
}

void LineReader::Reset()
{
    m_held[0].clear();
    m_held[1].clear();
    m_lastCode = 0;
    m_blockFirst = 0;
    m_replyDue = false;
}

} // namespace qzan::protocol
