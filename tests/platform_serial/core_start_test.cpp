// The serial services in a program without a display: started by
// InitCoreRunTime (a Qt core application, no QApplication), linked with the
// serial and run-time rooms alone. A frame goes out, the reply comes back
// through the receive callback from the event loop, a failed open says why.
#include "support.h"

#include "platform/rs232.h"
#include "platform/runtime/loop.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kPort = 5;

char g_name[] = "platform_serial_core_tests";
char *g_argv[] = {g_name, nullptr};

class CoreRunTime : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Nothing to show on: a start with a display would refuse here.
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        RunTimeInstance instance{1, g_argv};
        ASSERT_EQ(InitCoreRunTime(&instance), 1);
    }
    void TearDown() override { CloseCom(kPort); }
};

std::string MappedLibraries()
{
    std::ifstream maps("/proc/self/maps");
    return std::string(std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>());
}

struct Exchange {
    std::vector<int> events;
    std::string reply;
    bool fromTheLoop = false;
};
bool g_inLoop = false;

void ReplyCallback(int port, int eventMask, void *callbackData)
{
    auto *exchange = static_cast<Exchange *>(callbackData);
    exchange->events.push_back(eventMask);
    exchange->fromTheLoop = g_inLoop;
    char buffer[36];
    const int got = ComRd(port, buffer, sizeof buffer);
    if (got > 0)
        exchange->reply.append(buffer, static_cast<std::size_t>(got));
    QuitUserInterface(0);
}

} // namespace

TEST_F(CoreRunTime, startsACoreApplicationOnceAndLoadsNoLibraryForWindows)
{
    QCoreApplication *app = QCoreApplication::instance();
    ASSERT_NE(app, nullptr);
    EXPECT_FALSE(app->inherits("QGuiApplication"));
    RunTimeInstance instance{1, g_argv};
    EXPECT_EQ(InitCoreRunTime(&instance), 1);
    EXPECT_EQ(QCoreApplication::instance(), app);
    const QString program = QCoreApplication::arguments().value(0);
    EXPECT_EQ(program.section(QLatin1Char('/'), -1).toStdString(), g_name);

    const std::string maps = MappedLibraries();
    ASSERT_NE(maps.find("libQt6Core"), std::string::npos);
    for (const char *library : {"libQt6Gui", "libQt6Widgets", "libQt6UiTools", "libQt6Svg",
                                "qcustomplot"})
        EXPECT_EQ(maps.find(library), std::string::npos) << library << " is loaded";
}

TEST_F(CoreRunTime, aFrameGoesOutAndItsReplyComesThroughTheCallbackFromTheEventLoop)
{
    PtyPair pty;
    ASSERT_FALSE(pty.slave.empty());
    ASSERT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0);
    EXPECT_EQ(std::string(ComPortDevice(kPort)), pty.slave); // reached through QZAN_COM5
    Exchange exchange;
    ASSERT_EQ(InstallComCallback(kPort, COM_EV_NOTIFY, 36, 0, ReplyCallback, &exchange), 0);

    const std::string request = Frame(36);
    ASSERT_EQ(ComWrt(kPort, request.data(), 36), 36);
    EXPECT_EQ(pty.receive(36), request);

    // The reply comes in two pieces; the callback waits for the whole frame.
    const std::string reply = Frame(36).replace(2, 6, "reply!");
    pty.send(reply.substr(0, 20));
    RunEvents(100);
    EXPECT_TRUE(exchange.events.empty()) << "called for 20 of 36 bytes";
    pty.send(reply.substr(20));
    // The callback ends the loop; the timer only keeps a broken run from hanging.
    QTimer::singleShot(5000, [] { QuitUserInterface(-1); });
    g_inLoop = true;
    const int code = RunUserInterface();
    g_inLoop = false;

    EXPECT_EQ(code, 0) << "no callback within 5 s";
    EXPECT_EQ(exchange.events, std::vector<int>{COM_EV_NOTIFY});
    EXPECT_TRUE(exchange.fromTheLoop);
    EXPECT_EQ(exchange.reply, reply);
    EXPECT_EQ(GetInQLen(kPort), 0);
}

TEST_F(CoreRunTime, aFailedOpenNamesTheDeviceAndTheReason)
{
    const std::string missing = "/nonexistent/qzan-no-such-port";
    ::setenv("QZAN_COM5", missing.c_str(), 1);
    EXPECT_EQ(OpenComConfig(kPort, "", 19200, COM_PARITY_NONE, 8, 1, 4096, 4096),
              COM_CANNOT_OPEN);
    const std::string detail = ComLastErrorDetail(kPort);
    EXPECT_EQ(detail.rfind(missing + ": ", 0), 0u) << detail;
    EXPECT_NE(detail.find("the device is not present"), std::string::npos) << detail;
    char byte = 0;
    EXPECT_EQ(ComWrt(kPort, &byte, 1), COM_NOT_OPEN);
    EXPECT_EQ(OpenComConfig(0, "", 19200, COM_PARITY_NONE, 8, 1, 4096, 4096), COM_INVALID_PORT);
}
