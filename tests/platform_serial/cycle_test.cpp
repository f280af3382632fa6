// The live cycle's path at full speed (answer, callback, read, flush, next
// request) against a device that answers each request at once. Prints the
// cost of one exchange; asserts only that no frame is lost or doubled.
#include "support.h"

#include "platform/rs232.h"

#include <QSocketNotifier>

#include <gtest/gtest.h>

#include <ctime>
#include <unistd.h>

namespace {

constexpr int kPort = 9;
constexpr int kExchanges = 2000;

struct Cycle {
    int answers = 0;
    int shortReads = 0;
    std::string request = Frame(36);
};

void ProgramLikeCallback(int port, int events, void *data)
{
    auto *cycle = static_cast<Cycle *>(data);
    if (!(events & COM_EV_NOTIFY))
        return;
    char answer[36];
    cycle->shortReads += ComRd(port, answer, 36) != 36;
    FlushInQ(port);
    if (++cycle->answers < kExchanges)
        ComWrt(port, cycle->request.data(), 36);
}

TEST(LiveCycle, twoThousandExchangesLoseNoFrame)
{
    PtyPair pty;
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    QSocketNotifier device(pty.master, QSocketNotifier::Read);
    std::size_t pending = 0;
    QObject::connect(&device, &QSocketNotifier::activated, [&] {
        char bytes[512];
        const ssize_t n = ::read(pty.master, bytes, sizeof bytes);
        for (pending += n > 0 ? static_cast<std::size_t>(n) : 0; pending >= 36; pending -= 36)
            pty.send(Frame(36));
    });

    Cycle cycle;
    ASSERT_EQ(InstallComCallback(kPort, COM_EV_NOTIFY | COM_EV_RXFLAG | COM_EV_TXEMPTY, 36, 0x55,
                                 ProgramLikeCallback, &cycle),
              0);
    const std::clock_t cpu = std::clock();
    const double wall = WallSeconds();
    ASSERT_EQ(ComWrt(kPort, cycle.request.data(), 36), 36);
    RunEvents(30000, [&] { return cycle.answers >= kExchanges; });
    const double seconds = WallSeconds() - wall;
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    std::printf("%d exchanges in %.3f s: %.0f a second, %.1f us of CPU each (both ends)\n",
                cycle.answers, seconds, cycle.answers / seconds, cpuSeconds / cycle.answers * 1e6);

    EXPECT_EQ(cycle.answers, kExchanges);
    EXPECT_EQ(cycle.shortReads, 0);
    RunEvents(200);
    EXPECT_EQ(cycle.answers, kExchanges); // none reported twice
    CloseCom(kPort);
}

} // namespace
