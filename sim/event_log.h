// The record of every request and answer (--log FILE), one line per event,
// space-separated, for tests and people to read:
//
//   <t> REQ <cmd> <w0> ... <w15>       a whole request as received
//   <t> ANS <cmd> <w0> ... <wN>        an answer sent whole: 16 words, 64 for command 9
//   <t> FAULT <name> <cmd>             a fault applied to the answer to <cmd>
//                                      (disconnect: cmd 0)
//   <t> DROP <n>                       n bytes discarded while resynchronising
//   <t> CONNECT <port>                 serving on <port> (the pseudo-terminal's slave)
//   <t> DISCONNECT                     the port was closed
//
// <t> is milliseconds since start with three decimals; words are decimal.
#ifndef SIM_EVENT_LOG_H
#define SIM_EVENT_LOG_H

#include "clock.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace qzan::sim {

class EventLog {
public:
    explicit EventLog(TimePoint start) : start_(start) {}
    ~EventLog();
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    bool open(const std::string &path, std::string &error);
    bool enabled() const { return file_ != nullptr; }

    void request(TimePoint when, unsigned command, std::span<const std::uint16_t> words);
    void answer(TimePoint when, unsigned command, std::span<const std::uint16_t> words);
    void fault(TimePoint when, const char *name, unsigned command);
    void drop(TimePoint when, std::uint64_t bytes);
    void connect(TimePoint when, const std::string &port);
    void disconnect(TimePoint when);

    // "12.345": never depends on the locale.
    static std::string formatMillis(Nanos sinceStart);

private:
    void write(TimePoint when, const std::string &rest);

    TimePoint start_;
    std::FILE *file_ = nullptr;
};

} // namespace qzan::sim

#endif
