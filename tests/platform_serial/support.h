// What the serial tests share besides the common test support (the
// pseudo-terminal pair that plays the device): event-loop helpers, a
// recording receive callback and a stderr capture.
#ifndef TESTS_PLATFORM_SERIAL_SUPPORT_H
#define TESTS_PLATFORM_SERIAL_SUPPORT_H

#include "pty_pair.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The test writes to the master; the port under test opens the slave.
using qzan::test::PtyPair;

// Points QZAN_COM<port> at `device` and opens it with the program's settings.
int OpenLikeTheProgram(int port, const std::string &device);

// ProcessSystemEvents until `done` or `ms` passed; without `done`, for `ms`.
bool RunEvents(int ms, const std::function<bool()> &done = {});
// Polls `done` without running the event loop, so that Qt fetches nothing.
bool WaitWithoutEvents(int ms, const std::function<bool()> &done);
double WallSeconds();

std::string Filler(std::size_t length); // bytes without the event character 0x55
std::string Frame(std::size_t length);  // the sync word 0x00 0x55, then filler

// Records every call of the receive callback; reads on NOTIFY when asked.
struct CallbackLog {
    std::vector<int> events;
    int readsPerCall = 0;
    bool flushAfterRead = false;
    std::vector<int> readCounts;
    bool calledInsideOperation = false;
};
void RecordingCallback(int port, int eventMask, void *callbackData);

// Collects what the code under test prints to stderr until text() is called.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture() { text(); }
    std::string text();

private:
    int m_saved = -1;
    std::FILE *m_file = nullptr;
};

#endif
