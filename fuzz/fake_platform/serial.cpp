// The fake serial line: chunks of a script arrive pass by pass, the receive
// callback is told of them with the real event bookkeeping, and every read
// and write is kept for the harness to check.
#include "fuzz/fake_platform/serial.h"

#include "platform/serial/events.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <utility>

namespace fakeplat {
namespace {

struct Line {
    std::deque<Bytes> arrivals;
    Bytes inQueue;
    bool open = false;
    bool vanished = false;
    int port = 0;
    long hangupAfterPass = -1;
    ComEvents events;
    bool delivering = false;
    std::function<int(int)> inQLenLie;
    std::function<void(const Delivery &)> before, after;
    std::vector<WriteCall> writes;
    std::vector<ReadCall> reads;
    std::vector<Delivery> deliveries;
};

Line &S()
{
    static Line line;
    return line;
}

bool ValidPort(int port) { return port >= 1 && port <= 255; }

bool Usable(int port) { return S().open && !S().vanished && port == S().port; }

void Vanish()
{
    Line &s = S();
    if (!s.open || s.vanished)
        return;
    s.vanished = true;
    s.events.remove();
    s.inQueue.clear();
}

// The next chunk of the script comes in on the line.
void Arrive()
{
    Line &s = S();
    if (s.arrivals.empty())
        return;
    Bytes chunk = std::move(s.arrivals.front());
    s.arrivals.pop_front();
    if (!s.open || s.vanished || chunk.empty())
        return; // nobody listens: the bytes are lost
    s.inQueue.insert(s.inQueue.end(), chunk.begin(), chunk.end());
    s.events.noteArrival(reinterpret_cast<const char *>(chunk.data()),
                         static_cast<long long>(chunk.size()));
}

} // namespace

namespace parts {

void ResetSerial() { S() = Line{}; }

bool SerialBusy() { return !S().arrivals.empty() || S().events.pending(); }

void SerialPass(long pass)
{
    Line &s = S();
    if (s.hangupAfterPass >= 0 && pass > s.hangupAfterPass)
        Vanish();
    Arrive();
}

// Calls the receive callback as the real port does after bytes arrived.
void SerialDeliver()
{
    Line &s = S();
    for (int round = 0; round < 2; ++round) {
        if (s.delivering || !s.open || s.vanished || !s.events.installed())
            return;
        const long long waiting =
            s.events.needsCount() ? static_cast<long long>(s.inQueue.size()) : 0;
        const int events = s.events.take(waiting);
        if (events != 0) {
            Delivery d{events, s.inQueue, s.reads.size()};
            if (s.before)
                s.before(d);
            s.delivering = true;
            s.events.callback()(s.port, events, s.events.callbackData());
            s.delivering = false;
            s.deliveries.push_back(d);
            if (s.after)
                s.after(s.deliveries.back());
        }
        if (!s.events.pending())
            return;
    }
}

} // namespace parts

void SetArrivals(std::vector<Bytes> chunks)
{
    S().arrivals.assign(std::make_move_iterator(chunks.begin()),
                        std::make_move_iterator(chunks.end()));
}

bool ArrivalsLeft() { return !S().arrivals.empty(); }
void SetHangupAfterPass(long pass) { S().hangupAfterPass = pass; }
void SetInQLenLie(std::function<int(int)> lie) { S().inQLenLie = std::move(lie); }

void SetDeliveryHooks(std::function<void(const Delivery &)> before,
                      std::function<void(const Delivery &)> after)
{
    S().before = std::move(before);
    S().after = std::move(after);
}

const std::vector<WriteCall> &Writes() { return S().writes; }
const std::vector<ReadCall> &Reads() { return S().reads; }
const std::vector<Delivery> &Deliveries() { return S().deliveries; }
const Bytes &InQueue() { return S().inQueue; }
bool PortOpen() { return S().open && !S().vanished; }
bool CallbackInstalled() { return S().events.installed(); }

} // namespace fakeplat

using namespace fakeplat;

int OpenComConfig(int port, const char *deviceName, long, int, int, int, int, int)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    std::string text;
    parts::TakeText(deviceName, "OpenComConfig", text);
    Line &s = S();
    s.open = true;
    s.vanished = false;
    s.port = port;
    s.inQueue.clear();
    s.events.remove();
    return 0;
}

