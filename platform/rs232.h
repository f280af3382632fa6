// Serial-port services: ports addressed by number, byte queues, a 2 s read
// time-out and a receive callback dispatched on the user-interface thread.
#ifndef PLATFORM_RS232_H
#define PLATFORM_RS232_H

// Error codes. Whoever adds a code here adds its status text where the
// program turns codes into texts (core/protocol/comerror.cpp).
enum {
    COM_UNKNOWN_SYSTEM_ERROR = -1,
    COM_INVALID_PORT = -2,   // port number outside 1 to 255
    COM_NOT_OPEN = -3,       // an operation on a port that is not open
    COM_IO_ERROR = -4,
    COM_ERROR = -5,
    COM_NO_PORT_FOUND = -6,
    COM_CANNOT_OPEN = -7,    // missing, busy or not permitted
    COM_TIMEOUT = -99,
};

enum { COM_PARITY_NONE = 0 };

// Events reported to the receive callback.
enum {
    COM_EV_RXFLAG = 0x0002,  // the event character was received
    COM_EV_TXEMPTY = 0x0004, // the output queue ran empty
    COM_EV_NOTIFY = 0x8000,  // at least the notify count of bytes is waiting
};

using ComCallback = void (*)(int port, int eventMask, void *callbackData);

// Port n is the device named by the environment variable QZAN_COM<n> when it
// is set, else for n from 17 up the device the COM drop-down's list gave n
// in this run, else /dev/ttyS<n-1> (COM<n> on Windows). `deviceName`
// overrides all of them when it is not empty. 0 or a negative error code.
int OpenComConfig(int port, const char *deviceName, long baudRate, int parity,
                  int dataBits, int stopBits, int inputQueueSize, int outputQueueSize);
int CloseCom(int port); // harmless on a port that is not open
int SetComTime(int port, double seconds);
int SetCTSMode(int port, int mode);
int FlushInQ(int port);  // discards what the OS and the library hold
int FlushOutQ(int port); // discards what is not yet sent
// Queues `count` bytes; the number queued, or a negative error code.
int ComWrt(int port, const char *buffer, int count);
// Reads `count` bytes or as many as arrive before the time-out; the number
// read (which may be less), or a negative error code. Dispatches no callback.
int ComRd(int port, char *buffer, int count);
int GetInQLen(int port); // bytes waiting, in the library and in the OS
// Installs `callback` for the events of `eventMask` (mask 0 removes it).
int InstallComCallback(int port, int eventMask, int notifyCount, int eventCharacter,
                       ComCallback callback, void *callbackData);

// For the operator: the device a port number reaches, and the system's reason
// of the last failure on that port (empty when there is none) with what to
// do about it: the group to join, the program that holds the device.
const char *ComPortDevice(int port);
const char *ComLastErrorDetail(int port);

#endif
