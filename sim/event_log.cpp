// Writing the event log, one flushed line per event.
#include "event_log.h"

#include <cerrno>
#include <cstring>

namespace qzan::sim {

EventLog::~EventLog()
{
    if (file_)
        std::fclose(file_);
}

bool EventLog::open(const std::string &path, std::string &error)
{
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string EventLog::formatMillis(Nanos sinceStart)
{
    long long micros = std::chrono::duration_cast<std::chrono::microseconds>(sinceStart).count();
    std::string sign;
    if (micros < 0) {
        sign = "-";
        micros = -micros;
    }
    std::string frac = std::to_string(micros % 1000);
    frac.insert(0, 3 - frac.size(), '0');
    return sign + std::to_string(micros / 1000) + "." + frac;
}

void EventLog::write(TimePoint when, const std::string &rest)
{
    if (!file_)
        return;
    std::string line = formatMillis(when - start_) + " " + rest + "\n";
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

namespace {

std::string joinWords(std::span<const std::uint16_t> words)
{
    std::string text;
    for (std::uint16_t w : words) {
        text += ' ';
        text += std::to_string(w);
    }
    return text;
}

} // namespace

void EventLog::request(TimePoint when, unsigned command, std::span<const std::uint16_t> words)
{
    if (file_)
        write(when, "REQ " + std::to_string(command) + joinWords(words));
}

void EventLog::answer(TimePoint when, unsigned command, std::span<const std::uint16_t> words)
{
    if (file_)
        write(when, "ANS " + std::to_string(command) + joinWords(words));
}

void EventLog::fault(TimePoint when, const char *name, unsigned command)
{
    write(when, std::string("FAULT ") + name + " " + std::to_string(command));
}

void EventLog::drop(TimePoint when, std::uint64_t bytes)
{
    write(when, "DROP " + std::to_string(bytes));
}

void EventLog::connect(TimePoint when, const std::string &port)
{
    write(when, "CONNECT " + port);
}

void EventLog::disconnect(TimePoint when)
{
    write(when, "DISCONNECT");
}

} // namespace qzan::sim
