// The fake run-time that both fake rooms share: its clock and event loop,
// its findings and the reset to a clean start. ProcessSystemEvents moves the
// clock and runs one pass of each room: the next chunk of the serial script
// arrives, due timers tick, the receive callback is called. Array files are
// not faked: the harnesses link the real platform/runtime/arrayfile.cpp.
#ifndef FUZZ_FAKE_PLATFORM_RUNTIME_H
#define FUZZ_FAKE_PLATFORM_RUNTIME_H

#include "platform/runtime/loop.h"

#include <cstdint>
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

// Everything back to the start: no port, no controls, no timers, no hooks.
void Reset();

long Passes();
long NowMs();

// The first misuse the fake saw (empty when none): a read into a null
// buffer, a non-finite coordinate, a text without its terminator...
const std::string &Failure();
void Fail(const std::string &what);

// ---- Between the fake's own parts -----------------------------------------
namespace parts {

void AdvanceClock(long ms); // a wait inside an operation (a blocking read)

// What every service checks of its arguments; a misuse becomes a finding.
double Finite(double v, const char *what);
void TakeText(const char *text, const char *what, std::string &into);

// The serial part.
void ResetSerial();
bool SerialBusy();        // chunks still to come or events not yet reported
void SerialPass(long pass); // a hang-up that is due, then the next chunk
void SerialDeliver();     // the receive callback, as the real port calls it

// The user-interface part.
void ResetUi();
long NextTickDue(); // the fake time of the next tick of an enabled timer, or LONG_MAX
void RunTimers();

} // namespace parts

} // namespace fakeplat

#endif
