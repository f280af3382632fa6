// Status texts of the serial services' error codes.
#include "core/protocol/comerror.h"

namespace qzan::protocol {

const char *ComErrorText(int code)
{
    switch (code) {
    case COM_UNKNOWN_SYSTEM_ERROR: return "Unknown system error";
    case COM_INVALID_PORT: return "Invalid port number";
    case COM_NOT_OPEN: return "Port is not open";
    case COM_IO_ERROR: return "Unknown I/0 error";
    case COM_ERROR: return "RS-232 error!";
    case COM_NO_PORT_FOUND: return "No serial port found";
    case COM_CANNOT_OPEN: return "Cannot open port";
    case COM_TIMEOUT: return "Timeout";
    default: return "RS-232 error!";
    }
}

} // namespace qzan::protocol
