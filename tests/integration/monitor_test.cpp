// The line monitor against the simulator: a cycle's frames listed and
// decoded as the simulator logged them, the filter, spoilt answers shown as
// what they are, pause, copy, the CSV file, and the ring of the newest rows.
#include "program_fixture.h"

#include "core/globals.h"
#include "core/protocol/describe.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/serial/tap.h"
#include "platform/ui.h"
#include "views/monitor.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

namespace pr = qzan::protocol;

std::string g_csvPath;

int AnswerSavePopup(const FilePopupRequest &, std::string &path)
{
    path = g_csvPath;
    return FILE_POPUP_NEW;
}

class Monitor : public ProgramTest {
protected:
    void TearDown() override
    {
        SetFilePopupHook(nullptr);
        if (QWidget *w = LineMonitorWidget())
            w->close();
        ProgramTest::TearDown();
    }

    void Open()
    {
        Click(panelHandle, PANEL_BTNMonitor);
        ASSERT_NE(LineMonitorWidget(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(LineMonitorWidget()));
        Button("BTNMonitorClear")->click();
    }

    // Runs the cycle until the simulator has answered `answers` measurements.
    void RunCycle(long answers)
    {
        When([&] { return static_cast<long>(sim_.Log("ANS", CMD_MEASURE).size()) >= answers; },
             [&] { Click(panelHandle, PANEL_BTNStop); });
        Click(panelHandle, PANEL_BTNRun);
        Spin(200);
        LineMonitorRefresh();
    }

    template <typename T> T *Part(const char *name) const
    {
        return LineMonitorWidget()->findChild<T *>(name);
    }
    QPushButton *Button(const char *name) const { return Part<QPushButton>(name); }
    QAbstractItemModel *Rows() const { return Part<QTableView>("monitorTable")->model(); }
    int RowCount() const { return Rows()->rowCount(); }
    std::string Cell(int row, int column) const
    {
        return Rows()->index(row, column).data().toString().toStdString();
    }
    long CountRows(const std::string &way, const std::string &command) const
    {
        long n = 0;
        for (int r = 0; r < RowCount(); ++r)
            n += Cell(r, 1).find(way) != std::string::npos && Cell(r, 2) == command;
        return n;
    }
    // Input the program flushed unread.
    long ThrownAway() const { return CountRows("received", "discarded"); }
    // Every row as one line, and the simulator's record, for a failure's message.
    std::string Listing() const
    {
        std::string text;
        for (int r = 0; r < RowCount(); ++r)
            text += Cell(r, 0) + " " + Cell(r, 1) + " " + Cell(r, 2) + " | " + Cell(r, 4) + "\n";
        text += "simulator:\n";
        for (const SimLogLine &line : sim_.Log())
            text += std::to_string(line.ms) + " " + line.kind + " " + std::to_string(line.cmd) +
                    "\n";
        return text;
    }
    std::string StatusText() const { return Part<QLabel>("monitorStatus")->text().toStdString(); }

    static void Take(const pr::Frame &frame)
    {
        LineMonitorTake(COM_TAP_SENT, reinterpret_cast<const char *>(frame.data()),
                        static_cast<int>(frame.size()));
    }
};

TEST_F(Monitor, aCyclesFramesAreListedDecodedAndEachOnceAsTheSensorSawThem)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    Open();
    ASSERT_EQ(RowCount(), 0);
    RunCycle(30);
    // The answer to the request outstanding at Stop comes all the same: read
    // if it comes after the flush that ends the cycle, else thrown away
    // unread by that flush; either way it is listed once.
    WaitUntil([&] {
        LineMonitorRefresh();
        return CountRows("received", "Measure") + ThrownAway() == CountRows("sent", "Measure");
    }, 3000);
    // Get while the monitor is open: the parameter frames by name.
    Click(panelHandle, PANEL_BTNGet);
    Spin(300);
    LineMonitorRefresh();
    sim_.Stop();
    const long requests = static_cast<long>(sim_.Log("REQ", CMD_MEASURE).size());
    const long answers = static_cast<long>(sim_.Log("ANS", CMD_MEASURE).size());
    // An answer on its way at Stop is read once it is whole.
    WaitUntil([&] {
        LineMonitorRefresh();
        return CountRows("received", "Measure") + ThrownAway() >= answers;
    }, 3000);
    const long thrownAway = ThrownAway();
    EXPECT_EQ(CountRows("sent", "Measure"), requests) << Listing();
    EXPECT_EQ(CountRows("received", "Measure") + thrownAway, answers) << Listing();
    EXPECT_LE(thrownAway, 1) << Listing();
    // Only that last answer, whole, right after its request.
    for (int r = 0; r < RowCount(); ++r) {
        if (Cell(r, 2) != "discarded")
            continue;
        EXPECT_EQ(Cell(r, 3), std::to_string(pr::FRAME_BYTES) + " bytes thrown away unread");
        ASSERT_GT(r, 0);
        EXPECT_EQ(Cell(r - 1, 1) + " " + Cell(r - 1, 2), "\u2192 sent Measure") << Listing();
        EXPECT_EQ(CountRows("sent", "Measure"), CountRows("received", "Measure") + 1);
    }
    EXPECT_EQ(CountRows("sent", "Read RAM"), 1) << Listing();
    EXPECT_EQ(CountRows("", "garbage") + CountRows("", "partial"), 0) << Listing();
    // The first row is a request with the settings by name, then its answer.
    ASSERT_GE(RowCount(), 2);
    EXPECT_EQ(Cell(0, 1), "\u2192 sent");
    EXPECT_EQ(Cell(0, 3).rfind("power=", 0), 0u) << Cell(0, 3);
    EXPECT_EQ(Cell(0, 4).rfind("00 55 00 08", 0), 0u);
    EXPECT_EQ(Cell(1, 1), "\u2190 received");
    EXPECT_EQ(Cell(1, 3).rfind("edge1=", 0), 0u) << Cell(1, 3);
    EXPECT_NE(Cell(1, 3).find("tolerance)"), std::string::npos);
    EXPECT_LE(std::stoll(Cell(0, 0)), std::stoll(Cell(RowCount() - 1, 0)));

