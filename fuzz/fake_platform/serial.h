// The fake serial services of platform/rs232.h: a line fed from a script.
// Chunk i of the arrivals comes in during pass i of ProcessSystemEvents (or
// while a blocking ComRd waits). The receive callback is called only as the
// real services call it: from ProcessSystemEvents, never inside another
// operation, with the events that occurred (COM_EV_NOTIFY only while at
// least the notify count of bytes waits).
#ifndef FUZZ_FAKE_PLATFORM_SERIAL_H
#define FUZZ_FAKE_PLATFORM_SERIAL_H

#include "fuzz/fake_platform/runtime.h"
#include "platform/rs232.h"

#include <functional>

namespace fakeplat {

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

} // namespace fakeplat

#endif
