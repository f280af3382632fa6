// qzan-startup-probe: the program's start-up as WinMain runs it (run-time,
// both panels, GetProjectDir, InitVars, InitRS232, DisplayPanel), then waits
// until the main window is exposed and prints
//   exposed <s> main <s> rss <KiB> status <text>
// with monotonic clock readings, so the caller can count from its own fork.
// Links what the program links and nothing for testing, so that loading the
// libraries costs what it costs the program.
#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "bench/resident.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}


// Ends a local loop on the window's first expose event.
class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(QEventLoop &loop) : loop_(loop) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose) {
            auto *window = static_cast<QWindow *>(watched);
            if (window->isExposed())
                QTimer::singleShot(0, &loop_, [this] { loop_.quit(); });
        }
        return false;
    }

private:
    QEventLoop &loop_;
};

bool WaitExposed(QWidget *widget)
{
    QWindow *window = widget ? widget->windowHandle() : nullptr;
    if (!window)
        return false;
    if (window->isExposed())
        return true;
    QEventLoop loop;
    ExposeWatch watch(loop);
    window->installEventFilter(&watch);
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    const int result = loop.exec();
    window->removeEventFilter(&watch);
    return result == 0 && window->isExposed();
}

} // namespace

int main(int argc, char **argv)
{
    const double atMain = Seconds();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RunTimeInstance instance{argc, argv};
    if (InitRunTime(&instance) == 0)
        return 1;
    int count = 0;
    const CallbackName *callbacks = ProgramCallbacks(count);
    RegisterCallbacks(callbacks, count);
    RegisterControls(kQzanControls, kQzanControlCount);
    if ((panelHandle = LoadPanel(0, QZAN_PANEL_FILE, PANEL)) < 0)
        return 1;
    if ((panelPopUp = LoadPanel(panelHandle, QZAN_PANEL_FILE, POPUP)) < 0)
        return 1;
    GetProjectDir(proj_dir, sizeof proj_dir);
    InitVars();
    InitRS232(com);
    DisplayPanel(panelHandle);
    if (!WaitExposed(PanelWidget(panelHandle)))
        return 1;
    const double exposed = Seconds();
    const long rss = VmRssKib();
    char status[256] = "";
    GetCtrlVal(panelHandle, PANEL_STATUS, status, sizeof status);
    std::printf("exposed %.6f main %.6f rss %ld status %s\n", exposed, atMain, rss, status);
    std::fflush(stdout);
    CloseCom(com);
    DiscardPanel(panelPopUp);
    DiscardPanel(panelHandle);
    return 0;
}
