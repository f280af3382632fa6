// Pseudo-terminal pairs for tests.
#include "pty_pair.h"

#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qzan::test {

PtyPair::PtyPair()
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (fd >= 0 && ::grantpt(fd) == 0 && ::unlockpt(fd) == 0 &&
        ::ptsname_r(fd, name, sizeof name) == 0) {
        master = fd;
        slave = name;
    } else if (fd >= 0) {
        ::close(fd);
    }
}

void PtyPair::send(const std::string &bytes) const
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

std::string PtyPair::receive(std::size_t count, int ms) const
{
    std::string got;
    char buffer[4096];
    pollfd entry{master, POLLIN, 0};
    while (got.size() < count && ::poll(&entry, 1, ms) > 0) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

void PtyPair::hangUp()
{
    if (master >= 0)
        ::close(master);
    master = -1;
}

} // namespace qzan::test
