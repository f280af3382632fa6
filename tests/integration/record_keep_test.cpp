// A recording that meets a full disk still ends with a whole row, and as
// many rows as the status text says were kept.
#include "program_fixture.h"

#include "files.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <QElapsedTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

std::string g_path;

int AnswerPopup(const FilePopupRequest &, std::string &path)
{
    path = g_path;
    return FILE_POPUP_NEW;
}

class RecordKeep : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        // Paced as a real line: some 25 rows a second, one write-out each.
        ASSERT_TRUE(StartSim());
        StartProgram();
        SetFilePopupHook(AnswerPopup);
    }
    void Toggle() { Click(panelHandle, PANEL_BIN_Sw_Record); }
};

TEST_F(RecordKeep, aDiskThatFillsLeavesWholeRowsAndSaysHowMany)
{
    g_path = TempPath("full.csv");
    Toggle();
    ASSERT_EQ(IntValue(panelHandle, PANEL_BIN_Sw_Record), 1);
    // The disk "fills" 1500 bytes on: past the first second's rows, in the
    // middle of some later row.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(fs::file_size(g_path) + 1500);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QElapsedTimer clock;
    clock.start();
    When([&] { return IntValue(panelHandle, PANEL_BIN_Sw_Record) == 0 || clock.elapsed() > 10000; },
         [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNRun);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(IntValue(panelHandle, PANEL_BIN_Sw_Record), 0);
    std::smatch said;
    const std::string status = Status();
    const std::regex kept("^Cannot write .*full\\.csv \\((\\d+) rows kept\\): ");
    ASSERT_TRUE(std::regex_search(status, said, kept)) << status;
    const std::string text = qzan::test::ReadFile(g_path);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "the file ends with a whole row";
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("time_ms,", 0), 0u);
    long rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        EXPECT_TRUE(std::regex_match(line, std::regex("\\d+(,\\d+){9}"))) << line;
    }
    EXPECT_GT(rows, 0);
    EXPECT_EQ(rows, std::stol(said[1].str()));
}

} // namespace
