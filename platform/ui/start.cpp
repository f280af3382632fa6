// The run-time's start with a display: the Qt application that panels and
// their widgets need.
#include "platform/ui/start.h"

#include "platform/runtime/internal.h"
#include "platform/ui.h"

#include <QApplication>

#include <cstdlib>

namespace ui {

bool Started() { return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr; }

} // namespace ui

int InitRunTime(void *instance)
{
    if (QCoreApplication::instance())
        return ui::Started() ? 1 : 0; // without a display no widget can be made
    int *argc = nullptr;
    char **argv = nullptr;
    rt::KeepArguments(instance, argc, argv);
#if defined(Q_OS_LINUX)
    // Without a display Qt would abort the process; a failed start must
    // instead end quietly with its exit code.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY"))
        return 0;
#endif
    auto *app = new QApplication(*argc, argv);
    app->setQuitOnLastWindowClosed(false);
    return 1;
}
