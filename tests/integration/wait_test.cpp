// Every wait the operator starts can be left: a port change inside a wait
// leaves that wait its own time-out, and closing the window ends the program
// with 0 within a second whatever wait is under way, nested ones included.
// The program runs through WinMain, as it does for an operator.
#include "program_fixture.h"
#include "program_script.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <ostream>
#include <tuple>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

constexpr int kCloseLimitMs = 1000;
constexpr int kTickMs = 50;
// A wait that would never end is freed after this long, so that the test
// fails instead of hanging.
constexpr int kRescueMs = 30000;

int RunProgram()
{
    char arg0[] = "QzanRMRivad";
    char *argv[] = {arg0, nullptr};
    RunTimeInstance instance{1, argv};
    return WinMain(&instance, nullptr, nullptr, 1);
}

bool Shown()
{
    return panelHandle > 0 && PanelWidget(panelHandle) && PanelWidget(panelHandle)->isVisible();
}

// A wait for an answer to `command` is under way: it has counted ticks.
bool Waiting(int command) { return order == command && ttick >= 2; }

bool TimerOn()
{
    int on = 0;
    GetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, on);
    return on != 0;
}

long long RawPlots() { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }

// The operator actions that start a wait.
enum class Start { Run, Data, Get, Teach, BackgroundTeach, PortChange };

class Waits : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        rescue_.setSingleShot(true);
        QObject::connect(&rescue_, &QTimer::timeout, [this] {
            rescued_ = true;
            ttick = 60000;
            stop_flag = 1;
            if (Shown())
                PanelWidget(panelHandle)->close();
        });
        rescue_.start(kRescueMs);
    }
    void TearDown() override
    {
        rescue_.stop();
        second_.Stop();
        unsetenv("QZAN_COM2");
        ProgramTest::TearDown();
    }

    // COM2 reaches a second sensor, one that never answers.
    bool StartSilentSecondPort()
    {
        const std::string link = TempPath("com2");
        setenv("QZAN_COM2", link.c_str(), 1);
        return second_.Start(link, {"--silent"}, TempPath("sim2.log"));
    }

    void StartWait(Start start)
    {
        switch (start) {
        case Start::Run: Click(panelHandle, PANEL_BTNRun); break;
        case Start::Data: Click(panelHandle, PANEL_BTNData); break;
        case Start::Get: Click(panelHandle, PANEL_BTNGet); break;
        case Start::Teach: Click(panelHandle, PANEL_ButtonTeach); break;
        case Start::BackgroundTeach:
            Click(panelHandle, PANEL_BTN_CCDSettings);
            ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
            Press(panelPopUp, POPUP_BTNTeachBackGround); // waits until the teach has ended
            Release(panelPopUp, POPUP_BTNTeachBackGround);
            break;
        case Start::PortChange: ChooseItem(panelHandle, PANEL_DropDCom, 0); break;
        }
    }

    // Asks the main window to close, as its close button does.
    void Close()
    {
        closeClock_.start();
        PanelWidget(panelHandle)->close();
    }

    SimProcess second_;
    QTimer rescue_;
    bool rescued_ = false;
    QElapsedTimer closeClock_;
};

// ---- A port change while a wait is under way ----------------------------

struct PortChangeCase {
    const char *name;
    Start start;
    int command;       // the request whose answer the wait is for; 0: a live run
    int limitTicks;    // its time-out
    const char *text;  // its time-out text
};

void PrintTo(const PortChangeCase &c, std::ostream *os) { *os << c.name; }

// What the port chosen in the middle of the wait reaches.
enum class Reach { Silent, Missing, Busy };
const char *const kReachNames[] = {"Silent", "Missing", "Busy"};

void PrintTo(Reach reach, std::ostream *os) { *os << kReachNames[static_cast<int>(reach)]; }

using PortChangeParam = std::tuple<PortChangeCase, Reach>;

