// Send and Get for RAM, EEPROM and parameter files through the real buttons,
// the target radio buttons, damaged parameter files, the data read loop and
// its curve, and the settings popup with the background teach.
#include "program_fixture.h"

#include "files.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"
#include "settings/PopUp.h"
#include "settings/gui.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::string g_answerPath;
int g_answerCode = FILE_POPUP_EXISTING;

int AnswerPopup(const FilePopupRequest &, std::string &path)
{
    path = g_answerPath;
    return g_answerCode;
}

std::vector<unsigned> Variables()
{
    return {power, pwrMode, vThd, bVal, polarity, eMode, eBeg, eEnd,
            tVal, tTol, iGain, ePoti, ccdMode, pStart, bMode, para15};
}

using qzan::test::ReadFile;

class Transfer : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartSim({"--baud", "0", "--drift", "0", "--noise", "0"}));
        StartProgram();
        SetFilePopupHook(AnswerPopup);
        g_answerCode = FILE_POPUP_EXISTING;
    }
    void SetPanel(int power, int threshold, double scale)
    {
        SetCtrlVal(panelHandle, PANEL_Slide_Power, power);
        SetCtrlVal(panelHandle, PANEL_NEDITVideoThreshold, threshold);
        SetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    }
    void ChooseTarget(int control) { Click(panelHandle, control); }
};

TEST_F(Transfer, sendToRamThenGetFromRamShowsTheSentSet)
{
    SetPanel(777, 333, 1.1);
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(Status(), "Line Ok!");
    // Get flushes the output queue first: give the line the time to carry
    // the send, as an operator's second click always does.
    ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", CMD_WRITE_RAM).empty(); }, 3000));
    SetPanel(100, 100, 1.0);
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(power, 777);
    EXPECT_EQ(vThd, 333);
    EXPECT_EQ(para15, 1100);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Power), 777);
    const auto writes = sim_.Log("REQ", CMD_WRITE_RAM);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].words[0], 777u);
}

TEST_F(Transfer, sendToEepromThenGetFromEepromShowsTheSentSet)
{
    ChooseTarget(PANEL_RBTEeprom);
    EXPECT_EQ(target, EEPROM);
    SetPanel(640, 700, 0.95);
    Click(panelHandle, PANEL_BTNSend);
    ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", CMD_WRITE_EEPROM).empty(); }, 3000));
    SetPanel(100, 100, 1.0);
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(power, 640);
    EXPECT_EQ(vThd, 700);
    EXPECT_EQ(para15, 950);
    EXPECT_EQ(sim_.Log("REQ", CMD_WRITE_EEPROM).size(), 1u);
    EXPECT_EQ(sim_.Log("REQ", CMD_READ_EEPROM).size(), 1u);
}

TEST_F(Transfer, radioButtonsKeepExactlyOneOnAndFallBackToRam)
{
    ChooseTarget(PANEL_RBTFile);
    EXPECT_EQ(target, DATFILE);
    EXPECT_EQ(IntValue(panelHandle, PANEL_RBTRam), 0);
    ChooseTarget(PANEL_RBTEeprom);
    EXPECT_EQ(target, EEPROM);
    EXPECT_EQ(IntValue(panelHandle, PANEL_RBTFile), 0);
    ChooseTarget(PANEL_RBTEeprom); // switched off again
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(IntValue(panelHandle, PANEL_RBTRam), 1);
    ChooseTarget(PANEL_RBTRam); // RAM off only switches it on again
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(IntValue(panelHandle, PANEL_RBTRam), 1);
}

TEST_F(Transfer, saveThenLoadRoundTripsEveryValue)
{
    ChooseTarget(PANEL_RBTFile);
    SetPanel(812, 1023, 1.1);
    SetCtrlVal(panelPopUp, POPUP_NEDITTeach, 1024);
    g_answerPath = TempPath("QZANpara.dat");
    g_answerCode = FILE_POPUP_NEW;
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(Status(), "Transmit...");
    const FilePopupRequest &save = LastFilePopupRequest();
    EXPECT_EQ(save.title, "Q-ZAN-RM-Series Parameter File");
    EXPECT_EQ(save.defaultName, "QZANpara.dat");
    EXPECT_EQ(save.filter, "*.dat");
    EXPECT_EQ(save.directory, std::string(proj_dir));
    EXPECT_EQ(save.button, BUTTON_OK);
    const std::vector<unsigned> saved = Variables();
    EXPECT_EQ(ReadFile(g_answerPath).substr(0, 5), " 812\n");

    SetPanel(100, 100, 1.0);
    GetPanelValues();
    g_answerCode = FILE_POPUP_EXISTING;
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(LastFilePopupRequest().title, "Q-ZAN-RM-Parameter File");
    EXPECT_EQ(LastFilePopupRequest().button, BUTTON_LOAD);
    EXPECT_EQ(Variables(), saved);
    EXPECT_EQ(para15, 1100);
    EXPECT_EQ(IntValue(panelHandle, PANEL_BINSWITCH_UM), 1);
}

