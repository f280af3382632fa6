// termios set-up for the simulator's ports.
#include "termios_util.h"

#include <cerrno>
#include <cstring>

namespace qzan::sim {

speed_t speedConstant(std::uint32_t baud)
{
    switch (baud) {
    case 0: return B19200;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    case 1152000: return B1152000;
    case 1500000: return B1500000;
    case 2000000: return B2000000;
    case 2500000: return B2500000;
    case 3000000: return B3000000;
    case 3500000: return B3500000;
    case 4000000: return B4000000;
    default: return 0;
    }
}

bool setRawLine(int fd, std::uint32_t baud, std::string &error)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        error = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With VMIN 0 a read of an empty tty returns 0, which looks like end of
    // file; with 1 a non-blocking read says EAGAIN instead.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (speed_t speed = speedConstant(baud); speed != 0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        error = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace qzan::sim
