// The program's message sink.
#include "platform/ui/messages.h"

#include "platform/runtime/internal.h"
#include "platform/ui.h"
#include "platform/ui/registry.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace {

void (*g_sink)(const char *text) = nullptr;

// Messages of one owner do not merge: each is its own report.
int g_nextKey = 0;

} // namespace

void SetMessageSink(void (*sink)(const char *text)) { g_sink = sink; }

namespace ui {

void Tell(QObject *owner, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    // Keys of the message dispatch count down from -1, clear of the event
    // codes that other dispatches use.
    g_nextKey = g_nextKey <= -1000000 ? -1 : g_nextKey - 1;
    rt::Dispatch(owner, g_nextKey, [utf8] {
        if (g_sink) {
            CallbackScope scope; // the sink is the program's code, like a callback
            g_sink(utf8.constData());
        } else {
            std::fprintf(stderr, "%s\n", utf8.constData());
            std::fflush(stderr);
        }
    });
}

} // namespace ui
