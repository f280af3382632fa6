// The program's own options on its command line, read before the run-time
// starts so that --help needs no display.
#ifndef PLATFORM_RUNTIME_OPTIONS_H
#define PLATFORM_RUNTIME_OPTIONS_H

struct StartOptions {
    int port = 0;      // --com N: the port to start on; 0 when not given
    int exitCode = -1; // 0 or more: the process ends with it (help shown, or a bad option said)
};

// Reads --com N (1 to `highestPort`) and --help from the arguments `instance`
// (a RunTimeInstance, or null) holds. Options it does not know are left to
// the run-time (Qt's own, such as -platform). Help goes to standard output, a
// bad value to standard error with exit code 2.
StartOptions ReadStartOptions(void *instance, int highestPort);

#endif
