// The compare window against the simulator: the table of both sensor sets,
// the panels and a file with its marks and the line about the RAM, the two
// copies with their questions, a silent sensor, a close during the fetch,
// and the main panel's button dimmed while a cycle or data read runs; and
// the rows worked out on plain values.
#include "program_fixture.h"

#include "app/QzanRMRivad.h"
#include "core/backup/backup.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"
#include "settings/gui.h"
#include "views/compare.h"
#include "views/compare_rows.h"

#include <QLabel>
#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <fstream>

namespace {

// ---- Rows on plain values ----------------------------------------------------

constexpr int kPower = 0, kEdgeLeft = 6, kTolerance = 9, kScale = 15;

TEST(CompareRows, lengthsFollowTheUnitSwitchAndTheScaleFactorIsANumber)
{
    EXPECT_EQ(ValueText(kEdgeLeft, 200, false), "200");
    EXPECT_EQ(ValueText(kEdgeLeft, 200, true), "1560"); // 200 * 7.8 µm
    EXPECT_EQ(UnitText(kEdgeLeft, false), "pixels");
    EXPECT_EQ(UnitText(kEdgeLeft, true), "µm");
    EXPECT_EQ(ValueText(kTolerance, 1, true), "7"); // whole micrometres, cut
    EXPECT_EQ(ValueText(kScale, 1100, true), "1.100");
    EXPECT_EQ(ValueText(kScale, 65535, false), "65.535");
    EXPECT_EQ(ValueText(kScale, 5, false), "0.005");
    EXPECT_EQ(UnitText(kScale, true), "factor");
    EXPECT_EQ(ValueText(kPower, 65535, true), "65535") << "a level has no unit to convert";
    EXPECT_EQ(UnitText(kPower, true), "");
}

TEST(CompareRows, marksNameTheSetsThatDifferAndLeaveOutUnknownOnes)
{
    CompareSets sets;
    sets.known = {true, true, true, false};
    sets.words[SET_FILE][kPower] = 999; // not known: never compared
    EXPECT_EQ(DifferingSets(sets, kPower), 0u);
    EXPECT_EQ(DifferText(sets, kPower), "");
    EXPECT_FALSE(RamDiffersFromEeprom(sets));

    sets.words[SET_EEPROM][kPower] = 1;
    sets.words[SET_PANELS][kPower] = 2;
    EXPECT_EQ(DifferText(sets, kPower), "≠ EEPROM, Panels");
    EXPECT_TRUE(RamDiffersFromEeprom(sets));
    EXPECT_EQ(DifferText(sets, kScale), "") << "only the word that differs is marked";

    // Without RAM the first known set is the one the others are held to.
    sets.known[SET_RAM] = false;
    EXPECT_EQ(DifferText(sets, kPower), "≠ Panels");
    EXPECT_FALSE(RamDiffersFromEeprom(sets)) << "nothing is said of a RAM not read";
}

// ---- The window against the simulator ------------------------------------------

int g_asked = 0;
int g_answer = 1;
std::string g_question;

int Confirm(const char *question)
{
    ++g_asked;
    g_question = question;
    return g_answer;
}

std::string g_filePath;

int AnswerFilePopup(const FilePopupRequest &, std::string &path)
{
    path = g_filePath;
    return FILE_POPUP_EXISTING;
}

class Compare : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartSim({"--baud", "0", "--drift", "0", "--noise", "0"}));
        StartProgram();
        g_asked = 0;
        g_answer = 1;
        g_question.clear();
        SetCompareConfirmHook(Confirm);
        SetFilePopupHook(AnswerFilePopup);
    }
    void TearDown() override
    {
        SetCompareConfirmHook(nullptr);
        SetFilePopupHook(nullptr);
        if (QWidget *w = CompareWindowWidget())
            w->close();
        ProgramTest::TearDown();
    }

    // Power 777 and threshold 333 go to the RAM alone, as Send does.
    void ChangeRam()
    {
        SetCtrlVal(panelHandle, PANEL_Slide_Power, 777);
        SetCtrlVal(panelHandle, PANEL_NEDITVideoThreshold, 333);
        Click(panelHandle, PANEL_BTNSend);
        ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", CMD_WRITE_RAM).empty(); }, 3000));
    }

    // Opens the window with its button (or its mnemonic) and waits for
    // both fetches.
    void Open(bool keyboard = false)
    {
        if (keyboard)
            QTest::keyClick(PanelWidget(panelHandle), Qt::Key_M, Qt::AltModifier); // "Co&mpare"
        else
            Click(panelHandle, PANEL_BTNCompare);
        ASSERT_TRUE(WaitUntil([] { return CompareWindowWidget() != nullptr; }, 3000));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(CompareWindowWidget()));
        ASSERT_TRUE(WaitUntil([&] { return Settled(); }, 10000)) << StatusText();
    }
    bool Settled() const
    {
        const std::string s = StatusText();
        return Button("BTNCompareFetch")->isEnabled() && !s.empty() &&
               s.rfind("Waiting", 0) != 0 && s != "Line Ok!";
    }

    template <typename T> T *Part(const char *name) const
    {
        return CompareWindowWidget()->findChild<T *>(name);
    }
    QPushButton *Button(const char *name) const { return Part<QPushButton>(name); }
    std::string StatusText() const { return Part<QLabel>("compareStatus")->text().toStdString(); }
    std::string RamLine() const { return Part<QLabel>("ramLine")->text().toStdString(); }
    std::string Cell(int word, int column) const
    {
        return Part<QTableWidget>("compareTable")->item(word, column)->text().toStdString();
    }
    std::string Value(int word, int set) const { return Cell(word, 2 + set); }
    std::string Mark(int word) const { return Cell(word, 2 + SET_COUNT); }
};

