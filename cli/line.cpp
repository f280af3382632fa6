// One request at a time on the sensor line, with the program's port settings
// and time-outs. Waiting is ProcessSystemEvents: the receive callback runs
// inside it, and between events it sleeps.
#include "cli/line.h"

#include "core/protocol/comerror.h"
#include "platform/rs232.h"
#include "platform/runtime/loop.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace qzan::cli {

volatile std::sig_atomic_t g_interrupted = 0;

namespace {

constexpr long kBaud = 19200;
constexpr int kQueueBytes = 4096;
constexpr double kReadTimeout = 2.0;
constexpr int kEventMask = COM_EV_NOTIFY | COM_EV_TXEMPTY | COM_EV_RXFLAG;
constexpr int kTickMs = 50;
// A sensor that answers writes does so within a request's and an answer's
// line time and a turnaround (about 40 ms at 19200 baud). Until then its
// answer could land in the middle of the next request's.
constexpr int kWriteSettleMs = 60;

unsigned Ticks(const QElapsedTimer &t) { return static_cast<unsigned>(t.elapsed() / kTickMs); }

} // namespace

const char *CommandName(std::uint16_t command)
{
    switch (command) {
    case protocol::CMD_WRITE_RAM: return "write RAM";
    case protocol::CMD_READ_RAM: return "read RAM";
    case protocol::CMD_WRITE_EEPROM: return "write EEPROM";
    case protocol::CMD_READ_EEPROM: return "read EEPROM";
    case protocol::CMD_TEACH: return "teach";
    case protocol::CMD_TEACH_BACKGROUND: return "teach background";
    case protocol::CMD_ECHO: return "echo";
    case protocol::CMD_MEASURE: return "measure";
    case protocol::CMD_DATA_BLOCK: return "data block";
    default: return "unknown";
    }
}

Line::~Line()
{
    if (open_)
        CloseCom(port_);
}

bool Line::Open(int port, std::string &error)
{
    port_ = port;
    const int ret = OpenComConfig(port, "", kBaud, COM_PARITY_NONE, 8, 1, kQueueBytes, kQueueBytes);
    if (ret < 0) {
        error = std::string("COM") + std::to_string(port) + ": " + protocol::ComErrorText(ret);
        const char *detail = ComLastErrorDetail(port);
        if (detail && *detail)
            error += std::string(": ") + detail;
        else
            error += std::string(" (") + ComPortDevice(port) + ")";
        return false;
    }
    open_ = true;
    SetComTime(port, kReadTimeout);
    FlushInQ(port);
    FlushOutQ(port);
    SetCTSMode(port, 0);
    InstallCallback();
    return true;
}

std::string Line::Device() const { return ComPortDevice(port_); }

void Line::InstallCallback()
{
    InstallComCallback(port_, kEventMask, protocol::FRAME_BYTES, protocol::SYNC_WORD, Receive,
                       this);
}

void Line::RemoveCallback()
{
    InstallComCallback(port_, 0, protocol::FRAME_BYTES, protocol::SYNC_WORD, nullptr, nullptr);
}

void Line::Receive(int port, int eventMask, void *self)
{
    if ((eventMask & COM_EV_NOTIFY) == 0)
        return;
    auto *line = static_cast<Line *>(self);
    std::uint8_t frame[protocol::FRAME_BYTES];
    const int got = ComRd(port, reinterpret_cast<char *>(frame), protocol::FRAME_BYTES);
    if (protocol::IsWholeReply(got)) {
        if (auto reply = protocol::DecodeReply({frame, protocol::FRAME_BYTES})) {
            line->last_ = *reply;
            line->got_ = true;
        }
    }
    // Bytes beyond one frame belong to no request, as in the program.
    FlushInQ(port);
}

Outcome Line::WaitFor(std::uint16_t command, bool teach, Words &reply)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        ProcessSystemEvents();
        if (got_) {
            got_ = false;
            // Frames are told apart by length alone; their header's command
            // word tells a late answer to an earlier request from this one's.
            if (last_.code == command) {
                reply = last_.words;
                return Outcome::Answered;
            }
            // Unlike the program's waits, a wrong frame does not restart the
            // time: a line full of them still ends.
            otherCode_ = last_.code;
        }
        if (Interrupted())
            return Outcome::Interrupted;
        const unsigned ticks = Ticks(clock);
        if (teach ? protocol::TeachTimedOut(ticks) : protocol::ReplyTimedOut(ticks))
            return otherCode_ ? Outcome::OtherAnswer : Outcome::Silent;
    }
}