TEST_F(Transfer, startUpValuesAreSavedAsSixteenFourCharacterFields)
{
    StopProgram();
    sim_.Stop();
    setenv("QZAN_COM1", TempPath("none").c_str(), 1);
    StartProgram();
    SetFilePopupHook(AnswerPopup);
    ChooseTarget(PANEL_RBTFile);
    g_answerPath = TempPath("start.dat");
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(ReadFile(g_answerPath), " 500\n   0\n 512\n  64\n   1\n   1\n 200\n 800\n"
                                      " 512\n 100\n   1\n   1\n   0\n   1\n   0\n1000\n");
}

TEST_F(Transfer, damagedFilesLeaveTheSetAndSaySo)
{
    ChooseTarget(PANEL_RBTFile);
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += " 100\n";
    const struct {
        const char *name;
        std::string content;
        const char *text;
    } cases[] = {
        {"garbage.dat", "this is\nnot a set\n", TXT_FILE_NOT_PARAMS},
        {"fifteen.dat", fifteen, TXT_FILE_TOO_SHORT},
        {"binary.dat", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), TXT_FILE_NOT_PARAMS},
        {"empty.dat", "", TXT_FILE_TOO_SHORT},
        {"long.dat", std::string(300, '9') + "\n", TXT_FILE_NOT_PARAMS},
    };
    const std::vector<unsigned> before = Variables();
    for (const auto &c : cases) {
        g_answerPath = TempPath(c.name);
        std::ofstream(g_answerPath, std::ios::binary) << c.content;
        Click(panelHandle, PANEL_BTNGet);
        EXPECT_EQ(Status(), c.text) << c.name;
        EXPECT_EQ(Variables(), before) << c.name;
    }
    g_answerPath = TempPath("missing.dat");
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), TXT_FILE_CANNOT_READ);
}

TEST_F(Transfer, fileValuesKeepTheirLowSixteenBitsAndAreClampedWhenShown)
{
    ChooseTarget(PANEL_RBTFile);
    g_answerPath = TempPath("wide.dat");
    std::ofstream(g_answerPath) << "70000\n0\n512\n64\n1\n1\n200\n800\n512\n100\n1\n1\n0\n1\n0\n1300\n";
    // Between the load and the display the variables hold the file's values.
    ReadParaFromFile();
    EXPECT_EQ(power, 4464);
    EXPECT_EQ(para15, 1300);
    PushGET(DATFILE);
    EXPECT_EQ(power, 500) << "4464 lies above 1000: replaced when shown";
    EXPECT_EQ(para15, 1200);
    double scale = 0;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    EXPECT_NEAR(scale, 1.2, 1e-9);
}

TEST_F(Transfer, aCancelledOrTooLongPathChangesNothing)
{
    ChooseTarget(PANEL_RBTFile);
    g_answerCode = FILE_POPUP_CANCELLED;
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(Status(), "Transmit...");
    g_answerCode = FILE_POPUP_PATH_TOO_LONG;
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(Status(), TXT_PATH_TOO_LONG);
    const std::vector<unsigned> before = Variables();
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), TXT_PATH_TOO_LONG);
    EXPECT_EQ(Variables(), before);
}

TEST_F(Transfer, aFileThatCannotBeWrittenSaysSo)
{
    ChooseTarget(PANEL_RBTFile);
    g_answerPath = TempPath("no/such/folder/x.dat");
    g_answerCode = FILE_POPUP_NEW;
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(Status(), TXT_FILE_CANNOT_WRITE);
}

TEST_F(Transfer, theRealSaveDialogTakesATypedName)
{
    SetFilePopupHook(nullptr);
    ChooseTarget(PANEL_RBTFile);
    const std::string folder = TempPath("dialog");
    std::filesystem::create_directories(folder);
    std::strncpy(proj_dir, folder.c_str(), sizeof proj_dir - 1);
    bool typed = false;
    QTimer::singleShot(300, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("typed");
        QTest::keyClick(name, Qt::Key_Return);
        typed = true;
    });
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_TRUE(typed);
    EXPECT_EQ(std::string(file_name), folder + "/typed.dat");
    EXPECT_EQ(ReadFile(folder + "/typed.dat").size(), 16u * 5u);
}

