// The trend window against the simulator: it follows a running cycle, is
// closed and reopened while the cycle goes on and shows what was collected
// meanwhile; the limit alarm from answers of a recording replayed row by
// row, in the window's title and in the recording's alarm column; exports;
// the unit switch.
#include "program_fixture.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"
#include "views/trend.h"
#include "views/trend_live.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <qcustomplot.h>

#include <fstream>
#include <sstream>

namespace {

std::string g_recordPath;

int AnswerPopup(const FilePopupRequest &, std::string &path)
{
    path = g_recordPath;
    return FILE_POPUP_NEW;
}

std::vector<std::string> Fields(const std::string &line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, ',');)
        fields.push_back(f);
    return fields;
}

std::vector<std::string> Lines(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

class Trend : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        trend::TheLive() = trend::Live();
    }
    void TearDown() override
    {
        SetFilePopupHook(nullptr);
        if (QWidget *w = TrendWindowWidget())
            w->close();
        ProgramTest::TearDown();
    }
    long long RawPlots() const { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }
    // Runs the cycle until `answers` more are plotted, with `during` called
    // from inside it once, at half of them.
    void RunFor(long long answers, const std::function<void()> &during = {})
    {
        const long long before = RawPlots();
        if (during)
            When([=, this] { return RawPlots() - before >= answers / 2; }, during);
        When([=, this] { return RawPlots() - before >= answers; },
             [this] { Click(panelHandle, PANEL_BTNStop); });
        Click(panelHandle, PANEL_BTNRun);
    }
    QWidget *Window() const { return TrendWindowWidget(); }
    template <typename T> T *Child(const char *name) const
    {
        return Window() ? Window()->findChild<T *>(name) : nullptr;
    }
    QCustomPlot *Plot() const { return Child<QCustomPlot>("trendPlot"); }
    // A recording whose measured values are given; setpoint 400, tolerance 10.
    std::string Recording(const std::vector<int> &measured)
    {
        std::ostringstream text;
        text << "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance\n";
        for (std::size_t i = 0; i < measured.size(); ++i)
            text << i * 40 << ",300," << 300 + measured[i] << ',' << measured[i] << ",400,10,0,2,"
                 << (std::abs(measured[i] - 400) <= 10 ? 1 : 0) << '\n';
        const std::string path = TempPath("replay.csv");
        std::ofstream(path) << text.str();
        return path;
    }
};

TEST_F(Trend, followsTheCycleAndKeepsCollectingWhileClosed)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    // Answers before the window was ever opened are collected too.
    const long long start = RawPlots();
    RunFor(20);
    const trend::Live &live = trend::TheLive();
    EXPECT_EQ(static_cast<long long>(live.series.Size()), RawPlots() - start);

    Click(panelHandle, PANEL_BTNTrend);
    ASSERT_TRUE(WaitUntil([&] { return Window() && Window()->isVisible(); }, 3000));
    EXPECT_EQ(Window()->windowTitle(), TXT_TREND_TITLE);
    ASSERT_TRUE(Plot());
    // Following: the newest answer lies inside the shown time.
    bool closedDuringCycle = false;
    RunFor(300, [&] {
        const double newest =
            live.originEpochMs / 1000 + live.series.Times().back() / 1000.0;
        EXPECT_TRUE(WaitUntil([&] { return Plot()->xAxis->range().contains(newest); }, 3000));
        // A close in the middle of the cycle: the cycle goes on.
        Window()->close();
        closedDuringCycle = !Window()->isVisible();
    });
    EXPECT_TRUE(closedDuringCycle);
    EXPECT_EQ(Status(), "Line Ok!") << "the cycle ended by Stop, not by the close";
    const long long plotted = RawPlots() - start;
    EXPECT_EQ(static_cast<long long>(live.series.Size()), plotted);
    EXPECT_GE(plotted, 320);

    // Reopened: the same window with everything collected, the newest answer in view.
    QWidget *before = Window();
    Click(panelHandle, PANEL_BTNTrend);
    ASSERT_TRUE(WaitUntil([&] { return Window()->isVisible(); }, 3000));
    EXPECT_EQ(Window(), before);
    const double newest = live.originEpochMs / 1000 + live.series.Times().back() / 1000.0;
    EXPECT_TRUE(WaitUntil([&] { return Plot()->xAxis->range().contains(newest); }, 3000));
    EXPECT_EQ(Window()->windowTitle(), TXT_TREND_TITLE);
}

