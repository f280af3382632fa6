// Pictures of the live program for the operator's eye and the README: the
// main panel during a data read, the settings popup, the compare window and
// the line monitor during a cycle, and the trend window. Runs only when
// QZAN_SNAPSHOT_DIR names a folder to write the PNG files into.
#include "program_fixture.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"
#include "views/compare.h"
#include "views/monitor.h"
#include "views/trend.h"
#include "views/trend_live.h"

#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace {

using Snapshot = ProgramTest;

TEST_F(Snapshot, liveMeasurement)
{
    const char *dir = std::getenv("QZAN_SNAPSHOT_DIR");
    if (!dir)
        GTEST_SKIP() << "set QZAN_SNAPSHOT_DIR to take the pictures";
    ASSERT_TRUE(StartSim({"--baud", "19200", "--drift", "25", "--noise", "6"}));
    StartProgram();
    // The sensor evaluates by the mode it was sent, so send the drop-down's
    // choice before the picture shows it.
    ChooseItem(panelHandle, PANEL_DropDEvalmode, 2);
    Click(panelHandle, PANEL_BTNSend);
    ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", CMD_WRITE_RAM).empty(); }, 3000));
    const GraphModel *data = GetGraphModel(panelHandle, PANEL_GraphData);
    const long long before = data->curvesDrawn;
    When([&] { return data->curvesDrawn - before >= 8; },
         [&] {
             Spin(50); // let the last frame be drawn
             PanelWidget(panelHandle)->grab().save(QString(dir) + "/live-measurement.png");
             Click(panelHandle, PANEL_BTNStop);
         });
    Click(panelHandle, PANEL_BTNData);
    Click(panelHandle, PANEL_BTN_CCDSettings);
    Spin(100);
    PanelWidget(panelPopUp)->grab().save(QString(dir) + "/settings-popup.png");
}

TEST_F(Snapshot, compareWindow)
{
    const char *dir = std::getenv("QZAN_SNAPSHOT_DIR");
    if (!dir)
        GTEST_SKIP() << "set QZAN_SNAPSHOT_DIR to take the pictures";
    ASSERT_TRUE(StartSim({"--baud", "19200"}));
    StartProgram();
    // RAM apart from the EEPROM, and the panels apart from both.
    SetCtrlVal(panelHandle, PANEL_Slide_Power, 720);
    SetCtrlVal(panelHandle, PANEL_NEDITVideoThreshold, 430);
    Click(panelHandle, PANEL_BTNSend);
    ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", CMD_WRITE_RAM).empty(); }, 3000));
    SetCtrlVal(panelPopUp, POPUP_NEDITTolerance, 80);
    Click(panelHandle, PANEL_BTNCompare);
    QWidget *window = CompareWindowWidget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QPushButton *fetch = window->findChild<QPushButton *>("BTNCompareFetch");
    Spin(50);
    ASSERT_TRUE(WaitUntil([&] { return fetch->isEnabled(); }, 10000));
    Spin(100);
    window->grab().save(QString(dir) + "/compare-window.png");
    window->close();
}

TEST_F(Snapshot, lineMonitor)
{
    const char *dir = std::getenv("QZAN_SNAPSHOT_DIR");
    if (!dir)
        GTEST_SKIP() << "set QZAN_SNAPSHOT_DIR to take the pictures";
    ASSERT_TRUE(StartSim({"--baud", "19200", "--drift", "25", "--noise", "6", "--extra-every",
                          "40", "--extra-bytes", "3"}));
    StartProgram();
    Click(panelHandle, PANEL_BTNMonitor);
    QWidget *window = LineMonitorWidget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    Click(panelHandle, PANEL_BTNGet);
    When([&] { return sim_.Log("ANS", CMD_MEASURE).size() >= 45; },
         [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNRun);
    Spin(400);
    window->grab().save(QString(dir) + "/line-monitor.png");
    window->close();
}

TEST_F(Snapshot, trendWindow)
{
    const char *dir = std::getenv("QZAN_SNAPSHOT_DIR");
    if (!dir)
        GTEST_SKIP() << "set QZAN_SNAPSHOT_DIR to take the pictures";
    ASSERT_TRUE(StartSim({"--baud", "19200"}));
    StartProgram();
    // Eight minutes of answers that wander inside the band, with a short
    // excursion above it, as the cycle's feed would have collected them.
    trend::Live &live = trend::TheLive();
    live = trend::Live();
    const auto start = std::chrono::steady_clock::now() - std::chrono::minutes(8);
    std::uint32_t noise = 7;
    for (int i = 0; i < 8 * 60 * 26; ++i) {
        noise = noise * 1103515245u + 12345u;
        qzan::protocol::Measurement m;
        const double t = i / 26.0;
        const double excursion = t > 300 && t < 312 ? 22 : 0;
        m.measured = static_cast<std::uint16_t>(
            std::lround(412 + 14 * std::sin(t / 40) + excursion + (noise >> 29) - 4.0));
        m.edge1 = 300;
        m.edge2 = static_cast<std::uint16_t>(300 + m.measured);
        m.teach = 412;
        m.tolerance = 30;
        trend::Feed(live, start + std::chrono::milliseconds(i * 1000 / 26), m);
    }
    Click(panelHandle, PANEL_BTNTrend);
    QWidget *window = TrendWindowWidget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    Spin(600);
    window->grab().save(QString(dir) + "/trend-window.png");
    window->close();
}

} // namespace