TEST_F(Transfer, dataReadDrawsTheSimulatorsLineAndEndsOnStop)
{
    const GraphModel *data = GetGraphModel(panelHandle, PANEL_GraphData);
    const long long before = data->curvesDrawn;
    DisplayPanel(panelPopUp);
    hidePopUp = 0;
    When([&] { return data->curvesDrawn - before >= 6; }, // three passes
         [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNData);
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(hidePopUp, 1) << "the data read hides the popup";
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock1));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock2));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock3)) << "Stop gave it back";
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_GraphData));
    Spin(50);
    // The last four blocks answered are the curve.
    const auto blocks = sim_.Log("ANS", CMD_DATA_BLOCK);
    ASSERT_GE(blocks.size(), 4u);
    std::vector<unsigned> line;
    for (size_t b = blocks.size() - 4; b < blocks.size(); ++b)
        line.insert(line.end(), blocks[b].words.begin(), blocks[b].words.end());
    ASSERT_EQ(line.size(), 256u);
    for (int i = 0; i < LINE_SAMPLES; ++i)
        ASSERT_EQ(adcbuf[i], line[i]) << i;
    // Requests: block index and the flag of the last block.
    const auto requests = sim_.Log("REQ", CMD_DATA_BLOCK);
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(requests[3].words[0], 192u);
    EXPECT_EQ(requests[3].words[1], 1u);
    EXPECT_EQ(requests[2].words[1], 0u);
    EXPECT_EQ(Status(), "Data[64] block received!");
}

// Junk after every block answer must not shift the next block: what is
// left on the line is dropped just before each request. The junk is more
// than the program's read buffer takes at once (1024 bytes), so that some of
// it is still on the line when the next block is asked for.
class StrayBytes : public ProgramTest {
protected:
    // The line after three passes of the data read, ended by Stop.
    std::vector<unsigned> ReadLineData(const std::vector<std::string> &faults)
    {
        std::vector<std::string> options = {"--baud", "0", "--drift", "0", "--noise", "0"};
        options.insert(options.end(), faults.begin(), faults.end());
        EXPECT_TRUE(StartSim(options));
        StartProgram();
        const GraphModel *data = GetGraphModel(panelHandle, PANEL_GraphData);
        const long long before = data->curvesDrawn;
        When([&] { return data->curvesDrawn - before >= 6; },
             [&] { Click(panelHandle, PANEL_BTNStop); });
        Click(panelHandle, PANEL_BTNData);
        EndWaiters(); // its functions refer to this call's locals
        StopProgram();
        sim_.Stop();
        return std::vector<unsigned>(adcbuf, adcbuf + LINE_SAMPLES);
    }
};

TEST_F(StrayBytes, junkAfterEachBlockLeavesTheLineDataAsAStillSceneGivesIt)
{
    const std::vector<unsigned> junk =
        ReadLineData({"--extra-every", "1", "--extra-bytes", "1000", "--fault-cmds", "9"});
    EXPECT_GE(sim_.Fault("extra"), 12) << "junk after every block of three passes";
    // The last four blocks as the simulator sent them, without the junk.
    const auto blocks = sim_.Log("ANS", 9);
    ASSERT_GE(blocks.size(), 4u);
    std::vector<unsigned> sent;
    for (size_t b = blocks.size() - 4; b < blocks.size(); ++b)
        sent.insert(sent.end(), blocks[b].words.begin(), blocks[b].words.end());
    ASSERT_EQ(sent.size(), junk.size());
    for (int i = 0; i < LINE_SAMPLES; ++i)
        ASSERT_EQ(junk[i], sent[i]) << "sample " << i;

    const std::vector<unsigned> clean = ReadLineData({});
    EXPECT_EQ(junk, clean) << "the same line as without the junk";
}

TEST_F(Transfer, dataReadWithoutASensorEndsAfterFiveWaits)
{
    SilenceSensor();
    QElapsedTimer clock;
    clock.start();
    Click(panelHandle, PANEL_BTNData);
    EXPECT_GT(clock.elapsed(), 6500);
    EXPECT_LT(clock.elapsed(), 14000);
    EXPECT_EQ(Status(), "Timeout RS232-Line!");
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock1));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock2));
    EXPECT_TRUE(Dimmed(panelHandle, PANEL_BTNLock3));
}