    EXPECT_EQ(CountRows("received", "Read RAM"), 1);

    auto *filter = Part<QComboBox>("monitorFilter");
    filter->setCurrentIndex(CMD_READ_RAM);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(1, 3).substr(0, 10), "power=650 ");
    filter->setCurrentIndex(filter->count() - 1);
    EXPECT_EQ(RowCount(), thrownAway);
    filter->setCurrentIndex(0);
    EXPECT_EQ(RowCount(), requests + answers + 2);
}

TEST_F(Monitor, spoiltAnswersAreShownAsWhatTheyAreAndTheCycleGoesOn)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--extra-every", "3", "--extra-bytes", "4",
                          "--garbage-every", "5", "--fault-cmds", "8"}));
    StartProgram();
    Open();
    RunCycle(30);
    Part<QComboBox>("monitorFilter")->setCurrentIndex(pr::CMD_DATA_BLOCK + 1);
    ASSERT_GT(RowCount(), 0);
    long discarded = 0, garbage = 0;
    for (int r = 0; r < RowCount(); ++r) {
        discarded += Cell(r, 2) == "discarded";
        garbage += Cell(r, 2) == "garbage";
    }
    EXPECT_GT(discarded, 0) << "the bytes after an answer are thrown away unread";
    EXPECT_EQ(garbage, 0);
    // Random bytes in place of an answer are what the program took as one.
    Part<QComboBox>("monitorFilter")->setCurrentIndex(0);
    long odd = 0;
    for (int r = 0; r < RowCount(); ++r)
        odd += Cell(r, 3).find(", taken as the reply: ") != std::string::npos;
    EXPECT_GT(odd, 0);
}

