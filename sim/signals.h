// SIGINT, SIGTERM and SIGHUP ask the simulator to stop, SIGUSR1 to print its
// counts. The signals stay blocked except inside the server's ppoll, so a
// signal never interrupts anything but the wait.
#ifndef SIM_SIGNALS_H
#define SIM_SIGNALS_H

#include <csignal>

namespace qzan::sim {

// Installs the handlers, blocks the signals, ignores SIGPIPE; `waitMask`
// receives the mask to wait with (the signals unblocked).
bool installSignalHandlers(sigset_t &waitMask);

bool takeStopRequest();
bool takeReportRequest();

} // namespace qzan::sim

#endif
