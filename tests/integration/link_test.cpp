// Start-up and the parameter fetch against the simulator: the echo check, the
// RAM parameters on the panels, the time-out and error texts, the bytes on the
// wire, and the receive callback's rules on bursts and short frames.
#include "program_fixture.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"
#include "settings/gui.h"

#include <QElapsedTimer>

namespace {

// The simulator's start set for these tests; every word differs from the
// panel file's start-up values.
const std::vector<unsigned> kSensorSet = {650, 1, 480, 70, 0, 2, 150, 850,
                                          400, 60, 0, 0, 1, 100, 1, 1100};
const std::vector<unsigned> kPanelSet = {500, 0, 512, 64, 1, 1, 200, 800,
                                         512, 100, 1, 1, 0, 1, 0, 1000};

std::string Join(const std::vector<unsigned> &v)
{
    std::string s;
    for (unsigned x : v)
        s += (s.empty() ? "" : ",") + std::to_string(x);
    return s;
}

std::vector<unsigned> Variables()
{
    return {power, pwrMode, vThd, bVal, polarity, eMode, eBeg, eEnd,
            tVal, tTol, iGain, ePoti, ccdMode, pStart, bMode, para15};
}

std::vector<SimLogLine> Requests(const SimProcess &sim)
{
    std::vector<SimLogLine> out;
    for (auto &l : sim.Log())
        if (l.kind == "REQ")
            out.push_back(l);
    return out;
}

using Link = ProgramTest;

TEST_F(Link, startUpWithASensorShowsItsRamParameters)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(kSensorSet)}));
    StartProgram();
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(Variables(), kSensorSet);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Power), 650);
    EXPECT_EQ(IntValue(panelPopUp, POPUP_NSLIDE_PixelStart), 100);
    EXPECT_EQ(IntValue(panelPopUp, POPUP_NUM_PixelEnd), 355);
    EXPECT_EQ(IntValue(panelHandle, PANEL_BINSWITCH_UM), 1);

    // On the wire: the echo check, then the fetch, both carrying the panel
    // file's values as payload.
    const auto requests = Requests(sim_);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].cmd, CMD_ECHO);
    EXPECT_EQ(requests[0].words, kPanelSet);
    EXPECT_EQ(requests[1].cmd, CMD_READ_RAM);
    EXPECT_EQ(requests[1].words, kPanelSet);
}

TEST_F(Link, silentSensorTimesOutAfterThirtyOneTicksWithThePanelValues)
{
    ASSERT_TRUE(StartSim({"--silent"}));
    QElapsedTimer clock;
    clock.start();
    StartProgram();
    const qint64 ms = clock.elapsed();
    EXPECT_GT(ms, 1300);
    EXPECT_LT(ms, 4000);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(Variables(), kPanelSet);
    EXPECT_EQ(ttick, 0);
}

TEST_F(Link, wrongEchoIsReportedAndNothingIsFetched)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--wrong-echo"}));
    target = EEPROM;
    StartProgram();
    EXPECT_EQ(Status(), "read error - not sync byte 0xAA!");
    EXPECT_EQ(target, RAM) << "InitVars set it; a failed check leaves it";
    const auto requests = Requests(sim_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].cmd, CMD_ECHO);
}

TEST_F(Link, aPortThatCannotBeOpenedSaysSoAtOnce)
{
    setenv("QZAN_COM1", TempPath("no-such-device").c_str(), 1);
    QElapsedTimer clock;
    clock.start();
    StartProgram();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(Status(), "Cannot open port");
    EXPECT_EQ(ret, COM_CANNOT_OPEN);
    EXPECT_EQ(Variables(), kPanelSet);
}

TEST_F(Link, portNumbersOutOfRangeAreInvalid)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    for (int port : {0, 256, -3}) {
        InitRS232(port);
        EXPECT_EQ(Status(), "Invalid port number") << port;
    }
}

TEST_F(Link, fetchedValuesAreClampedOnTheWayToThePanels)
{
    std::vector<unsigned> wild = kSensorSet;
    wild[0] = 1200; // power
    wild[5] = 7;    // evaluation mode
    wild[8] = 1025; // teach value
    wild[15] = 700; // scale factor
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(wild)}));
    StartProgram();
    EXPECT_EQ(power, 500);
    EXPECT_EQ(eMode, 1) << "an unknown mode falls back to one the drop-down can show";
    EXPECT_EQ(tVal, 512);
    EXPECT_EQ(para15, 800);
    double scale = 0;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    EXPECT_NEAR(scale, 0.8, 1e-6);
}

TEST_F(Link, getFromEepromSendsCodeFourWithTheCurrentVariables)
{
    std::vector<unsigned> eeprom = kSensorSet;
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(kSensorSet)}));
    StartProgram();
    power = 333; // the payload is the current variables, not the panels
    PushGET(EEPROM);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    const auto requests = Requests(sim_);
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.back().cmd, CMD_READ_EEPROM);
    EXPECT_EQ(requests.back().words[0], 333u);
    EXPECT_EQ(Variables(), eeprom);
}

TEST_F(Link, fetchWithoutAnswerKeepsTheVariablesAndDisablesTheTimer)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(kSensorSet)}));
    StartProgram();
    sim_.Stop();
    ASSERT_TRUE(StartSim({"--silent"}));
    InitRS232(com); // the link path now leads to a silent sensor
    PushGET(RAM);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(Variables(), kSensorSet);
    int enabled = 1;
    GetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, enabled);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(ttick, 0);
}

TEST_F(Link, aFortyByteAnswerIsOneFrameAndTheRestIsDropped)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(kSensorSet), "--extra-every", "1",
                          "--extra-bytes", "4"}));
    StartProgram();
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(Variables(), kSensorSet);
    EXPECT_EQ(GetInQLen(com), 0);
}

TEST_F(Link, aThirtyFiveByteAnswerIsNoFrame)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--short-every", "1"}));
    StartProgram();
    EXPECT_EQ(Status(), "Timeout-RS-232...");
}

TEST_F(Link, theNextExchangeWorksOnceTheLineIsBack)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(kSensorSet)}));
    StartProgram();
    sim_.Stop(true); // the pseudo-terminal vanishes
    PushGET(RAM);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    ASSERT_TRUE(StartSim({"--baud", "0", "--params", Join(kSensorSet)}));
    ChooseItem(panelHandle, PANEL_DropDCom, 0); // COM1 again
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
}

} // namespace
