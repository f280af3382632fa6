// Results of the serial services as the operator reads them in the status box.
#ifndef CORE_PROTOCOL_COMERROR_H
#define CORE_PROTOCOL_COMERROR_H

namespace qzan::protocol {

// The serial services' error codes. Whoever adds a code adds its text in
// ComErrorText beside it.
enum ComError {
    COM_UNKNOWN_SYSTEM_ERROR = -1,
    COM_INVALID_PORT = -2,   // port number outside 1 to 255
    COM_NOT_OPEN = -3,       // an operation on a port that is not open
    COM_IO_ERROR = -4,
    COM_ERROR = -5,
    COM_NO_PORT_FOUND = -6,
    COM_CANNOT_OPEN = -7,    // missing, busy or not permitted
    COM_TIMEOUT = -99,
};

// The status text of a negative result; any unknown code reads as a general
// line error.
const char *ComErrorText(int code);

} // namespace qzan::protocol

#endif
