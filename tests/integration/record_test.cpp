// Recording: every answer of a cycle or data read becomes a CSV row, the file
// reaches the disk while the cycle runs, and a file that cannot be written
// says so and stops recording without losing the rows already written.
#include "program_fixture.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <QElapsedTimer>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string g_path;

int AnswerPopup(const FilePopupRequest &, std::string &path)
{
    path = g_path;
    return FILE_POPUP_NEW;
}

std::vector<std::string> Lines(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(in, l))
        lines.push_back(l);
    return lines;
}

class Record : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartSim({"--baud", "0"}));
        StartProgram();
        SetFilePopupHook(AnswerPopup);
    }
    void Toggle() { Click(panelHandle, PANEL_BIN_Sw_Record); }
    long long RawPlots() const { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }
    void RunFor(long long answers)
    {
        const long long before = RawPlots();
        When([=, this] { return RawPlots() - before >= answers; },
             [this] { Click(panelHandle, PANEL_BTNStop); });
        Click(panelHandle, PANEL_BTNRun);
    }
};

TEST_F(Record, everyAnswerOfACycleBecomesARow)
{
    g_path = TempPath("run.csv");
    Toggle();
    EXPECT_EQ(IntValue(panelHandle, PANEL_BIN_Sw_Record), 1);
    EXPECT_EQ(Status(), "Recording to " + g_path);
    const long long before = RawPlots();
    RunFor(150);
    const long long plotted = RawPlots() - before;
    Toggle();
    EXPECT_EQ(Status(), "Recording stopped: " + std::to_string(plotted) + " answers in " + g_path);
    const auto lines = Lines(g_path);
    ASSERT_EQ(static_cast<long long>(lines.size()), plotted + 1);
    EXPECT_EQ(lines[0], "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance,alarm");
    long previous = -1;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::istringstream row(lines[i]);
        long v[9];
        char comma;
        row >> v[0];
        for (int k = 1; k < 9; ++k)
            row >> comma >> v[k];
        ASSERT_TRUE(row && comma == ',') << lines[i];
        EXPECT_GE(v[0], previous) << "time runs forward";
        previous = v[0];
        const long deviation = v[3] > v[4] ? v[3] - v[4] : v[4] - v[3];
        EXPECT_EQ(v[8], deviation <= v[5] ? 1 : 0) << lines[i];
    }
    // A second recording into the same file appends under the one header.
    Toggle();
    RunFor(10);
    Toggle();
    const auto more = Lines(g_path);
    EXPECT_GT(more.size(), lines.size());
    EXPECT_EQ(std::count(more.begin(), more.end(), lines[0]), 1);
}

TEST_F(Record, rowsReachTheDiskWithinASecondWhileTheCycleRuns)
{
    g_path = TempPath("live.csv");
    Toggle();
    size_t onDisk = 0;
    QElapsedTimer clock;
    clock.start();
    When([&] { return clock.elapsed() > 1500; },
         [&] {
             onDisk = Lines(g_path).size();
             Click(panelHandle, PANEL_BTNStop);
         });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_GT(onDisk, 10u);
}

TEST_F(Record, aFileThatCannotBeOpenedSaysSoAndLeavesTheSwitchOff)
{
    g_path = TempPath("no/such/folder/x.csv");
    Toggle();
    EXPECT_EQ(IntValue(panelHandle, PANEL_BIN_Sw_Record), 0);
    EXPECT_EQ(Status().rfind("Cannot record to " + g_path + ": ", 0), 0u) << Status();
}

TEST_F(Record, aFailingWriteStopsRecordingAndSaysSo)
{
    g_path = "/dev/full"; // takes the open, refuses every write
    Toggle();
    EXPECT_EQ(IntValue(panelHandle, PANEL_BIN_Sw_Record), 0);
    EXPECT_EQ(Status().rfind("Cannot write /dev/full", 0), 0u) << Status();
    RunFor(20); // nothing is recorded, nothing breaks
}

TEST_F(Record, aFileRecordedBeforeWithoutTheAlarmColumnKeepsItsColumns)
{
    // A recording made before the alarm column existed gets rows that match
    // its own header, so that it reads as one table.
    g_path = TempPath("old.csv");
    const std::string oldHeader =
        "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance";
    std::ofstream(g_path) << oldHeader << "\r\n0,1,2,3,4,5,6,7,1\r\n";
    Toggle();
    RunFor(10);
    Toggle();
    const auto lines = Lines(g_path);
    ASSERT_GT(lines.size(), 10u);
    for (std::size_t i = 2; i < lines.size(); ++i)
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 8) << lines[i];
}

} // namespace
