// Why a serial device could not be opened, told so that an operator can act
// on it: a missing adapter, a group to join, the program that holds the port.
#ifndef PLATFORM_SERIAL_EXPLAIN_H
#define PLATFORM_SERIAL_EXPLAIN_H

#include <QByteArray>

namespace serial_explain {

// The reason for a failed open or lock of `device` with the system's error
// number `error`, and what to do about it, e.g. "permission denied — add
// yourself to the group 'dialout' (...)". Never empty.
QByteArray OpenFailure(const QByteArray &device, int error);

// Who has `device` open: "in use by minicom (pid 1234)", "already open on
// another port of this program", or "in use by another program" when no
// process can be seen holding it.
QByteArray Holder(const QByteArray &device);

} // namespace serial_explain

#endif
