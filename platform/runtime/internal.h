// Inside the run-time: the process arguments, the registered names and the
// rule that program callbacks run only from the event loop or
// ProcessSystemEvents, never nested inside another run-time operation.
#ifndef PLATFORM_RUNTIME_INTERNAL_H
#define PLATFORM_RUNTIME_INTERNAL_H

#include "platform/ui.h"

#include <functional>

class QObject;

namespace rt {

// The process arguments for the Qt application, which keeps referring to
// them for its whole life: those `instance` (a RunTimeInstance, or null)
// hands over, else the program's name alone.
void KeepArguments(void *instance, int *&argc, char **&argv);

// Names registered by the program.
CtrlCallback FindControlCallback(const char *name);
PanelCallback FindPanelCallback(const char *name);
const ControlName *Controls(int &count);

// Marks a run-time operation in progress (a serial read that waits, a modal
// file dialog). While one is, program callbacks are held back and run once
// the outermost operation has ended, from the event loop.
class OperationScope {
public:
    OperationScope();
    ~OperationScope();
    OperationScope(const OperationScope &) = delete;
    OperationScope &operator=(const OperationScope &) = delete;
};
bool InOperation();

// QuitUserInterface was called and its event loop has not yet ended. The
// operator's input then starts nothing new; timer ticks and serial events
// still reach the waits that are winding down.
bool Quitting();

// Runs `call` now when program callbacks may run, else once they may.
// `owner` ties a deferred call to an object: when the owner is destroyed the
// deferred call is dropped. Calls deferred with the same (owner, key) merge
// into one.
void Dispatch(QObject *owner, int key, const std::function<void()> &call);

} // namespace rt

#endif
