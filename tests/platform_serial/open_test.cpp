// Opening ports: which device a number reaches, the codes and detail texts
// of numbers out of range and of devices missing or busy, and closing.
#include "support.h"

#include "platform/rs232.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kPort = 5;
constexpr int kOtherPort = 6;

bool DetailSays(int port, const std::string &part)
{
    return std::string(ComLastErrorDetail(port)).find(part) != std::string::npos;
}

TEST(OpeningPorts, numbersOutsideOneTo255AreInvalidWithADetail)
{
    for (const int outside : {0, 256}) {
        EXPECT_EQ(OpenComConfig(outside, "", 19200, 0, 8, 1, 4096, 4096), COM_INVALID_PORT);
        EXPECT_TRUE(DetailSays(outside, "255")) << ComLastErrorDetail(outside);
    }
}

TEST(OpeningPorts, aPortReachesItsVariablesDeviceElseTheSystemsPort)
{
    ::unsetenv("QZAN_COM7");
    EXPECT_STREQ(ComPortDevice(7), "/dev/ttyS6");
    ::setenv("QZAN_COM7", "ttyUSB0", 1);
    EXPECT_STREQ(ComPortDevice(7), "/dev/ttyUSB0");
    PtyPair pty;
    ASSERT_EQ(OpenComConfig(7, pty.slave.c_str(), 19200, 0, 8, 1, 4096, 4096), 0);
    EXPECT_EQ(ComPortDevice(7), pty.slave); // the name given to the open wins
    EXPECT_STREQ(ComLastErrorDetail(7), "");
    ::unsetenv("QZAN_COM7");
    CloseCom(7);
}

TEST(OpeningPorts, aMissingDeviceCannotBeOpened)
{
    QTemporaryDir dir;
    const std::string missing = dir.path().toStdString() + "/no-such-adapter";
    EXPECT_EQ(OpenLikeTheProgram(kPort, missing), COM_CANNOT_OPEN);
    EXPECT_TRUE(DetailSays(kPort, missing + ": No such file")) << ComLastErrorDetail(kPort);
}

TEST(OpeningPorts, aDeviceInUseIsBusyUnderAnyNameAndToAnyInstance)
{
    PtyPair pty;
    QTemporaryDir dir;
    const std::string link = dir.path().toStdString() + "/sensor";
    ASSERT_EQ(::symlink(pty.slave.c_str(), link.c_str()), 0);

    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    for (const std::string &name : {pty.slave, link}) {
        EXPECT_EQ(OpenLikeTheProgram(kOtherPort, name), COM_CANNOT_OPEN);
        EXPECT_TRUE(DetailSays(kOtherPort, name + ": Device or resource busy"))
            << ComLastErrorDetail(kOtherPort);
    }
    // The refused opens did not disturb the port that has the device.
    EXPECT_EQ(ComWrt(kPort, "ok", 2), 2);
    EXPECT_EQ(pty.receive(2), "ok");
    CloseCom(kPort);

    // Another process of ours holds the device the way every instance does.
    const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OpenLikeTheProgram(kPort, link), COM_CANNOT_OPEN);
    ::close(other);
    EXPECT_EQ(OpenLikeTheProgram(kPort, link), 0) << ComLastErrorDetail(kPort);
    CloseCom(kPort);
}

TEST(OpeningPorts, closingIsHarmlessAndReopeningAnOpenPortWorks)
{
    EXPECT_EQ(CloseCom(200), 0); // never opened
    PtyPair pty;
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0) << ComLastErrorDetail(kPort);
    EXPECT_EQ(CloseCom(kPort), 0);
    EXPECT_EQ(CloseCom(kPort), 0);
    EXPECT_EQ(ComWrt(kPort, "x", 1), COM_NOT_OPEN);
}

} // namespace
