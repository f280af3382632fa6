// Reading and the input queue: what GetInQLen counts, what FlushInQ
// discards, the read time-out, and bad arguments.
#include "support.h"

#include "platform/rs232.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int kPort = 4;

class Queues : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0); }
    void TearDown() override { CloseCom(kPort); }
    PtyPair pty;
};

TEST_F(Queues, bytesTheSystemHoldsBeforeTheEventLoopRanAreCountedAndRead)
{
    pty.send(Filler(36)); // no event processing here: Qt fetches nothing
    WaitWithoutEvents(2000, [] { return GetInQLen(kPort) >= 36; });
    EXPECT_EQ(GetInQLen(kPort), 36);
    ASSERT_EQ(SetComTime(kPort, 0.0), 0); // even a read that may not wait takes them
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ComRd(kPort, buffer, 30), 30);
    EXPECT_EQ(std::string(buffer, 30), Filler(30));
    EXPECT_EQ(std::string(buffer + 30, 34), std::string(34, '#')); // nothing past the count
    EXPECT_EQ(GetInQLen(kPort), 6);
}

TEST_F(Queues, flushInQDiscardsWhatQtAndTheSystemHold)
{
    pty.send(Filler(20));
    RunEvents(2000, [] { return GetInQLen(kPort) >= 20; });
    RunEvents(100);       // into Qt's buffer
    pty.send(Filler(10)); // these stay with the system
    WaitWithoutEvents(2000, [] { return GetInQLen(kPort) >= 30; });
    ASSERT_EQ(GetInQLen(kPort), 30);

    EXPECT_EQ(FlushInQ(kPort), 0);
    EXPECT_EQ(GetInQLen(kPort), 0);
    ASSERT_EQ(SetComTime(kPort, 0.2), 0);
    char buffer[8];
    EXPECT_EQ(ComRd(kPort, buffer, 8), 0);
    pty.send("new");
    EXPECT_EQ(ComRd(kPort, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "new");
}

TEST_F(Queues, comRdGivesUpAfterTheTimeOutWithWhatItGot)
{
    pty.send(Filler(10));
    char buffer[36];
    const double start = WallSeconds();
    EXPECT_EQ(ComRd(kPort, buffer, 36), 10);
    const double took = WallSeconds() - start;
    EXPECT_GE(took, 1.5);
    EXPECT_LE(took, 5.0);
}

TEST(SerialArguments, badArgumentsEndAsErrorCodes)
{
    PtyPair pty;
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    char buffer[4];
    EXPECT_EQ(ComRd(kPort, nullptr, 4), COM_ERROR);
    EXPECT_EQ(ComRd(kPort, buffer, -1), COM_ERROR);
    EXPECT_EQ(ComWrt(kPort, nullptr, 4), COM_ERROR);
    EXPECT_EQ(SetComTime(kPort, std::nan("")), COM_ERROR);
    EXPECT_EQ(SetCTSMode(kPort, 0), 0); // a pseudo-terminal has no handshake lines
    EXPECT_EQ(OpenComConfig(kPort, pty.slave.c_str(), 0, 0, 8, 1, 4096, 4096), COM_ERROR);
    EXPECT_STRNE(ComLastErrorDetail(kPort), "");
    EXPECT_EQ(ComRd(kPort, buffer, 4), COM_NOT_OPEN); // the refused open left it closed
    EXPECT_EQ(InstallComCallback(kPort, COM_EV_NOTIFY, 36, 0x55, RecordingCallback, nullptr),
              COM_NOT_OPEN);
    for (const int outside : {0, 256}) {
        EXPECT_EQ(ComRd(outside, buffer, 4), COM_INVALID_PORT);
        EXPECT_EQ(ComWrt(outside, buffer, 4), COM_INVALID_PORT);
        EXPECT_EQ(GetInQLen(outside), COM_INVALID_PORT);
        EXPECT_STREQ(ComPortDevice(outside), "");
    }
}

} // namespace