class PortChangeInsideAWait : public Waits,
                              public ::testing::WithParamInterface<PortChangeParam> {
protected:
    void TearDown() override
    {
        if (lock_ >= 0)
            ::close(lock_);
        Waits::TearDown();
    }
    // COM2 leads to a silent sensor, to nothing, or to a silent sensor that
    // another program holds.
    void PrepareSecondPort(Reach reach)
    {
        if (reach == Reach::Missing) {
            setenv("QZAN_COM2", TempPath("nothing-here").c_str(), 1);
            return;
        }
        ASSERT_TRUE(StartSilentSecondPort());
        if (reach == Reach::Busy) {
            lock_ = ::open(TempPath("com2").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            ASSERT_GE(lock_, 0);
            ASSERT_EQ(::flock(lock_, LOCK_EX | LOCK_NB), 0);
        }
    }
    int lock_ = -1;
};

// The operator starts a wait and, while it waits, chooses another port in
// the COM drop-down. Whatever that port reaches, the wait must still end
// with its own time-out text; then a close ends the program. (A live run's
// sensor stays behind on the old port, so the run runs into its time-out.)
TEST_P(PortChangeInsideAWait, theWaitStillEndsWithItsTimeoutAndACloseEndsAll)
{
    const auto &[c, reach] = GetParam();
    const bool live = c.command == 0;
    ASSERT_TRUE(live ? StartSim({"--baud", "0"}) : StartSim({"--silent"}));
    PrepareSecondPort(reach);
    QElapsedTimer clock;
    qint64 changed = 0, ended = 0;
    std::string status, statusAtChange;
    bool timerOn = true;
    unsigned tickAfter = 1;
    long long plots = 0;
    Script s;
    s.Add(Shown, [&] {
        plots = RawPlots();
        clock.start();
        StartWait(c.start);
        ended = clock.elapsed();
        status = Status();
        timerOn = TimerOn();
        tickAfter = ttick;
    });
    s.Add([&] { return live ? stop_flag == 0 && RawPlots() - plots >= 10 : Waiting(c.command); },
          [&] {
              ChooseItem(panelHandle, PANEL_DropDCom, 1); // COM2
              changed = clock.elapsed();
              statusAtChange = Status();
          },
          true);
    s.Add([] { return true; }, [&] { Close(); });
    s.Start();

    EXPECT_EQ(RunProgram(), 0);
    EXPECT_LT(closeClock_.elapsed(), kCloseLimitMs);
    ASSERT_FALSE(rescued_) << "the wait never ended";
    ASSERT_EQ(s.Done(), 3u);
    EXPECT_EQ(com, 2);
    if (reach == Reach::Silent) {
        EXPECT_EQ(statusAtChange, "Timeout-RS-232...");
        EXPECT_EQ(second_.Log("REQ", CMD_ECHO).size(), 2u)
            << "value changed and commit each checked the new line";
    } else {
        EXPECT_EQ(statusAtChange, "Cannot open port");
    }
    EXPECT_EQ(status, c.text);
    // It ran into its own time-out after the port change, not at once.
    EXPECT_GE(ended - changed, c.limitTicks * kTickMs / 2);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(tickAfter, 0u);
}

std::string PortChangeName(const ::testing::TestParamInfo<PortChangeParam> &info)
{
    return std::string(std::get<0>(info.param).name) + "To" +
           kReachNames[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Waits, PortChangeInsideAWait,
    ::testing::Combine(
        ::testing::Values(
            PortChangeCase{"Get", Start::Get, CMD_READ_RAM, WAIT_TICKS + 1, "Timeout-RS-232..."},
            PortChangeCase{"Teach", Start::Teach, CMD_TEACH, TEACH_TICKS, "Timeout-RS-232..."},
            PortChangeCase{"BackgroundTeach", Start::BackgroundTeach, CMD_TEACH_BACKGROUND,
                           WAIT_TICKS + 1, "Timeout-RS-232..."},
            PortChangeCase{"Run", Start::Run, 0, WAIT_TICKS + 1, "Timeout RS232-Line!"},
            PortChangeCase{"DataRead", Start::Data, 0, WAIT_TICKS + 1, "Timeout RS232-Line!"}),
        ::testing::Values(Reach::Silent, Reach::Missing, Reach::Busy)),
    PortChangeName);

// ---- A close while a wait is under way ----------------------------------

struct CloseCase {
    const char *name;
    std::vector<std::string> sim; // which answers the sensor keeps back
    Start start;
    int command;                  // the wait the close comes in
    bool insideAGet = false;      // the port change runs inside a Get's wait
};

void PrintTo(const CloseCase &c, std::ostream *os) { *os << c.name; }

class CloseDuringAWait : public Waits, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseDuringAWait, endsTheProgramWithZeroWithinASecond)
{
    const CloseCase &c = GetParam();
    ASSERT_TRUE(StartSim(c.sim));
    Script s;
    long long plots = 0;
    if (c.insideAGet) {
        s.Add(Shown, [&] { StartWait(Start::Get); });
        s.Add([] { return Waiting(CMD_READ_RAM); }, [&] { StartWait(c.start); }, true);
    } else {
        s.Add(Shown, [&] {
            plots = RawPlots();
            StartWait(c.start);
        });
    }
    if (c.start == Start::Run)
        s.Add([&] { return stop_flag == 0 && RawPlots() - plots >= 20; }, [&] { Close(); }, true);
    else
        s.Add([&] { return Waiting(c.command); }, [&] { Close(); }, true);
    s.Start();

    EXPECT_EQ(RunProgram(), 0);
    EXPECT_LT(closeClock_.elapsed(), kCloseLimitMs);
    EXPECT_FALSE(rescued_);
    EXPECT_EQ(s.Done(), c.insideAGet ? 3u : 2u);
    EXPECT_EQ(stop_flag, 1);
    // As at a normal end: the port closed, the panels gone.
    EXPECT_LT(ComWrt(com, szWriteBuf, FRAME_BYTES), 0);
    EXPECT_EQ(PanelWidget(panelHandle), nullptr);
}

// "--drop-every 1" with "--fault-cmds" keeps back the answers to those
// commands only, so the program starts as usual and then waits in vain.
std::vector<std::string> Withholding(const char *commands)
{
    return {"--baud", "0", "--drop-every", "1", "--fault-cmds", commands};
}

INSTANTIATE_TEST_SUITE_P(
    Waits, CloseDuringAWait,
    ::testing::Values(
        CloseCase{"Cycle", {"--baud", "0"}, Start::Run, CMD_MEASURE},
        CloseCase{"DataReadsMeasurement", Withholding("8"), Start::Data, CMD_MEASURE},
        CloseCase{"BlockRead", Withholding("9"), Start::Data, CMD_DATA_BLOCK},
        CloseCase{"Get", Withholding("2"), Start::Get, CMD_READ_RAM},
        CloseCase{"Teach", Withholding("5"), Start::Teach, CMD_TEACH},
        CloseCase{"BackgroundTeach", Withholding("6"), Start::BackgroundTeach,
                  CMD_TEACH_BACKGROUND},
        CloseCase{"LineCheck", Withholding("7"), Start::PortChange, CMD_ECHO},
        CloseCase{"LineCheckInsideAGet", Withholding("2,7"), Start::PortChange, CMD_ECHO,
                  true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