TEST_F(Trend, kOfNOutsideRaisesALatchedAlarmThatTheRecordingMarks)
{
    // 10 inside, then 3 outside in 5 (start), then inside again (end).
    std::vector<int> values(10, 400);
    for (int v : {420, 400, 430, 385, 400, 400, 400, 400, 400, 400, 400, 400})
        values.push_back(v);
    values.resize(400, 400);
    ASSERT_TRUE(StartSim({"--baud", "0", "--replay", Recording(values), "--replay-speed", "0"}));
    StartProgram();
    Click(panelHandle, PANEL_BTNTrend);
    ASSERT_TRUE(WaitUntil([&] { return Window() && Window()->isVisible(); }, 3000));
    g_recordPath = TempPath("alarm.csv");
    SetFilePopupHook(AnswerPopup);
    Click(panelHandle, PANEL_BIN_Sw_Record);
    RunFor(60);
    Click(panelHandle, PANEL_BIN_Sw_Record);

    const trend::Live &live = trend::TheLive();
    EXPECT_FALSE(live.alarm.Active());
    EXPECT_TRUE(live.alarm.Latched()) << "stays until acknowledged";
    EXPECT_EQ(live.alarmStarts, 1u);
    EXPECT_TRUE(WaitUntil([&] { return Window()->windowTitle() == TXT_TREND_ALARM_TITLE; }, 3000));

    // The alarm column: 1 from the answer that made it 3 of the last 5
    // outside up to the last one that kept it so, worked out here from the
    // rows' own in_tolerance column.
    const auto lines = Lines(g_recordPath);
    ASSERT_GT(lines.size(), 30u);
    EXPECT_EQ(lines[0].substr(lines[0].rfind(',') + 1), "alarm");
    std::vector<int> outside;
    std::string column, expected;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto fields = Fields(lines[i]);
        ASSERT_EQ(fields.size(), 10u) << lines[i];
        outside.push_back(fields[8] == "0" ? 1 : 0);
        int recent = 0;
        for (std::size_t k = outside.size() >= 5 ? outside.size() - 5 : 0; k < outside.size(); ++k)
            recent += outside[k];
        expected += recent >= 3 ? '1' : '0';
        column += fields[9];
    }
    EXPECT_EQ(column, expected);
    EXPECT_NE(column.find("11"), std::string::npos);
    EXPECT_EQ(column.find('1', column.find("10") + 1), std::string::npos) << "one start, one end";
    // The main panel's status texts stay their own.
    EXPECT_EQ(Status().rfind("Recording stopped: ", 0), 0u) << Status();

    // Acknowledged: the title and the panel turn back.
    QPushButton *acknowledge = nullptr;
    for (QPushButton *b : Window()->findChildren<QPushButton *>())
        if (b->text().remove('&') == "Acknowledge")
            acknowledge = b;
    ASSERT_TRUE(acknowledge);
    acknowledge->click();
    EXPECT_FALSE(live.alarm.Latched());
    EXPECT_EQ(Window()->windowTitle(), TXT_TREND_TITLE);
}

