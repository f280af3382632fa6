// A real serial device, opened raw at the emulated rate.
#include "port.h"

#include "termios_util.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qzan::sim {

bool deviceBaudSupported(std::uint32_t baud) { return speedConstant(baud) != 0; }

bool DevicePort::open(std::string &error)
{
    close();
    int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = path_ + ": " + std::strerror(errno);
        return false;
    }
    std::string termiosError;
    if (!setRawLine(fd, baud_, termiosError)) {
        error = path_ + ": " + termiosError;
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return true;
}

void DevicePort::close()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
}

std::size_t DevicePort::unreadByPeer() const
{
    int waiting = 0;
    if (fd_ < 0 || ioctl(fd_, TIOCOUTQ, &waiting) != 0 || waiting < 0)
        return 0;
    return static_cast<std::size_t>(waiting);
}

} // namespace qzan::sim