int CloseCom(int port)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    Line &s = S();
    if (port == s.port) {
        s.open = false;
        s.vanished = false;
        s.events.remove();
        s.inQueue.clear();
    }
    return 0;
}

int SetComTime(int port, double seconds)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    parts::Finite(seconds, "SetComTime");
    return Usable(port) ? 0 : COM_NOT_OPEN;
}

int SetCTSMode(int port, int)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    return Usable(port) ? 0 : COM_NOT_OPEN;
}

int FlushInQ(int port)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    if (S().vanished && port == S().port)
        return 0;
    if (!Usable(port))
        return COM_NOT_OPEN;
    S().inQueue.clear();
    return 0;
}

int FlushOutQ(int port)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    if (S().vanished && port == S().port)
        return 0;
    return Usable(port) ? 0 : COM_NOT_OPEN;
}

int ComWrt(int port, const char *buffer, int count)
{
    Line &s = S();
    WriteCall call{buffer, count, 0, {}, s.events.installed()};
    if (!ValidPort(port))
        call.result = COM_INVALID_PORT;
    else if (s.vanished && port == s.port)
        call.result = COM_IO_ERROR;
    else if (!Usable(port))
        call.result = COM_NOT_OPEN;
    else if (count < 0 || (count > 0 && !buffer))
        call.result = COM_ERROR;
    else {
        call.bytes.assign(reinterpret_cast<const std::uint8_t *>(buffer),
                          reinterpret_cast<const std::uint8_t *>(buffer) + count);
        call.result = count;
        if (count > 0)
            s.events.noteOutputEmpty();
    }
    s.writes.push_back(std::move(call));
    return s.writes.back().result;
}

int ComRd(int port, char *buffer, int count)
{
    Line &s = S();
    ReadCall call{buffer, count, 0, {}};
    if (!ValidPort(port))
        call.result = COM_INVALID_PORT;
    else if (s.vanished && port == s.port)
        call.result = 0;
    else if (!Usable(port))
        call.result = COM_NOT_OPEN;
    else if (count < 0 || (count > 0 && !buffer))
        call.result = COM_ERROR;
    else {
        // Takes what waits, then waits up to the time-out for the rest; no
        // callback runs meanwhile, but what arrives is noted for later.
        long waited = 0;
        const auto want = static_cast<std::size_t>(count);
        while (s.inQueue.size() < want && waited < kReadTimeoutMs && !s.vanished) {
            if (s.arrivals.empty()) {
                parts::AdvanceClock(kReadTimeoutMs - waited);
                break;
            }
            parts::AdvanceClock(kPassMs);
            waited += kPassMs;
            Arrive();
        }
        const std::size_t n = std::min(want, s.inQueue.size());
        call.served.assign(s.inQueue.begin(), s.inQueue.begin() + static_cast<long>(n));
        s.inQueue.erase(s.inQueue.begin(), s.inQueue.begin() + static_cast<long>(n));
        if (n > 0)
            std::memcpy(buffer, call.served.data(), n);
        call.result = static_cast<int>(n);
    }
    s.reads.push_back(std::move(call));
    return s.reads.back().result;
}

int GetInQLen(int port)
{
    Line &s = S();
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    if (s.vanished && port == s.port)
        return 0;
    if (!Usable(port))
        return COM_NOT_OPEN;
    const int honest = static_cast<int>(std::min<std::size_t>(
        s.inQueue.size(), static_cast<std::size_t>(std::numeric_limits<int>::max())));
    return s.inQLenLie ? s.inQLenLie(honest) : honest;
}

int InstallComCallback(int port, int eventMask, int notifyCount, int eventCharacter,
                       ComCallback callback, void *callbackData)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    Line &s = S();
    if (eventMask == 0 || !callback) {
        if (port == s.port)
            s.events.remove();
        return 0;
    }
    if (!Usable(port))
        return COM_NOT_OPEN;
    s.events.install(eventMask, notifyCount, eventCharacter, callback, callbackData);
    return 0;
}

const char *ComPortDevice(int) { return "/dev/fake"; }
const char *ComLastErrorDetail(int) { return ""; }