TEST_F(Trend, exportsTheShownAnswersAsCsvAndThePictureAsPngAndSvg)
{
    std::vector<int> values;
    for (int i = 0; i < 200; ++i)
        values.push_back(390 + i % 21);
    ASSERT_TRUE(StartSim({"--baud", "0", "--replay", Recording(values), "--replay-speed", "0"}));
    StartProgram();
    Click(panelHandle, PANEL_BTNTrend);
    ASSERT_TRUE(WaitUntil([&] { return Window() && Window()->isVisible(); }, 3000));
    RunFor(100);
    Spin(300); // a frame after the last answer
    const std::size_t answers = trend::TheLive().series.Size();

    QString error;
    ASSERT_TRUE(ExportTrendWindow(TrendExport::Trend, QString::fromStdString(TempPath("t.csv")), &error))
        << error.toStdString();
    const auto rows = Lines(TempPath("t.csv"));
    ASSERT_EQ(rows.size(), answers + 1);
    EXPECT_EQ(rows[0], "time,measured_px,setpoint_px,tolerance_px,edge1_px,edge2_px,outside");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto f = Fields(rows[i]);
        ASSERT_EQ(f.size(), 7u) << rows[i];
        const int m = std::stoi(f[1]);
        EXPECT_EQ(f[0].size(), 23u) << "local time to the millisecond: " << f[0];
        EXPECT_EQ(f[2] + "," + f[3] + "," + f[4] + "," + f[5] + "," + f[6],
                  "400,10,300," + std::to_string(300 + m) + (std::abs(m - 400) > 10 ? ",1" : ",0"))
            << rows[i];
    }
    // The histogram counts exactly the answers shown, once the figures'
    // pace has let it follow.
    ASSERT_TRUE(WaitUntil([&] {
        return ExportTrendWindow(TrendExport::Histogram, QString::fromStdString(TempPath("h.csv")),
                                 &error) &&
               Lines(TempPath("h.csv")).size() > 1;
    }, 3000)) << error.toStdString();
    const auto bins = Lines(TempPath("h.csv"));
    ASSERT_GT(bins.size(), 1u);
    std::size_t counted = 0;
    for (std::size_t i = 1; i < bins.size(); ++i)
        counted += std::stoul(Fields(bins[i]).back());
    EXPECT_EQ(counted, answers);

    for (const char *name : {"t.png", "t.svg"}) {
        ASSERT_TRUE(ExportTrendWindow(TrendExport::Trend, QString::fromStdString(TempPath(name)), &error))
            << error.toStdString();
        std::ifstream in(TempPath(name), std::ios::binary);
        std::string head(8, '\0');
        in.read(head.data(), 8);
        EXPECT_TRUE(head.rfind("\x89PNG", 0) == 0 || head.rfind("<?xml", 0) == 0) << name;
    }
    EXPECT_FALSE(ExportTrendWindow(TrendExport::Trend, QString::fromStdString(TempPath("t.txt")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ExportTrendWindow(TrendExport::Trend,
                                   QString::fromStdString(TempPath("no/such/folder/t.csv")), &error));

    // Micrometres by the main panel's switch: the axis and the export follow.
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 0);
    EXPECT_TRUE(WaitUntil([&] { return Plot()->yAxis->label().contains("µm"); }, 3000));
    ASSERT_TRUE(ExportTrendWindow(TrendExport::Trend, QString::fromStdString(TempPath("u.csv")), &error));
    const auto um = Lines(TempPath("u.csv"));
    ASSERT_GT(um.size(), 1u);
    const auto px = Fields(rows[1]), micrometres = Fields(um[1]);
    ASSERT_EQ(micrometres.size(), 7u);
    EXPECT_NEAR(std::stod(micrometres[1]), std::stod(px[1]) * 7.8, 1e-9);
    EXPECT_NEAR(std::stod(micrometres[2]), 3120, 1e-9);
    EXPECT_NEAR(std::stod(micrometres[3]), 78, 1e-9);
}

TEST_F(Trend, pauseFreezesTheViewWhileAnswersAreStillCollected)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    Click(panelHandle, PANEL_BTNTrend);
    ASSERT_TRUE(WaitUntil([&] { return Window() && Window()->isVisible(); }, 3000));
    auto *pause = Child<QPushButton>("BTNTrendPause");
    ASSERT_TRUE(pause);
    QCPRange frozen;
    std::size_t atPause = 0;
    RunFor(400, [&] {
        const trend::Live &live = trend::TheLive();
        EXPECT_TRUE(WaitUntil([&] {
            return Plot()->xAxis->range().contains(live.originEpochMs / 1000 +
                                                   live.series.Times().back() / 1000.0);
        }, 3000));
        pause->click();
        frozen = Plot()->xAxis->range();
        atPause = trend::TheLive().series.Size();
    });
    EXPECT_TRUE(pause->isChecked());
    EXPECT_GT(trend::TheLive().series.Size(), atPause + 100);
    Spin(300);
    EXPECT_EQ(Plot()->xAxis->range(), frozen);
    pause->click();
    const double newest = trend::TheLive().originEpochMs / 1000 +
                          trend::TheLive().series.Times().back() / 1000.0;
    EXPECT_TRUE(Plot()->xAxis->range().contains(newest));

    // The keyboard pans and zooms the time as the mouse does, and so
    // pauses the view.
    const QCPRange following = Plot()->xAxis->range();
    QTest::keyClick(Plot(), Qt::Key_Left);
    EXPECT_LT(Plot()->xAxis->range().upper, following.upper);
    EXPECT_TRUE(pause->isChecked());
    QTest::keyClick(Plot(), Qt::Key_Plus);
    EXPECT_LT(Plot()->xAxis->range().size(), following.size());
}

TEST_F(Trend, eachDataReadPassFeedsItsMeasurement)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    const auto answeredBefore = static_cast<long long>(sim_.Log("ANS", CMD_MEASURE).size());
    const trend::Live &live = trend::TheLive();
    When([&] { return live.series.Size() >= 5; }, [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNData);
    Spin(200);
    const auto answered =
        static_cast<long long>(sim_.Log("ANS", CMD_MEASURE).size()) - answeredBefore;
    EXPECT_GE(answered, 5);
    EXPECT_EQ(static_cast<long long>(live.series.Size()), answered);
}

} // namespace