TEST_F(Transfer, popupControlsGiveImmediateFeedback)
{
    Click(panelHandle, PANEL_BTN_CCDSettings);
    EXPECT_EQ(hidePopUp, 0);
    tVal = 512;
    tTol = 100;
    scaleF = 1.0f;
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 0);
    CC_BINSWITCH_UM(panelHandle, PANEL_BINSWITCH_UM, EV_VALUE_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Reference), 3993);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Tolerance), 780);
    scaleF = 1.1f;
    CC_BINSWITCH_UM(panelHandle, PANEL_BINSWITCH_UM, EV_VALUE_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Reference), 4392);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Tolerance), 780);
    TypeNumber(panelPopUp, POPUP_NEDITTeach, 512);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Reference), 3993) << "no scale factor here";

    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_NUM_ScalFact));
    ChooseItem(panelHandle, PANEL_DropDEvalmode, 2); // width: the factor applies
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_NUM_ScalFact));
    TypeNumber(panelPopUp, POPUP_NUM_ScalFact, 0.95);
    EXPECT_FLOAT_EQ(scaleF, 0.95f);
    EXPECT_EQ(para15, 950);

    SetCtrlAttribute(panelPopUp, POPUP_NSLIDE_PixelStart, ATTR_DIMMED, 0);
    SetCtrlVal(panelPopUp, POPUP_NSLIDE_PixelStart, 299);
    CC_NSLIDE_PixelStart(panelPopUp, POPUP_NSLIDE_PixelStart, EV_VALUE_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(IntValue(panelPopUp, POPUP_NUM_PixelEnd), 554);

    ChooseItem(panelPopUp, POPUP_RING_CCDMode, 1);
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_NSLIDE_PixelStart));
    ChooseItem(panelPopUp, POPUP_RING_CCDMode, 2);
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_NUM_PixelEnd));

    ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 1);
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_NUM_BackGround));
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround));
    ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_NUM_BackGround));
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround));
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_LED_TeachBackGround));

    Click(panelHandle, PANEL_BTN_CCDSettings);
    EXPECT_EQ(hidePopUp, 1);
}

TEST_F(Transfer, backgroundModeTwoChosenDuringARunKeepsTheTeachDimmed)
{
    Click(panelHandle, PANEL_BTN_CCDSettings);
    bMode = 2; // as a fetch would have left it
    bool chosen = false;
    const long long before = GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls;
    When([&] { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls - before >= 5; },
         [&] {
             ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
             chosen = Dimmed(panelPopUp, POPUP_BTNTeachBackGround);
             Click(panelHandle, PANEL_BTNStop);
         });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_TRUE(chosen);
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround)) << "Stop in mode 2 undims it";
}

TEST_F(Transfer, backgroundTeachWithAnAnswerFetchesOnRelease)
{
    Click(panelHandle, PANEL_BTN_CCDSettings);
    ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
    Press(panelPopUp, POPUP_BTNTeachBackGround);
    Release(panelPopUp, POPUP_BTNTeachBackGround);
    EXPECT_TRUE(WaitUntil([&] { return !Dimmed(panelPopUp, POPUP_BTNTeachBackGround); }, 3000));
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(IntValue(panelPopUp, POPUP_LED_TeachBackGround), 0);
    const auto teach = sim_.Log("REQ", CMD_TEACH_BACKGROUND);
    ASSERT_EQ(teach.size(), 1u);
    EXPECT_EQ(teach[0].words[14], 2u) << "the panels' values go out";
    EXPECT_EQ(sim_.Log("REQ", CMD_READ_RAM).size(), 2u) << "start-up and after the teach";
}

TEST_F(Transfer, backgroundTeachWithoutAnAnswerTimesOutAndFetchesNothing)
{
    SilenceSensor();
    Click(panelHandle, PANEL_BTN_CCDSettings);
    ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
    Press(panelPopUp, POPUP_BTNTeachBackGround);
    Release(panelPopUp, POPUP_BTNTeachBackGround);
    EXPECT_TRUE(WaitUntil([&] { return !Dimmed(panelPopUp, POPUP_BTNTeachBackGround); }, 4000));
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(IntValue(panelPopUp, POPUP_LED_TeachBackGround), 0);
    EXPECT_EQ(sim_.Log("REQ", CMD_READ_RAM).size(), 0u);
}

} // namespace
