// System calls behind the serial port, for Linux and other Unix systems.
#include "platform/serial/os.h"

#include "platform/serial/explain.h"

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#endif

namespace serial_os {

#if defined(Q_OS_UNIX)

namespace {

QByteArray SystemText(int error) { return QByteArray(std::strerror(error)); }

} // namespace

bool Claim(const QByteArray &device, int &claim, QByteArray &reason)
{
    Release(claim);
    // A descriptor of our own carries the lock: the exclusive-use flag that
    // Qt sets on its descriptor does not stop root, and Qt's lock file goes
    // by the name, not by the device a link points to.
    int fd;
    do {
        fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = serial_explain::OpenFailure(device, errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd); // first: the holder named in the reason must not be us
        reason = serial_explain::OpenFailure(device, error == EWOULDBLOCK ? EBUSY : error);
        return false;
    }
    claim = fd;
    return true;
}

void Release(int &claim)
{
    if (claim >= 0)
        ::close(claim); // also drops the lock
    claim = -1;
}

long long PendingInput(Handle handle)
{
    int count = 0;
    if (handle < 0 || ::ioctl(handle, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return count;
}

HangUp Probe(Handle handle)
{
    if (handle < 0)
        return HangUp::Yes;
    pollfd entry{handle, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return HangUp::Unknown;
    return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) ? HangUp::Yes : HangUp::No;
}

long long WriteNow(Handle handle, const char *data, long long count, QByteArray &error)
{
    if (handle < 0) {
        error = SystemText(EBADF);
        return -1;
    }
    ssize_t written;
    do {
        written = ::write(handle, data, static_cast<std::size_t>(count));
    } while (written < 0 && errno == EINTR);
    if (written >= 0)
        return written;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return 0;
    error = SystemText(errno);
    return -1;
}

#else

bool Claim(const QByteArray &, int &claim, QByteArray &)
{
    claim = -1; // the system gives a port to one opener only
    return true;
}

void Release(int &claim) { claim = -1; }

long long PendingInput(Handle) { return 0; }

HangUp Probe(Handle) { return HangUp::Unknown; }

long long WriteNow(Handle, const char *, long long, QByteArray &) { return -2; }

#endif

void RequestLowLatency(Handle handle)
{
#if defined(Q_OS_LINUX)
    // A USB adapter otherwise holds a short answer for its latency timer
    // (16 ms by default), which costs the live cycle a third of its rate.
    serial_struct settings{};
    const int fd = handle;
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &settings) == 0 &&
        !(settings.flags & ASYNC_LOW_LATENCY)) {
        settings.flags |= ASYNC_LOW_LATENCY;
        (void)::ioctl(fd, TIOCSSERIAL, &settings);
    }
#else
    Q_UNUSED(handle);
#endif
}

} // namespace serial_os
