// The run-time's start without a display, and the process arguments that
// either start hands to its Qt application.
#include "platform/runtime/internal.h"
#include "platform/runtime/loop.h"

#include <QCoreApplication>

namespace {

int g_argc = 0;
char **g_argv = nullptr;
char g_noArgs[] = "QzanRMRivad";
char *g_noArgv[] = {g_noArgs, nullptr};

} // namespace

namespace rt {

void KeepArguments(void *instance, int *&argc, char **&argv)
{
    auto *args = static_cast<RunTimeInstance *>(instance);
    if (args && args->argc > 0 && args->argv) {
        g_argc = args->argc;
        g_argv = args->argv;
    } else {
        g_argc = 1;
        g_argv = g_noArgv;
    }
    argc = &g_argc;
    argv = g_argv;
}

} // namespace rt

int InitCoreRunTime(void *instance)
{
    if (QCoreApplication::instance())
        return 1;
    int *argc = nullptr;
    char **argv = nullptr;
    rt::KeepArguments(instance, argc, argv);
    new QCoreApplication(*argc, argv);
    return 1;
}
