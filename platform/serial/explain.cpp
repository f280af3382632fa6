// Reasons for failed opens, with the owner's group of a device the user may
// not use and the process that holds a busy one.
#include "platform/serial/explain.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>
#endif

namespace serial_explain {
namespace {

const char kDash[] = "\xE2\x80\x94"; // an em dash in UTF-8, as the status box shows it

QByteArray SystemText(int error) { return QByteArray(std::strerror(error)); }

#if defined(Q_OS_UNIX)

QByteArray GroupName(gid_t gid)
{
    std::vector<char> buffer(16384);
    group entry{};
    group *found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->gr_name)
        return QByteArray(found->gr_name);
    return QByteArray::number(qulonglong(gid));
}

QByteArray UserName(uid_t uid)
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name)
        return QByteArray(found->pw_name);
    return QByteArray::number(qulonglong(uid));
}

// Whether this process already has the group's rights.
bool HasGroupNow(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<std::size_t>(i)] == gid)
            return true;
    return false;
}

QByteArray PermissionDenied(const QByteArray &device)
{
    struct stat st {};
    if (::stat(device.constData(), &st) != 0)
        return "permission denied";
    const QByteArray group = GroupName(st.st_gid);
    const bool groupMayUse = (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP);
    if (groupMayUse && st.st_gid != 0 && !HasGroupNow(st.st_gid))
        return QByteArray("permission denied ") + kDash + " add yourself to the group '" + group +
               "' (sudo usermod -aG " + group +
               " $USER); the membership takes effect at the next log-in";
    // The group would not help (or is root's): say who may use it.
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return "permission denied (owner " + UserName(st.st_uid) + ", group " + group + ", mode " +
           mode + ")";
}

bool IsNumber(const char *name)
{
    if (!*name)
        return false;
    for (const char *c = name; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

QByteArray ProcessName(const char *pid)
{
    const QByteArray path = QByteArray("/proc/") + pid + "/comm";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char name[64];
    ssize_t got;
    do {
        got = ::read(fd, name, sizeof name - 1);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got <= 0)
        return {};
    return QByteArray(name, static_cast<qsizetype>(got)).trimmed();
}

// Whether process `pid` has a descriptor open on `node`.
bool Holds(const char *pid, const QByteArray &node)
{
    const QByteArray fdDir = QByteArray("/proc/") + pid + "/fd";
    DIR *dir = ::opendir(fdDir.constData());
    if (!dir)
        return false; // another user's process: not ours to look into
    bool holds = false;
    char target[PATH_MAX];
    while (const dirent *entry = ::readdir(dir)) {
        if (!IsNumber(entry->d_name))
            continue;
        const QByteArray link = fdDir + '/' + entry->d_name;
        const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
        if (length > 0 && QByteArray(target, static_cast<qsizetype>(length)) == node) {
            holds = true;
            break;
        }
    }
    ::closedir(dir);
    return holds;
}

#endif

} // namespace

QByteArray OpenFailure(const QByteArray &device, int error)
{
#if !defined(Q_OS_UNIX)
    Q_UNUSED(device); // only the Unix reasons look at the device
#endif
    switch (error) {
#if defined(Q_OS_UNIX)
    case EACCES:
    case EPERM:
        return PermissionDenied(device);
    case EBUSY:
        return SystemText(EBUSY) + ' ' + kDash + ' ' + Holder(device);
    case ENOENT:
        return SystemText(ENOENT) + ' ' + kDash + " the device is not present";
    case ENXIO:
    case ENODEV:
    case EIO:
        return SystemText(error) + ' ' + kDash + " no serial port answers behind this name";
#endif
    default:
        return SystemText(error);
    }
}

QByteArray Holder(const QByteArray &device)
{
#if defined(Q_OS_UNIX)
    char resolved[PATH_MAX];
    if (::realpath(device.constData(), resolved)) {
        const QByteArray node(resolved);
        const QByteArray self = QByteArray::number(qlonglong(::getpid()));
        if (DIR *proc = ::opendir("/proc")) {
            QByteArray found;
            while (const dirent *entry = ::readdir(proc)) {
                if (!IsNumber(entry->d_name) || !Holds(entry->d_name, node))
                    continue;
                if (self == entry->d_name) {
                    found = "already open on another port of this program";
                    continue; // another program holding it says more
                }
                const QByteArray name = ProcessName(entry->d_name);
                found = "in use by " + (name.isEmpty() ? QByteArray("process") : name) +
                        " (pid " + entry->d_name + ")";
                break;
            }
            ::closedir(proc);
            if (!found.isEmpty())
                return found;
        }
    }
#else
    Q_UNUSED(device);
#endif
    return "in use by another program";
}

} // namespace serial_explain
