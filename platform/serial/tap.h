// A listener on every numbered port: each block of bytes the program writes
// or reads, and how many bytes waited unread when it discarded its input.
// Without a listener a port pays one pointer test per call.
#ifndef PLATFORM_SERIAL_TAP_H
#define PLATFORM_SERIAL_TAP_H

enum ComTapWay {
    COM_TAP_SENT,      // `bytes` went into the output queue
    COM_TAP_RECEIVED,  // `bytes` were read from the input queue
    COM_TAP_DISCARDED, // the input queue was flushed with `count` bytes in it; `bytes` is null
};

// Called on the thread that made the port call, after it, with the bytes
// it moved (count > 0 except for a discard). The listener must not call the
// port services itself.
using ComTap = void (*)(int port, int way, const char *bytes, int count, void *tapData);

// One listener for all ports; nullptr removes it.
void SetComTap(ComTap tap, void *tapData);

#endif