TEST_F(Compare, aRamThatDiffersFromTheEepromIsMarkedAndSaidPlainly)
{
    ChangeRam();
    SetCtrlVal(panelHandle, PANEL_Slide_Power, 555); // on the panels, not sent
    Open();
    EXPECT_EQ(StatusText(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(Cell(kPower, 0), "Power");
    EXPECT_EQ(Value(kPower, SET_RAM), "777");
    EXPECT_EQ(Value(kPower, SET_EEPROM), "650");
    EXPECT_EQ(Value(kPower, SET_PANELS), "555");
    EXPECT_EQ(Value(kPower, SET_FILE), "–");
    EXPECT_EQ(Mark(kPower), "≠ EEPROM, Panels");
    EXPECT_EQ(Value(2, SET_RAM), "333");
    EXPECT_EQ(Mark(2), "≠ EEPROM");
    EXPECT_EQ(Mark(kEdgeLeft), "") << "a word all sets agree on";
    EXPECT_EQ(Value(kScale, SET_EEPROM), "1.000");
    EXPECT_EQ(Cell(kScale, 1), "factor");
    EXPECT_EQ(RamLine(), TXT_RAM_CHANGES);
    // Requests as Get sends them: one of each, and the panels' variables
    // are what they were.
    EXPECT_EQ(sim_.Log("REQ", CMD_READ_RAM).size(), 2u) << "start-up's and the window's";
    EXPECT_EQ(sim_.Log("REQ", CMD_READ_EEPROM).size(), 1u);
    EXPECT_EQ(power, 777) << "reading the panels leaves the variables alone";
}

TEST_F(Compare, lengthsAreShownInMicrometresWhenTheSwitchSaysSo)
{
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 0);
    Open(true);
    EXPECT_EQ(Cell(kEdgeLeft, 1), "µm");
    EXPECT_EQ(Value(kEdgeLeft, SET_RAM), "1170"); // 150 pixels
}

TEST_F(Compare, tabbingGoesFromTheTableThroughEveryButtonToClose)
{
    Open(true);
    QWidget *window = CompareWindowWidget();
    QStringList visited;
    QWidget *start = Part<QTableWidget>("compareTable");
    QWidget *w = start;
    do {
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) &&
            !w->objectName().isEmpty() && !visited.contains(w->objectName()))
            visited << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start && visited.size() < 50);
    EXPECT_EQ(visited.join(' ').toStdString(),
              "compareTable BTNCompareFetch BTNCompareFile BTNCompareToEeprom BTNCompareToPanels "
              "BTNCompareClose");
    // Close from the keyboard.
    window->activateWindow();
    QTest::keyClick(window, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }, 3000));
}

