// The sensor line as the tool uses it: a port opened with the program's
// settings, one request at a time, its answer taken in by the receive
// callback and waited for with the program's time-outs; data blocks read by
// polling the input queue, as the program reads them.
#ifndef CLI_LINE_H
#define CLI_LINE_H

#include "core/protocol/frame.h"

#include <csignal>
#include <cstdint>
#include <string>

namespace qzan::cli {

using protocol::Words;

// Set by the SIGINT handler; every wait ends soon after it is set.
extern volatile std::sig_atomic_t g_interrupted;
inline bool Interrupted() { return g_interrupted != 0; }

enum class Outcome {
    Answered,    // a reply to this request came
    Silent,      // nothing came within the time-out
    OtherAnswer, // only a reply to another command came
    Short,       // a data block came only in part
    WriteFailed, // the request did not go out whole
    Interrupted, // Ctrl-C
};

class Line {
public:
    Line() = default;
    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    // Opens port number `port` as the program does (19200 baud, 8N1, 2 s
    // read time-out, the receive callback on every 36 bytes). On failure
    // `error` holds the status text and, where the system told one, why.
    bool Open(int port, std::string &error);
    int Port() const { return port_; }
    // The device the port number reached.
    std::string Device() const;

    // Sends request `command` with `words`, then waits for its reply: more
    // than WAIT_TICKS ticks for every command but teach, which gives up at
    // TEACH_TICKS. The reply's words go to `reply`.
    Outcome Exchange(std::uint16_t command, const Words &words, Words &reply);
    // Sends a write (commands 1 and 3), which awaits no reply, and lets the
    // line settle for as long as a sensor that does answer it would take.
    Outcome Write(std::uint16_t command, const Words &words);
    // Reads the 64 samples that start at `first` into `out`.
    Outcome ReadBlock(int first, int refWord, std::uint16_t *out);

    // What went wrong in the last Exchange, Write or ReadBlock, for a message.
    std::string Describe(Outcome outcome, std::uint16_t command) const;

private:
    static void Receive(int port, int eventMask, void *self);
    void InstallCallback();
    void RemoveCallback();
    Outcome WaitFor(std::uint16_t command, bool teach, Words &reply);

    int port_ = 0;
    bool open_ = false;
    bool got_ = false;
    protocol::Reply last_{};
    std::uint16_t otherCode_ = 0;
    int blockBytes_ = 0;
};

// The name the operator knows a command by, for messages.
const char *CommandName(std::uint16_t command);

} // namespace qzan::cli

#endif
