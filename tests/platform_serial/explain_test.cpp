// What the operator is told when a port cannot be opened: the group to join
// for a device not permitted, the program that holds a busy one, a device
// that is not there. The status text stays "Cannot open port" (the code);
// these are the details the status box's tooltip shows.
#include "support.h"

#include "platform/rs232.h"
#include "platform/serial/explain.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kPort = 9;
constexpr int kOtherPort = 10;
const std::string kDash = "\xE2\x80\x94";

std::string Detail(int port) { return ComLastErrorDetail(port); }

std::string Explained(const std::string &device, int error)
{
    return serial_explain::OpenFailure(QByteArray::fromStdString(device), error).toStdString();
}

bool InGroup(gid_t gid)
{
    if (getegid() == gid)
        return true;
    gid_t groups[256];
    const int count = getgroups(256, groups);
    for (int i = 0; i < count; ++i)
        if (groups[i] == gid)
            return true;
    return false;
}

// Another program holding a device as the program does: `sleep` with a
// descriptor on it that carries an exclusive lock.
class Holder {
public:
    explicit Holder(const std::string &device)
    {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        char sleep[] = "sleep", seconds[] = "60";
        char *argv[] = {sleep, seconds, nullptr};
        pid = ::fork();
        if (pid == 0) {
            // Only system calls between fork and exec.
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
                ::_exit(1);
            ::execv("/bin/sleep", argv);
            ::_exit(1);
        }
        ::close(ready[1]);
        // The pipe closes when the child has exec'd (or died): the lock is held.
        char byte;
        while (::read(ready[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
    }
    ~Holder()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    bool running() const { return pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; }

    pid_t pid = -1;
};

TEST(OpenFailureDetails, permissionDeniedNamesTheGroupToJoinAndWhenItTakesEffect)
{
    const group *dialout = ::getgrnam("dialout");
    if (!dialout || ::geteuid() != 0 || InGroup(dialout->gr_gid))
        GTEST_SKIP() << "needs root (to give a file to a group we are not in) and a group 'dialout'";
    QTemporaryDir dir;
    const std::string device = dir.filePath("ttyUSB0").toStdString();
    const int fd = ::open(device.c_str(), O_CREAT | O_WRONLY, 0660);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);

    EXPECT_EQ(Explained(device, EACCES),
              "permission denied " + kDash +
                  " add yourself to the group 'dialout' (sudo usermod -aG dialout $USER); "
                  "the membership takes effect at the next log-in");
}

TEST(OpenFailureDetails, aDeviceNoGroupMayUseNamesItsOwnerInstead)
{
    QTemporaryDir dir;
    const std::string device = dir.filePath("ttyS0").toStdString();
    const int fd = ::open(device.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(::chmod(device.c_str(), 0600), 0);
    struct stat st {};
    ASSERT_EQ(::stat(device.c_str(), &st), 0);
    const passwd *owner = ::getpwuid(st.st_uid);
    const group *grp = ::getgrgid(st.st_gid);
    ASSERT_TRUE(owner && grp);

    EXPECT_EQ(Explained(device, EPERM), std::string("permission denied (owner ") + owner->pw_name +
                                            ", group " + grp->gr_name + ", mode 0600)");
}

TEST(OpenFailureDetails, aBusyPortNamesTheProgramThatHoldsIt)
{
    PtyPair pty;
    ASSERT_FALSE(pty.slave.empty());
    Holder other(pty.slave);
    ASSERT_TRUE(other.running());

    EXPECT_EQ(OpenLikeTheProgram(kPort, pty.slave), COM_CANNOT_OPEN);
    EXPECT_EQ(Detail(kPort), pty.slave + ": Device or resource busy " + kDash +
                                 " in use by sleep (pid " + std::to_string(other.pid) + ")");
}

TEST(OpenFailureDetails, aPortOpenOnAnotherNumberOfThisProgramSaysSo)
{
    PtyPair pty;
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    EXPECT_EQ(OpenLikeTheProgram(kOtherPort, pty.slave), COM_CANNOT_OPEN);
    EXPECT_EQ(Detail(kOtherPort), pty.slave + ": Device or resource busy " + kDash +
                                      " already open on another port of this program");
    CloseCom(kPort);
    // Once it is closed there, the other number has it.
    EXPECT_EQ(OpenLikeTheProgram(kOtherPort, pty.slave), 0) << Detail(kOtherPort);
    CloseCom(kOtherPort);
}

TEST(OpenFailureDetails, aMissingDeviceIsNotPresent)
{
    QTemporaryDir dir;
    const std::string missing = dir.filePath("ttyUSB7").toStdString();
    EXPECT_EQ(OpenLikeTheProgram(kPort, missing), COM_CANNOT_OPEN);
    EXPECT_EQ(Detail(kPort),
              missing + ": No such file or directory " + kDash + " the device is not present");
}

} // namespace