TEST_F(Monitor, pauseHoldsTheListAndKeepsWhatComesMeanwhile)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    Open();
    Take(pr::EncodeRequest(pr::SYNC_WORD, pr::CMD_ECHO, pr::Words{}));
    LineMonitorRefresh();
    ASSERT_EQ(RowCount(), 1);
    Button("BTNMonitorPause")->click();
    EXPECT_EQ(Button("BTNMonitorPause")->text().toStdString(), "&Resume");
    for (int i = 0; i < 3; ++i)
        Take(pr::EncodeRequest(pr::SYNC_WORD, pr::CMD_ECHO, pr::Words{}));
    LineMonitorRefresh();
    EXPECT_EQ(RowCount(), 1);
    EXPECT_NE(StatusText().find("paused, 3 new frames kept"), std::string::npos) << StatusText();
    Button("BTNMonitorPause")->click();
    EXPECT_EQ(RowCount(), 4);
}

TEST_F(Monitor, copyAndTheCsvFileHoldTheRowsAsTheyAreShown)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    Open();
    Take(pr::EncodeRequest(pr::SYNC_WORD, pr::CMD_DATA_BLOCK, pr::BlockRequestWords(64, 1)));
    LineMonitorTake(COM_TAP_RECEIVED, "\xFF", 1);
    LineMonitorTake(COM_TAP_DISCARDED, nullptr, 3);
    LineMonitorRefresh();
    ASSERT_EQ(RowCount(), 3);

    auto *table = Part<QTableView>("monitorTable");
    table->setFocus();
    table->selectAll();
    QTest::keySequence(table, QKeySequence::Copy);
    const QStringList copied = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(copied.size(), 4);
    EXPECT_NE(copied[0].toStdString().find(" ms \u2192 Data block: first sample 64, reference "
                                           "word 1 (last block) | 00 55 00 09 00 40 00 01"),
              std::string::npos)
        << copied[0].toStdString();
    EXPECT_NE(copied[2].toStdString().find("\u2190 discarded: 3 bytes thrown away unread"),
              std::string::npos);

    g_csvPath = TempPath("line.csv");
    SetFilePopupHook(AnswerSavePopup);
    Button("BTNMonitorSave")->click();
    QFile file(QString::fromStdString(g_csvPath));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "time_ms,direction,command,decoded,hex");
    EXPECT_TRUE(lines[1].endsWith(",sent,Data block,\"first sample 64, reference word 1 (last "
                                  "block)\",00 55 00 09 00 40 00 01 " +
                                  QString("00 ").repeated(27) + "00"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(",received,partial,1 of 128 bytes of a data block,FF"))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(",received,discarded,3 bytes thrown away unread,"));
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(StatusText(), "3 frames saved to " + g_csvPath);

    // A file that cannot be written is said so, and the rows stay.
    g_csvPath = TempPath("no-such-folder/line.csv");
    Button("BTNMonitorSave")->click();
    EXPECT_EQ(StatusText().rfind("Cannot write " + g_csvPath, 0), 0u) << StatusText();
    EXPECT_EQ(RowCount(), 3);
}

TEST_F(Monitor, theNewestTenThousandFramesAreKept)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    Open();
    for (int i = 0; i < 10050; ++i) {
        pr::Words words{};
        words[0] = static_cast<std::uint16_t>(i);
        Take(pr::EncodeRequest(pr::SYNC_WORD, pr::CMD_WRITE_RAM, words));
    }
    LineMonitorRefresh();
    ASSERT_EQ(RowCount(), 10000);
    EXPECT_EQ(Cell(0, 3).rfind("power=50 ", 0), 0u) << Cell(0, 3);
    EXPECT_EQ(Cell(9999, 3).rfind("power=10049 ", 0), 0u);
    EXPECT_NE(StatusText().find("50 older ones dropped"), std::string::npos) << StatusText();
    // Closed, the window no longer listens.
    LineMonitorWidget()->close();
    Click(panelHandle, PANEL_BTNGet);
    Spin(300);
    LineMonitorRefresh();
    EXPECT_EQ(RowCount(), 10000);
}

} // namespace
