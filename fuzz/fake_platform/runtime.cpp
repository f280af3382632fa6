// The fake run-time: the clock, the event loop that runs one pass of each
// fake room, the findings, and the plain file write behind the array files.
#include "fuzz/fake_platform/runtime.h"

#include "platform/runtime/options.h"
#include "platform/runtime/replacefile.h"
#include "platform/ui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fakeplat {
namespace {

struct Clock {
    long passes = 0;
    long now = 0;
};

Clock &C()
{
    static Clock clock;
    return clock;
}

std::string &FailureText()
{
    static std::string failure;
    return failure;
}

} // namespace

void Reset()
{
    C() = Clock{};
    FailureText().clear();
    parts::ResetSerial();
    parts::ResetUi();
}

long Passes() { return C().passes; }
long NowMs() { return C().now; }

const std::string &Failure() { return FailureText(); }

void Fail(const std::string &what)
{
    if (FailureText().empty())
        FailureText() = what;
}

void parts::AdvanceClock(long ms) { C().now += ms; }

double parts::Finite(double v, const char *what)
{
    if (!std::isfinite(v))
        Fail(std::string("non-finite value given to ") + what);
    return v;
}

void parts::TakeText(const char *text, const char *what, std::string &into)
{
    if (!text) {
        Fail(std::string("null text given to ") + what);
        return;
    }
    // strlen runs to the terminator: a text without one is caught here.
    into.assign(text, std::strlen(text));
}

} // namespace fakeplat

using namespace fakeplat;

// ---- Start and event loop ----------------------------------------------------

int RunUserInterface(void) { return 0; }
int QuitUserInterface(int code) { return code; }

int ProcessSystemEvents(void)
{
    Clock &c = C();
    if (++c.passes > kMaxPasses) {
        std::fprintf(stderr, "fake platform: a waiting loop never ends (%ld passes)\n",
                     c.passes);
        std::abort();
    }
    long step = kPassMs;
    if (!parts::SerialBusy()) {
        // Nothing to come: wait for the next tick, as the guard allows.
        const long due = parts::NextTickDue();
        step = kGuardMs;
        if (due != std::numeric_limits<long>::max() && due - c.now < step)
            step = std::max(1L, due - c.now);
    }
    c.now += step;
    parts::SerialPass(c.passes);
    parts::RunTimers();
    parts::SerialDeliver();
    return 0;
}

int GetProjectDir(char *dir, std::size_t size)
{
    if (!dir || size == 0)
        return UIE_BAD_ARGUMENT;
    std::snprintf(dir, size, "%s", "/tmp");
    return 0;
}

// The array files' writer without Qt: a plain write of the whole contents.
// The harnesses check the numbers written, not how the file is replaced.
int rt::ReplaceFile(const char *path, const char *data, std::size_t size)
{
    std::FILE *f = std::fopen(path, "wb");
    if (!f)
        return AFE_OPEN;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written ? 0 : AFE_WRITE;
}

// The harnesses never start the program's process entry with options.
StartOptions ReadStartOptions(void *, int) { return {}; }
