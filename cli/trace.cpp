// qzan --trace: every frame the tool sends and receives, one line each on
// the standard error, as the program's line monitor lists them.
#include "cli/cli.h"

#include "core/protocol/describe.h"
#include "platform/serial/tap.h"

#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace qzan::cli {

namespace {

struct Trace {
    QElapsedTimer clock;
    protocol::LineReader reader;
    std::vector<protocol::FrameLine> lines;
    bool on = false;

    void Print()
    {
        const long long ms = clock.elapsed();
        for (const protocol::FrameLine &line : lines)
            std::fprintf(stderr, "%s\n", protocol::TraceLine(ms, line).c_str());
        if (!lines.empty())
            std::fflush(stderr);
        lines.clear();
    }
};

Trace g_trace;

void Tap(int, int way, const char *bytes, int count, void *)
{
    if (way == COM_TAP_DISCARDED) {
        g_trace.reader.Discard(count, g_trace.lines);
    } else if (bytes && count > 0) {
        const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t *>(bytes),
                                                 static_cast<std::size_t>(count));
        g_trace.reader.Feed(way == COM_TAP_SENT ? protocol::Way::Sent : protocol::Way::Received,
                            span, g_trace.lines);
    }
    g_trace.Print();
}

} // namespace

void StartTrace()
{
    g_trace.clock.start();
    g_trace.on = true;
    SetComTap(Tap, nullptr);
}

void EndTrace()
{
    if (!g_trace.on)
        return;
    SetComTap(nullptr, nullptr);
    g_trace.on = false;
    g_trace.reader.Flush(g_trace.lines); // what never came whole
    g_trace.Print();
}

} // namespace qzan::cli
