// The waits' time-outs to the tick. A fetch waits while ttick is at most 30
// and a teach while it is below 15; an answer that comes with the last tick
// still counts, one that comes a tick later finds the wait over. The test
// counts the ticks itself: the 50 ms timer is slowed so that it never ticks,
// and a driver fires the tick callback by hand, one tick per pass of the
// wait. The sensor is the test on a pseudo-terminal, answering exactly in the
// pass it is told to.
#include "program_fixture.h"

#include "pty_pair.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

using qzan::test::PtyPair;

bool TimerOn()
{
    int on = 0;
    GetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, on);
    return on != 0;
}

// A 36-byte answer: 0x00 0x55 0x00 <code>, then sixteen big-endian words.
std::string AnswerFrame(int code, const unsigned short (&words)[16])
{
    std::string frame = {'\x00', '\x55', '\x00', static_cast<char>(code)};
    for (unsigned short w : words) {
        frame += static_cast<char>(w >> 8);
        frame += static_cast<char>(w & 0xFF);
    }
    return frame;
}

// Fires the tick callback once in each pass of a wait (its timer's slot runs
// at most once in one pass of the event loop). Its first step sets ttick two
// short of `lastTick`; the answer, when there is one, comes with tick
// `answerTick`. After its steps it keeps ticking, so that any later wait
// ends by its own time-out.
class TickDriver {
public:
    TickDriver(PtyPair &line, int lastTick, int answerTick, std::string answer)
        : line_(line), lastTick_(lastTick), answerTick_(answerTick), answer_(std::move(answer))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Step(); });
        timer_.start();
    }

    // The last tick fired before the answer or the wait's end: how long the
    // wait went on.
    int highestTick() const { return highest_; }
    bool answered() const { return answered_; }

private:
    void Step()
    {
        if (!TimerOn()) {
            over_ = started_; // the wait has ended
            return;
        }
        if (over_)
            return;
        if (!started_) {
            started_ = true;
            ttick = static_cast<unsigned short>(lastTick_ - 2);
            highest_ = ttick;
            return;
        }
        CC_Timer50ms(panelHandle, PANEL_Timer50ms, EV_TIMER_TICK, nullptr, 0, 0);
        if (answered_)
            return; // later waits (the fetch after a teach) run out freely
        highest_ = ttick;
        if (ttick == answerTick_) {
            answered_ = true;
            Deliver();
        }
    }

    // The answer's bytes onto the line, then the receive callback, as the
    // serial services call it once a frame is waiting: in this very pass.
    void Deliver()
    {
        line_.send(answer_);
        QElapsedTimer clock;
        clock.start();
        while (GetInQLen(com) < 36 && clock.elapsed() < 2000)
            ::usleep(1000);
        RX_Receive_Function(com, COM_EV_NOTIFY, nullptr);
    }

    PtyPair &line_;
    const int lastTick_, answerTick_;
    const std::string answer_;
    QTimer timer_;
    bool started_ = false, answered_ = false, over_ = false;
    int highest_ = 0;
};

class TickLimits : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_GE(line_.master, 0);
        setenv("QZAN_COM1", line_.slave.c_str(), 1);
        StartProgram(); // the line check finds no sensor and times out
        line_.receive(36);
        // From here on only the driver ticks.
        ASSERT_EQ(SetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_INTERVAL, 3600.0), 0);
        target = RAM;
    }

    // The codes of the requests sent since the last call, from the line.
    std::string Sent()
    {
        std::string codes;
        const std::string bytes = line_.receive(36 * 8, 100);
        for (std::size_t at = 0; at + 36 <= bytes.size(); at += 36)
            codes += std::to_string(static_cast<unsigned char>(bytes[at + 3])) + " ";
        return codes;
    }

    PtyPair line_;
};

constexpr unsigned short kFetched[16] = {321, 1, 400, 60, 0, 2, 150, 700,
                                         444, 55, 1, 0, 0, 7, 0, 1000};

// ---- The fetch (Get): the time-out comes with tick 31 ---------------------

TEST_F(TickLimits, aFetchAnsweredWithItsLastTickTakesTheAnswer)
{
    TickDriver driver(line_, 31, 31, AnswerFrame(2, kFetched));
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(driver.highestTick(), 31) << "the fetch still waited at tick 30";
    EXPECT_TRUE(driver.answered());
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(power, 321);
    EXPECT_EQ(tVal, 444);
    EXPECT_EQ(Sent(), "2 ");
}

TEST_F(TickLimits, aFetchAnsweredOneTickLateHasTimedOut)
{
    const unsigned short before = power;
    TickDriver driver(line_, 31, 32, AnswerFrame(2, kFetched));
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_FALSE(driver.answered()) << "the fetch still waited after tick 31";
    EXPECT_EQ(driver.highestTick(), 31);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(power, before);
    EXPECT_EQ(Sent(), "2 ");
}

// ---- The teach: the time-out comes with tick 15 ---------------------------

TEST_F(TickLimits, aTeachAnsweredWithItsLastTickFetchesAfterwards)
{
    TickDriver driver(line_, 15, 15, AnswerFrame(5, kFetched));
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_TRUE(driver.answered()) << "the teach still waited at tick 14";
    EXPECT_EQ(Sent(), "5 2 ") << "a taught setpoint is fetched";
}

TEST_F(TickLimits, aTeachAnsweredOneTickLateHasTimedOut)
{
    TickDriver driver(line_, 15, 16, AnswerFrame(5, kFetched));
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_FALSE(driver.answered()) << "the teach still waited after tick 15";
    EXPECT_EQ(driver.highestTick(), 15);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(Sent(), "5 ") << "nothing taught, nothing fetched";
}

} // namespace
