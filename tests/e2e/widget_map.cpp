// Prints where the controls of the main panel lie, so that the end-to-end
// test can press them with the mouse in the real program: it loads the panel
// file as the program does, on the same display, and prints for each control
// "name x y", its centre in the window's coordinates.
#include "app/QzanRMRivad.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    RunTimeInstance instance{argc, argv};
    if (InitRunTime(&instance) != 1)
        return 2;
    int count = 0;
    const CallbackName *callbacks = ProgramCallbacks(count);
    RegisterCallbacks(callbacks, count);
    RegisterControls(kQzanControls, kQzanControlCount);
    const int panel = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
    if (panel < 0)
        return 2;
    DisplayPanel(panel);
    QWidget *window = PanelWidget(panel);
    if (!QTest::qWaitForWindowExposed(window))
        return 2;
    for (const ControlName &c : kQzanControls) {
        if (c.panel != PANEL)
            continue;
        QWidget *w = ControlWidget(panel, c.id);
        if (!w)
            continue;
        const QPoint at = w->mapTo(window, w->rect().center());
        std::printf("%s %d %d\n", c.name, at.x(), at.y());
    }
    DiscardPanel(panel);
    return 0;
}
