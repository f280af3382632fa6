// Raw 8N1 line settings shared by the pseudo-terminal and the real device.
#ifndef SIM_TERMIOS_UTIL_H
#define SIM_TERMIOS_UTIL_H

#include <cstdint>
#include <string>

#include <termios.h>

namespace qzan::sim {

// The termios constant for a rate, or 0 when there is none.
speed_t speedConstant(std::uint32_t baud);

// Raw, 8 data bits, no parity, 1 stop bit, no flow control; the speed is set when the rate has a constant (0 counts as 19200).
bool setRawLine(int fd, std::uint32_t baud, std::string &error);

} // namespace qzan::sim

#endif
