// Which device a port number reaches: the QZAN_COM<n> environment variable,
// else for numbers from 17 up the device the COM drop-down's list gave that
// number, else the system's n-th serial port; a device name given to the
// open wins over all of them.
#ifndef PLATFORM_SERIAL_NAMES_H
#define PLATFORM_SERIAL_NAMES_H

#include <QByteArray>

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 255;
// Longer names are refused rather than cut: a cut path could name another device.
constexpr int kMaxDeviceName = 4095;

inline bool ValidComPort(int port) { return port >= kFirstComPort && port <= kLastComPort; }

// The device for `port` (valid) with `override` when it is not empty. False
// when a name is too long; `device` then holds the reason.
bool ComDeviceFor(int port, const char *override, QByteArray &device);

#endif
