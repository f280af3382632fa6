// The receive callback: when it is called and with which events (notify
// count, event character, output queue empty); frames arriving in pieces or
// in a burst call it once; reads and installs never run it inside themselves.
#include "support.h"

#include "platform/rs232.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr int kPort = 3;
constexpr int kProgramMask = COM_EV_NOTIFY | COM_EV_RXFLAG | COM_EV_TXEMPTY;

class ReceiveCallback : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0); }
    void TearDown() override { CloseCom(kPort); }

    void install(int mask, int reads = 0, bool flush = false)
    {
        log = CallbackLog{};
        log.readsPerCall = reads;
        log.flushAfterRead = flush;
        ASSERT_EQ(InstallComCallback(kPort, mask, 36, 0x55, RecordingCallback, &log), 0);
        RunEvents(100); // the check that installing schedules
        log.events.clear();
    }
    // Sends `bytes`, then runs the event loop until the callback has been
    // called `calls` times (or, for none, the bytes wait) and a while longer,
    // to catch extra calls.
    void sendAndSettle(const std::string &bytes, int calls)
    {
        pty.send(bytes);
        RunEvents(2000, [&] {
            return calls > 0 ? static_cast<int>(log.events.size()) >= calls
                             : GetInQLen(kPort) >= static_cast<int>(bytes.size());
        });
        RunEvents(300);
    }

    PtyPair pty;
    CallbackLog log;
};

TEST_F(ReceiveCallback, aFrameOrAFortyByteBurstCallsItOnceWhetherOrNotTheRestIsFlushed)
{
    for (const auto &[length, flush] : {std::pair{36, true}, {40, true}, {40, false}}) {
        install(kProgramMask, 36, flush);
        sendAndSettle(Frame(static_cast<std::size_t>(length)), 1);
        EXPECT_EQ(log.events, std::vector<int>{COM_EV_NOTIFY | COM_EV_RXFLAG}) << length;
        EXPECT_EQ(GetInQLen(kPort), flush ? 0 : 4);
        EXPECT_FALSE(log.calledInsideOperation);
        FlushInQ(kPort);
    }
}

TEST_F(ReceiveCallback, thirtyFiveBytesNeverNotifyAndALoneEventCharacterRaisesOnlyItsEvent)
{
    install(kProgramMask);
    sendAndSettle(Filler(35), 0);
    EXPECT_TRUE(log.events.empty());
    FlushInQ(kPort);
    sendAndSettle(std::string(1, '\x55'), 1);
    EXPECT_EQ(log.events, std::vector<int>{COM_EV_RXFLAG});
}

TEST_F(ReceiveCallback, aFrameInThreePiecesIsOneNotify)
{
    install(COM_EV_NOTIFY, 36, true);
    const std::string frame = Frame(36);
    for (std::size_t at = 0; at < 36; at += 12) {
        EXPECT_TRUE(log.events.empty()) << "before the piece at " << at;
        pty.send(frame.substr(at, 12));
        RunEvents(2000, [&] {
            return GetInQLen(kPort) >= static_cast<int>(at) + 12 || !log.events.empty();
        });
        RunEvents(50);
    }
    RunEvents(300);
    EXPECT_EQ(log.events, std::vector<int>{COM_EV_NOTIFY});
    EXPECT_EQ(log.readCounts, std::vector<int>{36});
}

TEST_F(ReceiveCallback, aCallbackThatLeavesItsBytesIsCalledAgainOnlyWhenMoreArrive)
{
    install(COM_EV_NOTIFY); // reads nothing
    sendAndSettle(Filler(36), 1);
    RunEvents(300);
    EXPECT_EQ(log.events.size(), 1u);
    sendAndSettle(Filler(1), 2);
    EXPECT_EQ(log.events, (std::vector<int>{COM_EV_NOTIFY, COM_EV_NOTIFY}));
}

TEST_F(ReceiveCallback, installingReportsWaitingBytesOnceAndOnlyAfterwards)
{
    pty.send(Frame(36)); // still with the system when the callback comes
    WaitWithoutEvents(2000, [] { return GetInQLen(kPort) == 36; });
    ASSERT_EQ(InstallComCallback(kPort, kProgramMask, 36, 0x55, RecordingCallback, &log), 0);
    EXPECT_TRUE(log.events.empty()); // not inside the installing call
    RunEvents(300);
    // The event character came before the callback: only the count is news.
    EXPECT_EQ(log.events, std::vector<int>{COM_EV_NOTIFY});

    ASSERT_EQ(InstallComCallback(kPort, 0, 36, 0x55, RecordingCallback, &log), 0);
    FlushInQ(kPort);
    sendAndSettle(Frame(36), 0);
    EXPECT_EQ(log.events.size(), 1u); // mask 0 removed it
}

TEST_F(ReceiveCallback, comRdCollectsPiecesWithoutRunningIt)
{
    install(kProgramMask);
    const std::string frame = Frame(36);
    std::thread device([&] {
        for (std::size_t at = 0; at < 36; at += 12) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pty.send(frame.substr(at, 12));
        }
    });
    char buffer[36];
    EXPECT_EQ(ComRd(kPort, buffer, 36), 36);
    EXPECT_TRUE(log.events.empty());
    device.join();
    EXPECT_EQ(std::string(buffer, 36), frame);
    // Later, from the event loop: the event character came; nothing waits.
    RunEvents(300);
    EXPECT_EQ(log.events, std::vector<int>{COM_EV_RXFLAG});
    EXPECT_FALSE(log.calledInsideOperation);
}

TEST_F(ReceiveCallback, outputQueueEmptyFollowsAWriteOnlyWhenAskedFor)
{
    install(COM_EV_TXEMPTY);
    ASSERT_EQ(ComWrt(kPort, Frame(36).data(), 36), 36);
    EXPECT_TRUE(log.events.empty()); // not inside the write
    RunEvents(300);
    EXPECT_EQ(log.events, std::vector<int>{COM_EV_TXEMPTY});
    EXPECT_EQ(pty.receive(36), Frame(36));

    install(COM_EV_NOTIFY);
    ASSERT_EQ(ComWrt(kPort, Frame(36).data(), 36), 36);
    RunEvents(300);
    EXPECT_TRUE(log.events.empty());
}

void CloseFromInside(int port, int, void *callbackData)
{
    ++*static_cast<int *>(callbackData);
    CloseCom(port);
}

TEST_F(ReceiveCallback, mayCloseItsOwnPort)
{
    int closings = 0;
    ASSERT_EQ(InstallComCallback(kPort, COM_EV_NOTIFY, 1, 0, CloseFromInside, &closings), 0);
    pty.send(Filler(10));
    RunEvents(500);
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(ComWrt(kPort, "x", 1), COM_NOT_OPEN);
    EXPECT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
}

} // namespace