TEST_F(Compare, ramToEepromAsksThenWritesTheRamSetAndReadsItBack)
{
    ChangeRam();
    Open();
    g_answer = 0;
    Button("BTNCompareToEeprom")->click();
    EXPECT_EQ(g_asked, 1);
    EXPECT_EQ(g_question, TXT_ASK_RAM_TO_EEPROM);
    Spin(200);
    EXPECT_TRUE(sim_.Log("REQ", CMD_WRITE_EEPROM).empty()) << "no means nothing is written";

    g_answer = 1;
    // From the keyboard: the button's mnemonic.
    CompareWindowWidget()->activateWindow();
    QTest::keyClick(CompareWindowWidget(), Qt::Key_E, Qt::AltModifier);
    ASSERT_TRUE(WaitUntil([&] { return Settled() && RamLine() == TXT_SETS_AGREE; }, 10000))
        << RamLine() << " / " << StatusText();
    const auto writes = sim_.Log("REQ", CMD_WRITE_EEPROM);
    ASSERT_EQ(writes.size(), 1u);
    ASSERT_EQ(writes[0].words.size(), 16u);
    EXPECT_EQ(writes[0].words[kPower], 777u);
    EXPECT_EQ(writes[0].words[2], 333u);
    EXPECT_EQ(Value(kPower, SET_EEPROM), "777");
    EXPECT_EQ(Mark(kPower), "");
}

TEST_F(Compare, eepromToPanelsPutsTheEepromSetOnThePanelsAndSendsNothing)
{
    ChangeRam();
    Open();
    const std::size_t requests = sim_.Log().size();
    Button("BTNCompareToPanels")->click();
    EXPECT_EQ(g_question, TXT_ASK_EEPROM_TO_PANELS);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Power), 650);
    EXPECT_EQ(IntValue(panelHandle, PANEL_NEDITVideoThreshold), 480);
    EXPECT_EQ(IntValue(panelHandle, PANEL_BINSWITCH_UM), 1);
    EXPECT_EQ(power, 650);
    EXPECT_EQ(Value(kPower, SET_PANELS), "650");
    EXPECT_EQ(Mark(kPower), "≠ EEPROM, Panels") << "RAM still holds its own set";
    EXPECT_EQ(StatusText(), TXT_ON_PANELS);
    Spin(100);
    EXPECT_EQ(sim_.Log().size(), requests);
}

TEST_F(Compare, aParameterFileOrABackupIsShownBesideTheSensorsSets)
{
    Open();
    EXPECT_TRUE(Part<QTableWidget>("compareTable")->isColumnHidden(2 + SET_FILE_EEPROM));
    g_filePath = TempPath("other.dat");
    {
        std::ofstream f(g_filePath);
        for (int i = 0; i < 16; ++i)
            f << (i == kPower ? 321 : i == kScale ? 1100 : 0) << "\n";
    }
    Button("BTNCompareFile")->click();
    EXPECT_EQ(Value(kPower, SET_FILE), "321");
    EXPECT_EQ(Value(kScale, SET_FILE), "1.100");
    EXPECT_EQ(Mark(kPower), "≠ File");

    g_filePath = TempPath("short.dat");
    std::ofstream(g_filePath) << "1\n2\n";
    Button("BTNCompareFile")->click();
    EXPECT_EQ(StatusText().rfind(g_filePath, 0), 0u) << StatusText();
    EXPECT_EQ(Value(kPower, SET_FILE), "321") << "the previous file stays";

    // A backup brings both of its sets.
    qzan::backup::Backup backup;
    // The simulator's own set, but a lower power in the backup's EEPROM.
    backup.ram = {650, 0, 480, 40, 0, 0, 150, 850, 400, 60, 1, 1, 0, 300, 0, 1000};
    backup.eeprom = backup.ram;
    backup.eeprom[kPower] = 640;
    backup.time = "2026-12-07T20:00:00Z";
    std::string error;
    g_filePath = TempPath("sensor.json");
    ASSERT_TRUE(qzan::backup::WriteBackupFile(g_filePath, backup, error)) << error;
    Button("BTNCompareFile")->click();
    EXPECT_FALSE(Part<QTableWidget>("compareTable")->isColumnHidden(2 + SET_FILE_EEPROM));
    EXPECT_EQ(Value(kPower, SET_FILE), "650");
    EXPECT_EQ(Value(kPower, SET_FILE_EEPROM), "640");
    EXPECT_EQ(Mark(kPower), "≠ File EEPROM");
}