Outcome Line::Exchange(std::uint16_t command, const Words &words, Words &reply)
{
    if (Interrupted())
        return Outcome::Interrupted;
    otherCode_ = 0;
    got_ = false;
    FlushInQ(port_);
    FlushOutQ(port_);
    const protocol::Frame frame = protocol::EncodeRequest(protocol::SYNC_WORD, command, words);
    if (ComWrt(port_, reinterpret_cast<const char *>(frame.data()), protocol::FRAME_BYTES) !=
        protocol::FRAME_BYTES)
        return Outcome::WriteFailed;
    return WaitFor(command, command == protocol::CMD_TEACH, reply);
}

Outcome Line::Write(std::uint16_t command, const Words &words)
{
    otherCode_ = 0;
    got_ = false;
    const protocol::Frame frame = protocol::EncodeRequest(protocol::SYNC_WORD, command, words);
    if (ComWrt(port_, reinterpret_cast<const char *>(frame.data()), protocol::FRAME_BYTES) !=
        protocol::FRAME_BYTES)
        return Outcome::WriteFailed;
    QElapsedTimer clock;
    clock.start();
    // Not cut short by Ctrl-C: the frame is on its way, and what follows
    // must know whether the sensor took it.
    while (!got_ && clock.elapsed() < kWriteSettleMs)
        ProcessSystemEvents();
    got_ = false;
    return Outcome::Answered;
}

Outcome Line::ReadBlock(int first, int refWord, std::uint16_t *out)
{
    if (Interrupted())
        return Outcome::Interrupted;
    // The receive callback would take the block's first 36 bytes for a frame.
    RemoveCallback();
    FlushOutQ(port_);
    const protocol::Frame frame = protocol::EncodeRequest(
        protocol::SYNC_WORD, protocol::CMD_DATA_BLOCK, protocol::BlockRequestWords(first, refWord));
    FlushInQ(port_);
    Outcome outcome = Outcome::Answered;
    int waiting = 0;
    if (ComWrt(port_, reinterpret_cast<const char *>(frame.data()), protocol::FRAME_BYTES) !=
        protocol::FRAME_BYTES) {
        outcome = Outcome::WriteFailed;
    } else {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            ProcessSystemEvents();
            waiting = std::max(0, GetInQLen(port_));
            if (waiting >= protocol::BLOCK_BYTES)
                break;
            if (Interrupted()) {
                outcome = Outcome::Interrupted;
                break;
            }
            if (protocol::ReplyTimedOut(Ticks(clock))) {
                outcome = waiting > 0 ? Outcome::Short : Outcome::Silent;
                break;
            }
        }
    }
    blockBytes_ = waiting;
    if (outcome == Outcome::Answered) {
        char bytes[1024];
        const int got = ComRd(port_, bytes, std::min(waiting, static_cast<int>(sizeof bytes)));
        blockBytes_ = got;
        if (got < protocol::BLOCK_BYTES)
            outcome = Outcome::Short;
        else
            protocol::DecodeBlock(reinterpret_cast<const std::uint8_t *>(bytes),
                                  protocol::BLOCK_BYTES, out);
    }
    FlushInQ(port_);
    InstallCallback();
    return outcome;
}

std::string Line::Describe(Outcome outcome, std::uint16_t command) const
{
    const std::string what = std::string(CommandName(command)) + " (command " +
                             std::to_string(command) + ")";
    switch (outcome) {
    case Outcome::Answered: return "";
    case Outcome::Silent:
        return "the sensor did not answer " + what + " on COM" + std::to_string(port_) + " (" +
               Device() + ")";
    case Outcome::OtherAnswer:
        return "the sensor answered command " + std::to_string(otherCode_) + " to " + what;
    case Outcome::Short:
        return "the sensor sent " + std::to_string(blockBytes_) + " of " +
               std::to_string(protocol::BLOCK_BYTES) + " bytes of a " + what;
    case Outcome::WriteFailed:
        return "the request " + what + " could not be sent on COM" + std::to_string(port_);
    case Outcome::Interrupted: return "interrupted";
    }
    return "";
}

} // namespace qzan::cli
