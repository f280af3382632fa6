// One exchange on the fake services: the request it sends, how each way of
// waiting ends (answer, time-out after the reply or teach limit, Stop, a
// block complete in the queue), and what it leaves of the ticks.
#define QZAN_WITHOUT_SYNC // the test framework brings <unistd.h>

#include "core/globals.h"
#include "core/protocol/frame.h"
#include "core/status.h"
#include "fuzz/fake_platform/serial.h"
#include "fuzz/fake_platform/ui.h"
#include "fuzz/harness_common.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

namespace pr = qzan::protocol;

constexpr ExchangeWay kReply = {FLUSH_IN_OUT, SENT_QUIET, nullptr, TICKS_OWN,
                                LIMIT_REPLY, UNTIL_FRAME, 0};

fakeplat::Bytes Frame(std::uint16_t code, std::uint16_t word0)
{
    pr::Words words{};
    words[0] = word0;
    const pr::Frame f = pr::EncodeRequest(pr::SYNC_WORD, code, words);
    return {f.begin(), f.end()};
}

bool TimerOn()
{
    return fakeplat::ControlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED) != 0;
}

class Exchanges : public ::testing::Test {
protected:
    void SetUp() override
    {
        fuzzh::StartProgram(fuzzh::StartSettings{});
        fuzzh::OpenPortWithCallback();
    }
    void TearDown() override { EXPECT_EQ(fakeplat::Failure(), ""); }
};

TEST_F(Exchanges, theRequestGoesOutWholeAndTheAnswerLandsInPp)
{
    fakeplat::SetArrivals({{}, {}, Frame(CMD_READ_RAM, 0x1234)});
    unsigned short words[PNUM];
    for (int i = 0; i < PNUM; ++i)
        words[i] = static_cast<unsigned short>(0xA000 + i);
    SyncWord() = 0x55;
    EXPECT_EQ(Exchange(com, CMD_READ_RAM, words, kReply), EXCHANGE_ANSWERED);
    ASSERT_EQ(fakeplat::Writes().size(), 1u);
    const pr::Frame want = pr::EncodeRequest(0x55, CMD_READ_RAM,
                                             *reinterpret_cast<const pr::Words *>(words));
    EXPECT_EQ(fakeplat::Writes()[0].bytes, fakeplat::Bytes(want.begin(), want.end()));
    EXPECT_EQ(order, CMD_READ_RAM);
    EXPECT_EQ(nBytesW, FRAME_BYTES);
    EXPECT_EQ(pp[0], 0x1234);
    EXPECT_EQ(rx_flag, 1);
    EXPECT_FALSE(TimerOn()) << "an exchange that owns its ticks stops them";
    EXPECT_EQ(ttick, 0);
}

TEST_F(Exchanges, aReplyIsGivenUpAfterThirtyOneTicksATeachAtFifteen)
{
    const struct {
        int limit;
        int ticks;
    } cases[] = {{LIMIT_REPLY, WAIT_TICKS + 1}, {LIMIT_TEACH, TEACH_TICKS}};
    for (const auto &c : cases) {
        fakeplat::SetArrivals({});
        const ExchangeWay way = {FLUSH_IN_OUT, SENT_QUIET, nullptr, TICKS_RUNNING,
                                 c.limit, UNTIL_FRAME, 0};
        StartTicks();
        EXPECT_EQ(Exchange(com, CMD_TEACH, pp, way), EXCHANGE_TIMED_OUT);
        // With the ticks left running the count where the wait gave up shows.
        EXPECT_EQ(ttick, c.ticks) << "limit " << c.limit;
        EXPECT_TRUE(TimerOn());
        StopTicks();
        EXPECT_FALSE(TimerOn());
    }
}

// A pass of the fake moves its clock 5 ms while bytes are still to come and
// runs the ticks before the receive callback, so tick n comes in pass 10n.
// A frame that arrives in the pass of the limit's tick counts; one pass
// later the wait has given up.
TEST_F(Exchanges, anAnswerWithTheLastTickCountsOnePassLaterItIsTooLate)
{
    const struct {
        int limit;
        int lastPass;
    } cases[] = {{LIMIT_REPLY, 10 * (WAIT_TICKS + 1)}, {LIMIT_TEACH, 10 * TEACH_TICKS}};
    for (const auto &c : cases) {
        for (int late = 0; late <= 1; ++late) {
            std::vector<fakeplat::Bytes> arrivals(static_cast<std::size_t>(c.lastPass - 1 + late));
            arrivals.push_back(Frame(CMD_TEACH, 7));
            fakeplat::SetArrivals(arrivals);
            const ExchangeWay way = {FLUSH_IN_OUT, SENT_QUIET, nullptr, TICKS_OWN,
                                     c.limit, UNTIL_FRAME, 0};
            EXPECT_EQ(Exchange(com, CMD_TEACH, pp, way),
                      late ? EXCHANGE_TIMED_OUT : EXCHANGE_ANSWERED)
                << "limit " << c.limit << (late ? ", one pass late" : ", with the last tick");
        }
    }
}