TEST_F(Compare, aSilentSensorShowsGetsTimeoutAndOffersNoCopy)
{
    SilenceSensor();
    Open();
    EXPECT_EQ(StatusText(), "Timeout-RS-232...");
    EXPECT_EQ(Value(kPower, SET_RAM), "–");
    EXPECT_EQ(Value(kPower, SET_EEPROM), "–");
    EXPECT_NE(RamLine(), TXT_RAM_CHANGES);
    EXPECT_FALSE(Button("BTNCompareToEeprom")->isEnabled());
    EXPECT_FALSE(Button("BTNCompareToPanels")->isEnabled());
    EXPECT_TRUE(Button("BTNCompareClose")->isEnabled());
}

TEST_F(Compare, aCloseDuringTheFetchIsHonouredAtOnce)
{
    SilenceSensor();
    bool visibleAfterClose = true;
    // Escape while the RAM fetch waits, from inside that wait.
    When([&] {
             return CompareWindowWidget() && StatusText().rfind("Waiting", 0) == 0;
         },
         [&] {
             QTest::keyClick(CompareWindowWidget(), Qt::Key_Escape);
             visibleAfterClose = CompareWindowWidget()->isVisible();
         });
    Click(panelHandle, PANEL_BTNCompare);
    ASSERT_TRUE(WaitUntil([&] { return !visibleAfterClose; }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return Button("BTNCompareFetch")->isEnabled(); }, 5000));
    EXPECT_FALSE(CompareWindowWidget()->isVisible());
    EXPECT_EQ(StatusText(), "Timeout-RS-232...");
    EXPECT_TRUE(sim_.Log("REQ", CMD_READ_EEPROM).empty()) << "the fetch ends with the window";

    // Open again: a whole new fetch.
    Open();
    EXPECT_TRUE(CompareWindowWidget()->isVisible());
    EXPECT_EQ(StatusText(), "Timeout-RS-232...");
}

TEST_F(Compare, openedDuringAGetItFetchesOnlyOnceTheGetHasItsAnswer)
{
    // A slow line, so that the Compare press surely comes inside Get's wait.
    sim_.Stop();
    ASSERT_TRUE(StartSim({"--baud", "19200", "--turnaround-ms", "300"}));
    InitRS232(com);
    ChangeRam();
    const std::size_t before = sim_.Log().size();
    When([&] { return Status() == "Waiting for parameter-frame ..."; },
         [&] { Click(panelHandle, PANEL_BTNCompare); });
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(power, 777) << "Get took its own answer";
    ASSERT_NE(CompareWindowWidget(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Settled(); }, 10000)) << StatusText();
    EXPECT_EQ(RamLine(), TXT_RAM_CHANGES);
    EXPECT_EQ(Value(kPower, SET_RAM), "777");
    EXPECT_EQ(Value(kPower, SET_EEPROM), "650");
    // One request at a time: Get's answered before the window's went out.
    std::vector<std::string> order;
    const auto log = sim_.Log();
    for (std::size_t i = before; i < log.size(); ++i)
        if (log[i].kind == "REQ" || log[i].kind == "ANS")
            order.push_back(log[i].kind + std::to_string(log[i].cmd));
    EXPECT_EQ(order, (std::vector<std::string>{"REQ2", "ANS2", "REQ2", "ANS2", "REQ4", "ANS4"}));
}

TEST_F(Compare, theButtonIsDimmedWhileACycleOrADataReadRuns)
{
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNCompare));
    bool dimmedInRun = false;
    When([&] { return Dimmed(panelHandle, PANEL_BTNLock1); },
         [&] {
             dimmedInRun = Dimmed(panelHandle, PANEL_BTNCompare);
             Press(panelHandle, PANEL_BTNStop);
             Release(panelHandle, PANEL_BTNStop);
         });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_TRUE(dimmedInRun);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNCompare));

    bool dimmedInData = false;
    When([&] { return Dimmed(panelHandle, PANEL_BTNLock2); },
         [&] {
             dimmedInData = Dimmed(panelHandle, PANEL_BTNCompare);
             Press(panelHandle, PANEL_BTNStop);
             Release(panelHandle, PANEL_BTNStop);
         });
    Click(panelHandle, PANEL_BTNData);
    EXPECT_TRUE(dimmedInData);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNCompare));
}

} // namespace
