// The other end hanging up (the pseudo-terminal's master closed, as an
// unplugged adapter would): the port closes once and quietly, the process
// stays idle, and the port opens again once a device is back.
#include "support.h"

#include "platform/rs232.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kPort = 8;

long Lines(const std::string &text) { return std::count(text.begin(), text.end(), '\n'); }

TEST(HangUp, closesThePortOnceReportsOnceAndLeavesTheCpuIdle)
{
    PtyPair pty;
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    CallbackLog log;
    ASSERT_EQ(InstallComCallback(kPort, COM_EV_NOTIFY, 36, 0x55, RecordingCallback, &log), 0);
    StderrCapture capture;
    pty.hangUp();
    RunEvents(300);

    const std::clock_t cpu = std::clock(); // the process's CPU time
    const double wall = WallSeconds();
    RunEvents(1000);
    const double share =
        static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC / (WallSeconds() - wall);
    std::printf("CPU share of a core in the second after the hang-up: %.2f%%\n", share * 100);
    EXPECT_LT(share, 0.20);

    const std::string said = capture.text();
    EXPECT_EQ(Lines(said), 1) << said;
    EXPECT_NE(said.find(pty.slave), std::string::npos) << said;
    EXPECT_NE(std::string(ComLastErrorDetail(kPort)).find(pty.slave), std::string::npos);

    EXPECT_LT(ComWrt(kPort, Frame(36).data(), 36), 0);
    char buffer[36];
    const double start = WallSeconds();
    EXPECT_EQ(ComRd(kPort, buffer, 36), 0);
    EXPECT_LT(WallSeconds() - start, 2.5);
    EXPECT_EQ(GetInQLen(kPort), 0);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(CloseCom(kPort), 0);
}

TEST(HangUp, duringAReadEndsTheReadAndAWriteFindsItToo)
{
    PtyPair pty;
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    StderrCapture capture;
    std::thread device([&] {
        pty.send(Filler(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pty.hangUp();
    });
    char buffer[36];
    const double start = WallSeconds();
    EXPECT_EQ(ComRd(kPort, buffer, 36), 5);
    EXPECT_LT(WallSeconds() - start, 1.5); // the hang-up ended it, not the time-out
    device.join();

    // Without an event loop or a read in between, the write notices.
    PtyPair second;
    ASSERT_EQ(OpenLikeTheProgram(kPort, second.slave), 0);
    second.hangUp();
    EXPECT_EQ(ComWrt(kPort, Frame(36).data(), 36), COM_IO_ERROR);
    EXPECT_EQ(ComWrt(kPort, Frame(36).data(), 36), COM_NOT_OPEN);
    EXPECT_EQ(Lines(capture.text()), 2); // one for each loss
    CloseCom(kPort);
}

TEST(HangUp, aVanishedPortOpensAgainOnceTheDeviceIsBack)
{
    QTemporaryDir dir;
    const std::string link = dir.path().toStdString() + "/adapter";
    PtyPair first;
    ASSERT_EQ(::symlink(first.slave.c_str(), link.c_str()), 0);
    ASSERT_EQ(OpenLikeTheProgram(kPort, link), 0);
    {
        StderrCapture quiet;
        first.hangUp();
        RunEvents(300);
    }
    ASSERT_LT(ComWrt(kPort, "x", 1), 0);
    // Its link goes with it, as an unplugged adapter's does: the freed
    // terminal's number may meanwhile name another program's terminal.
    ASSERT_EQ(::unlink(link.c_str()), 0);
    EXPECT_EQ(OpenLikeTheProgram(kPort, link), COM_CANNOT_OPEN); // not back yet

    PtyPair second; // plugged in again, under the same link
    ASSERT_EQ(::symlink(second.slave.c_str(), link.c_str()), 0);
    ASSERT_EQ(OpenLikeTheProgram(kPort, link), 0) << ComLastErrorDetail(kPort);
    EXPECT_STREQ(ComLastErrorDetail(kPort), "");
    EXPECT_EQ(ComWrt(kPort, "back", 4), 4);
    EXPECT_EQ(second.receive(4), "back");
    CloseCom(kPort);
}

} // namespace
