// A stand-in for the run-time services of platform/ui.h and platform/rs232.h
// with no Qt and no device: the fuzz harnesses and their regression tests link
// the program's own modules against it.
//
// The serial line is scripted: chunk i of the arrivals comes in during pass i
// of ProcessSystemEvents (or while a blocking ComRd waits). The receive
// callback is called only as the real services call it: from
// ProcessSystemEvents, never inside another operation, with the events that
// occurred (COM_EV_NOTIFY only while at least the notify count of bytes
// waits). Timers tick every 50 ms of the fake clock while enabled.
//
// Array files are not faked: the harnesses link platform/arrayfile.cpp.
#ifndef FUZZ_FAKE_PLATFORM_H
#define FUZZ_FAKE_PLATFORM_H

#include "platform/rs232.h"
#include "platform/ui.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fakeplat {

using Bytes = std::vector<std::uint8_t>;

// The clock moves this much per pass while bytes are still to come; with
// nothing to come a pass waits for the next timer tick (at most kGuardMs).
inline constexpr long kPassMs = 5;
inline constexpr long kGuardMs = 40;
inline constexpr long kTickMs = 50;
inline constexpr long kReadTimeoutMs = 2000;
// A waiting loop of the program that has run this many passes hangs.
inline constexpr long kMaxPasses = 2000000;

struct ReadCall {
    const char *buffer; // where the program asked for the bytes
    int count;          // how many it asked for
    int result;         // what ComRd answered
    Bytes served;       // the bytes written into buffer
};

struct WriteCall {
    const char *buffer;
    int count;
    int result;
    Bytes bytes;
    bool callbackInstalled; // whether a receive callback was installed then
};

// One call of the receive callback.
struct Delivery {
    int events;     // what the callback was told
    Bytes waiting;  // the input queue when it was called
    std::size_t readsBefore; // Reads().size() when it was called
};

// Everything back to the start: no port, no controls, no timers, no hooks.
void Reset();

// ---- Serial line ----------------------------------------------------------
void SetArrivals(std::vector<Bytes> chunks);
bool ArrivalsLeft();
// The port vanishes (as an unplugged adapter) once this many passes have run;
// negative: never.
void SetHangupAfterPass(long pass);
// GetInQLen answers lie(honest count) instead of the honest count.
void SetInQLenLie(std::function<int(int)> lie);
// Called just before and just after every receive callback.
void SetDeliveryHooks(std::function<void(const Delivery &)> before,
                      std::function<void(const Delivery &)> after);

const std::vector<WriteCall> &Writes();
const std::vector<ReadCall> &Reads();
const std::vector<Delivery> &Deliveries();
const Bytes &InQueue();
bool PortOpen();
bool CallbackInstalled();

// ---- Time -----------------------------------------------------------------
long Passes();
long NowMs();
// A timer control: `callback` gets EV_TIMER_TICK while the control's
// ATTR_ENABLED is 1.
void SetTimer(int panel, int control, CtrlCallback callback);

// ---- Controls and popups --------------------------------------------------
void SetControl(int panel, int control, double value);
double ControlValue(int panel, int control);
std::string ControlText(int panel, int control);
int ControlAttribute(int panel, int control, int attribute);
// What the next FileSelectPopup answers: its result and the chosen path.
void SetPopupAnswer(int result, std::string path);
int PopupCalls();

// ---- Findings -------------------------------------------------------------
// The first misuse the fake saw (empty when none): a read into a null
// buffer, a non-finite coordinate, a text without its terminator...
const std::string &Failure();
void Fail(const std::string &what);

} // namespace fakeplat

#endif
