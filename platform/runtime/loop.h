// The run-time's start without a display and its event loop: what the user
// interface and the serial ports share, and all that a program opening no
// window calls besides the serial services of platform/rs232.h.
#ifndef PLATFORM_RUNTIME_LOOP_H
#define PLATFORM_RUNTIME_LOOP_H

// What the process entry hands the run-time start: the process arguments.
struct RunTimeInstance {
    int argc;
    char **argv;
};

// Starts the run-time without a display (a Qt core application): the event
// loop, the timers of the serial services and their receive callbacks, but
// no panels. 1 on success (also when the run-time already runs), 0 on failure.
// A program with panels calls InitRunTime (platform/ui.h) instead.
int InitCoreRunTime(void *instance);

int RunUserInterface(void);      // dispatches callbacks until QuitUserInterface
// Makes RunUserInterface return `code` once the callbacks on the stack have
// returned; until then the operator's input raises no further event.
int QuitUserInterface(int code);
// Runs every pending event; when none is pending, waits for the next one but
// never longer than a short guard, so a waiting loop costs no CPU and cannot hang.
// 1 once QuitUserInterface has been called (and then without waiting): a
// waiting loop ends, so that the callbacks on the stack return; else 0.
int ProcessSystemEvents(void);

#endif
