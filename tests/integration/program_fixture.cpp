// The integration fixture: the program's start-up steps, the simulator and
// real widget input through Qt Test.
#include "program_fixture.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "core/status.h"
#include "app/record.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"
#include "widget_input.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

namespace {

char g_arg0[] = "integration";
char *g_argv[] = {g_arg0, nullptr};
RunTimeInstance g_instance{1, g_argv};

// Puts the variables that InitVars does not set back to their load values,
// so each test starts like a fresh process.
void ResetLoadValues()
{
    graphrefresh = 0;
    ttick = 0;
    nBytesW = nBytesR = ret = ref_flag = value = 0;
    szStatus[0] = '\0';
    for (auto &w : pp)
        w = 0;
    for (auto &s : adcbuf)
        s = 0;
    proj_dir[0] = file_name[0] = '\0';
    scaleF = 1.0f;
    hidePopUp = 1;
    pix1 = edcnt = mvstart = mvend = 0;
}

} // namespace

void ProgramTest::SetUpTestSuite()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ASSERT_EQ(InitRunTime(&g_instance), 1);
    int count = 0;
    const CallbackName *callbacks = ProgramCallbacks(count);
    RegisterCallbacks(callbacks, count);
    RegisterControls(kQzanControls, kQzanControlCount);
    SetMessageSink(ShowStatusText);
}

void ProgramTest::SetUp()
{
    namespace fs = std::filesystem;
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = (fs::temp_directory_path() /
            ("qzan-it-" + std::to_string(getpid()) + "-" + info->name()))
               .string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    link_ = dir_ + "/com1";
    log_ = dir_ + "/sim.log";
    setenv("QZAN_COM1", link_.c_str(), 1);
    ResetLoadValues();
}

void ProgramTest::TearDown()
{
    // Before anything lets events run: a waiter's functions may refer to
    // the test's locals, which are gone now.
    EndWaiters();
    StopProgram();
    // A close in the test asked the run-time to quit, and no event loop ran
    // here to take the request: take it now, so the next test starts afresh.
    if (ProcessSystemEvents() != 0)
        RunUserInterface();
    sim_.Stop();
    SetFilePopupHook(nullptr);
    std::filesystem::remove_all(dir_);
}

bool ProgramTest::StartSim(const std::vector<std::string> &options)
{
    return sim_.Start(link_, options, log_);
}

void ProgramTest::StartProgram()
{
    panelHandle = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
    ASSERT_GT(panelHandle, 0);
    panelPopUp = LoadPanel(panelHandle, QZAN_PANEL_FILE, POPUP);
    ASSERT_GT(panelPopUp, 0);
    GetProjectDir(proj_dir, sizeof proj_dir);
    InitVars();
    InitRS232(com);
    DisplayPanel(panelHandle);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PanelWidget(panelHandle)));
    programStarted_ = true;
}

void ProgramTest::SilenceSensor()
{
    sim_.Stop();
    ASSERT_TRUE(StartSim({"--silent"}));
    InitRS232(com);
}

void ProgramTest::StopProgram()
{
    if (!programStarted_)
        return;
    stop_flag = 1;
    StopRecording();
    CloseCom(com);
    DiscardPanel(panelPopUp);
    DiscardPanel(panelHandle);
    programStarted_ = false;
    Spin(1);
}

bool ProgramTest::WaitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        ProcessSystemEvents();
    }
    return true;
}

void ProgramTest::Spin(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        ProcessSystemEvents();
}

struct ProgramTest::Waiter {
    QTimer poll;
    QElapsedTimer clock;
    std::function<bool()> when;
    std::function<void()> action;
};

ProgramTest::ProgramTest() = default;
ProgramTest::~ProgramTest() = default;

// The waiter is never deleted from inside its own slot (the action may run a
// whole cycle with further waiters in it): a waiter that fired or gave up
// only stops its timer, and ends with the others.
void ProgramTest::When(const std::function<bool()> &when, const std::function<void()> &action,
                       int limitMs)
{
    auto waiter = std::make_unique<Waiter>();
    Waiter *w = waiter.get();
    w->when = when;
    w->action = action;
    w->poll.setInterval(5);
    w->clock.start();
    QObject::connect(&w->poll, &QTimer::timeout, [w, limitMs] {
        if (!w->when()) {
            if (w->clock.elapsed() <= limitMs)
                return;
            w->poll.stop();
            ADD_FAILURE() << "the condition of a When() did not hold within " << limitMs
                          << " ms";
            stop_flag = 1;
            return;
        }
        w->poll.stop();
        w->action();
    });
    w->poll.start();
    waiters_.push_back(std::move(waiter));
}

void ProgramTest::EndWaiters() { waiters_.clear(); }

QWidget *ProgramTest::Widget(int panel, int control) const { return ControlWidget(panel, control); }

void ProgramTest::Click(int panel, int control) { ASSERT_TRUE(qzan::test::Click(panel, control)); }

void ProgramTest::Press(int panel, int control) { ASSERT_TRUE(qzan::test::Press(panel, control)); }

void ProgramTest::Release(int panel, int control)
{
    ASSERT_TRUE(qzan::test::Release(panel, control));
}

void ProgramTest::PressKey(int panel, int control, int key)
{
    ASSERT_TRUE(qzan::test::PressKey(panel, control, key));
}

void ProgramTest::ChooseItem(int panel, int control, int index)
{
    ASSERT_TRUE(qzan::test::ChooseItem(panel, control, index));
}

void ProgramTest::TypeNumber(int panel, int control, double number)
{
    ASSERT_TRUE(qzan::test::TypeNumber(panel, control, number));
}

std::string ProgramTest::Status() const
{
    char text[256] = "";
    GetCtrlVal(panelHandle, PANEL_STATUS, text, sizeof text);
    return text;
}

bool ProgramTest::Dimmed(int panel, int control) const
{
    int dimmed = 0;
    GetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed);
    return dimmed != 0;
}

int ProgramTest::IntValue(int panel, int control) const
{
    int v = 0;
    GetCtrlVal(panel, control, v);
    return v;
}

std::string ProgramTest::TempPath(const std::string &name) const { return dir_ + "/" + name; }
