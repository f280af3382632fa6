// The event loop and ProcessSystemEvents, the names the program registers,
// and the hold-back of program callbacks while another run-time operation is
// in progress. Qt Core alone: the serial ports need no display.
#include "platform/inspect.h"
#include "platform/runtime/internal.h"
#include "platform/runtime/loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <cstring>
#include <vector>

namespace {

// A waiting loop calls ProcessSystemEvents over and over; when nothing is
// pending it sleeps until the next event, but no longer than this, so that a
// loop whose flags can only change in callbacks costs no CPU and never hangs.
constexpr int kGuardMs = 40;

const CallbackName *g_callbacks = nullptr;
int g_callbackCount = 0;
const ControlName *g_controls = nullptr;
int g_controlCount = 0;

QEventLoop *g_mainLoop = nullptr;
// Set by QuitUserInterface until the event loop it ends has returned. A
// quit outlives the callback that asked for it: waits on the stack below
// it end at their next pass, and the operator's input starts nothing new.
bool g_quitRequested = false;
int g_quitCode = 0;

QTimer *g_guard = nullptr;
bool g_guardFired = false;
EventLoopStats g_stats;

int g_operationDepth = 0;

struct Deferred {
    QPointer<QObject> owner;
    bool hasOwner;
    int key;
    std::function<void()> call;
};
std::vector<Deferred> g_deferred;
bool g_flushPosted = false;

void RunDeferred();

void PostFlush()
{
    if (g_flushPosted || g_deferred.empty() || !QCoreApplication::instance())
        return;
    g_flushPosted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { RunDeferred(); },
                              Qt::QueuedConnection);
}

void RunDeferred()
{
    g_flushPosted = false;
    if (g_operationDepth > 0)
        return; // the ending operation posts again
    // A deferred call may run a wait of its own, inside which this runs
    // again: each run takes its calls off the shared list into a list of
    // its own, so neither touches the other's.
    std::vector<Deferred> running;
    running.swap(g_deferred);
    for (std::size_t i = 0; i < running.size(); ++i) {
        Deferred &d = running[i];
        if (d.hasOwner && d.owner.isNull())
            continue;
        if (g_operationDepth > 0) { // a call below started an operation
            g_deferred.push_back(std::move(d));
            continue;
        }
        d.call();
    }
    PostFlush();
}

} // namespace

namespace rt {

CtrlCallback FindControlCallback(const char *name)
{
    for (int i = 0; name && i < g_callbackCount; ++i)
        if (g_callbacks[i].control && std::strcmp(g_callbacks[i].name, name) == 0)
            return g_callbacks[i].control;
    return nullptr;
}

PanelCallback FindPanelCallback(const char *name)
{
    for (int i = 0; name && i < g_callbackCount; ++i)
        if (g_callbacks[i].panel && std::strcmp(g_callbacks[i].name, name) == 0)
            return g_callbacks[i].panel;
    return nullptr;
}

const ControlName *Controls(int &count)
{
    count = g_controlCount;
    return g_controls;
}

OperationScope::OperationScope() { ++g_operationDepth; }

OperationScope::~OperationScope()
{
    if (--g_operationDepth == 0)
        PostFlush();
}

bool InOperation() { return g_operationDepth > 0; }

bool Quitting() { return g_quitRequested; }

void Dispatch(QObject *owner, int key, const std::function<void()> &call)
{
    if (g_operationDepth == 0) {
        call();
        return;
    }
    for (auto &d : g_deferred)
        if (d.owner == owner && d.hasOwner == (owner != nullptr) && d.key == key)
            return; // one pending call of this kind is enough
    g_deferred.push_back(Deferred{owner, owner != nullptr, key, call});
}

} // namespace rt

void RegisterCallbacks(const CallbackName *table, int count)
{
    g_callbacks = table;
    g_callbackCount = table ? count : 0;
}

void RegisterControls(const ControlName *table, int count)
{
    g_controls = table;
    g_controlCount = table ? count : 0;
}

int RunUserInterface(void)
{
    if (!QCoreApplication::instance())
        return UIE_NO_RUNTIME;
    if (g_quitRequested) { // asked before the loop began: it ends at once
        g_quitRequested = false;
        return g_quitCode;
    }
    QEventLoop loop;
    QEventLoop *outer = g_mainLoop;
    g_mainLoop = &loop;
    const int code = loop.exec();
    g_mainLoop = outer;
    g_quitRequested = false;
    return code;
}

int QuitUserInterface(int code)
{
    g_quitCode = code;
    g_quitRequested = true;
    // Takes effect once the callbacks on the stack have returned; the waits
    // among them learn of it from ProcessSystemEvents.
    if (g_mainLoop)
        g_mainLoop->exit(code);
    return 0;
}

int ProcessSystemEvents(void)
{
    if (!QCoreApplication::instance())
        return 0;
    ++g_stats.processCalls;
    if (!g_guard) {
        g_guard = new QTimer(QCoreApplication::instance());
        g_guard->setSingleShot(true);
        g_guard->setTimerType(Qt::CoarseTimer);
        QObject::connect(g_guard, &QTimer::timeout, [] { g_guardFired = true; });
    }
    if (g_quitRequested) {
        // Nothing is worth waiting for now; what is pending still runs, so
        // the program's windows and ports wind down as at any other time.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return 1;
    }
    g_guardFired = false;
    g_guard->start(kGuardMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    g_guard->stop();
    if (g_guardFired)
        ++g_stats.guardExpiries;
    return g_quitRequested ? 1 : 0;
}

const EventLoopStats &GetEventLoopStats() { return g_stats; }

int GetProjectDir(char *dir, std::size_t size)
{
    if (!dir || size == 0)
        return UIE_BAD_HANDLE;
    dir[0] = '\0';
    if (!QCoreApplication::instance())
        return UIE_NO_RUNTIME;
    const QByteArray path = QCoreApplication::applicationDirPath().toLocal8Bit();
    if (static_cast<std::size_t>(path.size()) >= size)
        return UIE_BAD_FILE; // does not fit: leave the buffer empty, never cut
    std::memcpy(dir, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    return 0;
}
