// The pseudo-terminal port: raw mode, a symbolic link replaced atomically, the
// link removed on close only while it still points at our slave.
#include "port.h"

#include "termios_util.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace qzan::sim {

bool checkLinkPath(const std::string &path, std::string &error)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return true;
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISLNK(st.st_mode)) {
        error = path + ": exists and is not a symbolic link; refusing to replace it";
        return false;
    }
    return true;
}

bool PtyPort::open(std::string &error)
{
    close();
    if (!checkLinkPath(link_, error))
        return false;
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char slaveName[PATH_MAX] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0
        || ptsname_r(master, slaveName, sizeof slaveName) != 0) {
        error = std::string("pseudo-terminal set-up: ") + std::strerror(errno);
        ::close(master);
        return false;
    }
    int slave = ::open(slaveName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        error = std::string(slaveName) + ": " + std::strerror(errno);
        ::close(master);
        return false;
    }
    std::string termiosError;
    if (!setRawLine(slave, baud_, termiosError)) {
        error = std::string(slaveName) + ": " + termiosError;
        ::close(slave);
        ::close(master);
        return false;
    }
    // A fresh name beside the link, then rename over it: whoever opens the
    // link sees the old pseudo-terminal or the new one, never no link.
    std::string temp = link_ + ".new" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (symlink(slaveName, temp.c_str()) != 0 || rename(temp.c_str(), link_.c_str()) != 0) {
        error = link_ + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        ::close(slave);
        ::close(master);
        return false;
    }
    master_ = master;
    slave_ = slave;
    slavePath_ = slaveName;
    return true;
}

void PtyPort::close()
{
    if (master_ < 0)
        return;
    // The link goes first, so a program that reacts to the hang-up by
    // reopening finds no stale link.
    char target[PATH_MAX] = {};
    ssize_t n = readlink(link_.c_str(), target, sizeof target - 1);
    if (n > 0 && slavePath_ == std::string(target, static_cast<std::size_t>(n)))
        ::unlink(link_.c_str());
    ::close(slave_);
    ::close(master_);
    slave_ = -1;
    master_ = -1;
}

std::size_t PtyPort::unreadByPeer() const
{
    int waiting = 0;
    if (slave_ < 0 || ioctl(slave_, TIOCINQ, &waiting) != 0 || waiting < 0)
        return 0;
    return static_cast<std::size_t>(waiting);
}

} // namespace qzan::sim