TEST_F(Exchanges, theTeachClaimsItsResultAtOnceAndLeavesTheTimerOnForItsFetch)
{
    fakeplat::SetArrivals({{}, Frame(CMD_TEACH, 7)});
    const ExchangeWay way = {FLUSH_IN_OUT, SENT_SET, "sent!", TICKS_LEAVE_ON,
                             LIMIT_TEACH, UNTIL_FRAME, 0};
    EXPECT_EQ(Exchange(com, CMD_TEACH, pp, way), EXCHANGE_ANSWERED);
    EXPECT_STREQ(szStatus, "sent!");
    EXPECT_EQ(fakeplat::ControlText(panelHandle, PANEL_STATUS), "sent!");
    EXPECT_TRUE(TimerOn());
    StopTicks();
    EXPECT_FALSE(TimerOn());
}

TEST_F(Exchanges, stopEndsOnlyAStoppableWaitAndWinsOverAnAnswerInTheSamePass)
{
    for (int stoppable : {1, 0}) {
        fakeplat::SetArrivals({{}, Frame(CMD_MEASURE, 1)});
        fakeplat::SetDeliveryHooks([](const fakeplat::Delivery &) { stop_flag = 1; },
                                   [](const fakeplat::Delivery &) {});
        stop_flag = 0;
        const ExchangeWay way = {FLUSH_IN_OUT, SENT_QUIET, nullptr, TICKS_OWN,
                                 LIMIT_REPLY, UNTIL_FRAME, stoppable};
        EXPECT_EQ(Exchange(com, CMD_MEASURE, pp, way),
                  stoppable ? EXCHANGE_STOPPED : EXCHANGE_ANSWERED);
        fakeplat::SetDeliveryHooks(nullptr, nullptr);
    }
}

TEST_F(Exchanges, aBlockIsCompleteByTheQueueAndLeavesTheAnswerFlagAlone)
{
    InstallComCallback(com, 0, FRAME_BYTES, SyncWord(), nullptr, nullptr);
    fakeplat::Bytes block(128);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i);
    fakeplat::SetArrivals({fakeplat::Bytes(block.begin(), block.begin() + 50),
                           fakeplat::Bytes(block.begin() + 50, block.end())});
    rx_flag = 5;
    const ExchangeWay way = {FLUSH_OUT_IN, SENT_SHOW, "waiting", TICKS_OWN, LIMIT_REPLY,
                             UNTIL_BLOCK, 0};
    int queued = -1;
    const pr::Words words = pr::BlockRequestWords(64, 0);
    EXPECT_EQ(Exchange(com, CMD_DATA_BLOCK, words.data(), way, &queued), EXCHANGE_ANSWERED);
    EXPECT_EQ(queued, 128);
    EXPECT_EQ(rx_flag, 5);
    EXPECT_EQ(fakeplat::ControlText(panelHandle, PANEL_STATUS), "waiting");

    // Half a block: the wait runs into its time-out with what has come.
    fakeplat::SetArrivals({fakeplat::Bytes(block.begin(), block.begin() + 60)});
    EXPECT_EQ(Exchange(com, CMD_DATA_BLOCK, words.data(), way, &queued), EXCHANGE_TIMED_OUT);
    EXPECT_EQ(queued, 60);
}

TEST_F(Exchanges, waitsNestAndTheOuterKeepsItsTimer)
{
    StartTicks();
    fakeplat::SetArrivals({Frame(CMD_READ_RAM, 3)});
    EXPECT_EQ(Exchange(com, CMD_READ_RAM, pp, kReply), EXCHANGE_ANSWERED);
    EXPECT_TRUE(TimerOn()) << "the inner wait must not switch the outer one's timer off";
    StopTicks();
    EXPECT_FALSE(TimerOn());
}

} // namespace
