// What Qt's serial port does not offer and the system does: an exclusive
// claim on a device, low-latency delivery, the count of bytes the system
// holds, a hang-up probe and an immediate write. Elsewhere each is a no-op.
#ifndef PLATFORM_SERIAL_OS_H
#define PLATFORM_SERIAL_OS_H

#include <QByteArray>
#include <QSerialPort>
#include <QtGlobal>

#include <utility>

namespace serial_os {

// What Qt's port hands out as its system handle: a descriptor on Unix (-1
// while closed), a HANDLE (a pointer) on Windows. Qt keeps its own name for
// the type private.
using Handle = decltype(std::declval<const QSerialPort &>().handle());

// Holds `device` for this process so that a second open of it, from here or
// from another process, and under whatever name, fails as busy. False with
// the system's reason when the device cannot be had.
bool Claim(const QByteArray &device, int &claim, QByteArray &reason);
void Release(int &claim);

// Asks a USB adapter's driver to hand over bytes at once instead of
// collecting them for its latency timer. Failure is no fault.
void RequestLowLatency(Handle handle);

// Bytes the system holds for reading that Qt has not yet fetched.
long long PendingInput(Handle handle);

enum class HangUp { Yes, No, Unknown };
// Whether the other end has gone (a pseudo-terminal's master closed, an
// adapter unplugged), as opposed to an error that passes.
HangUp Probe(Handle handle);

#if defined(Q_OS_UNIX)
constexpr bool kWritesNow = true;
#else
constexpr bool kWritesNow = false;
#endif
// Hands bytes straight to the system: the count it took (0 when it is full),
// -1 with `error` set when the device failed, or -2 where this is not done.
long long WriteNow(Handle handle, const char *data, long long count, QByteArray &error);

} // namespace serial_os

#endif
