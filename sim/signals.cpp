// Signal flags set by async-signal-safe handlers and read by the server loop.
#include "signals.h"

namespace qzan::sim {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t reportRequested = 0;

extern "C" void onSignal(int signo)
{
    if (signo == SIGUSR1)
        reportRequested = 1;
    else
        stopRequested = 1;
}

} // namespace

bool installSignalHandlers(sigset_t &waitMask)
{
    sigset_t blocked;
    sigemptyset(&blocked);
    const int handled[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1};
    for (int signo : handled)
        sigaddset(&blocked, signo);
    if (sigprocmask(SIG_BLOCK, &blocked, &waitMask) != 0)
        return false;
    for (int signo : handled)
        sigdelset(&waitMask, signo);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signo : handled) {
        if (sigaction(signo, &action, nullptr) != 0)
            return false;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

bool takeStopRequest()
{
    if (!stopRequested)
        return false;
    stopRequested = 0;
    return true;
}

bool takeReportRequest()
{
    if (!reportRequested)
        return false;
    reportRequested = 0;
    return true;
}

} // namespace qzan::sim
