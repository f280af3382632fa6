// Teach and background teach as the sensor sees them: the bytes of each
// request read off the line by the test itself, and the sensor's reaction
// read back by the plain client in the sensor's own command codes. Neither
// looks anything up by the program's constants, so a wrong code cannot
// move the expectation along with it.
#include "program_fixture.h"

#include "bare_client.h"
#include "pty_pair.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"

#include <cstdlib>
#include <string>

namespace {

using qzan::test::Client;
using qzan::test::PtyPair;

std::string Hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

class Teach : public ProgramTest {};

// The test plays the sensor and never answers: each wait runs into its
// time-out, and every byte the program sent stays on the line for the test.
TEST_F(Teach, eachTeachRequestCarriesItsOwnCodeOnTheLine)
{
    PtyPair line;
    ASSERT_GE(line.master, 0);
    setenv("QZAN_COM1", line.slave.c_str(), 1);
    StartProgram();
    EXPECT_EQ(Hex(line.receive(36).substr(0, 4)), "00 55 00 07") << "the line check";

    // Teach sends the words of the last exchange as they are.
    for (int i = 0; i < 16; ++i)
        pp[i] = static_cast<unsigned short>(0x0101 * (i + 1));
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Hex(line.receive(36)),
              "00 55 00 05 01 01 02 02 03 03 04 04 05 05 06 06 07 07 08 08 "
              "09 09 0a 0a 0b 0b 0c 0c 0d 0d 0e 0e 0f 0f 10 10");

    // Background teach sends the panels' values: word 14 is the background
    // mode the operator chose.
    Click(panelHandle, PANEL_BTN_CCDSettings);
    ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
    Press(panelPopUp, POPUP_BTNTeachBackGround); // returns after the wait
    Release(panelPopUp, POPUP_BTNTeachBackGround);
    const std::string background = line.receive(36);
    ASSERT_EQ(background.size(), 36u) << Hex(background);
    EXPECT_EQ(Hex(background.substr(0, 4)), "00 55 00 06");
    EXPECT_EQ(Hex(background.substr(4 + 2 * 14, 2)), "00 02");
    EXPECT_EQ(line.receive(1, 100), "") << "nothing else was sent";
}

TEST_F(Teach, afterTeachTheSensorsSetpointIsItsMeasuredValue)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--drift", "0", "--noise", "0"}));
    unsigned measured = 0, setpointBefore = 0;
    {
        Client sensor;
        ASSERT_TRUE(sensor.open(link_));
        const auto measurement = sensor.exchange(8);
        const auto ram = sensor.exchange(2);
        ASSERT_EQ(measurement.size(), 16u);
        ASSERT_EQ(ram.size(), 16u);
        measured = measurement[2];
        setpointBefore = ram[8];
    }
    ASSERT_NE(measured, setpointBefore) << "the teach would change nothing";

    StartProgram();
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(tVal, measured) << "fetched after the teach";
    StopProgram();

    Client sensor;
    ASSERT_TRUE(sensor.open(link_));
    const auto ram = sensor.exchange(2);
    ASSERT_EQ(ram.size(), 16u);
    EXPECT_EQ(ram[8], measured) << "the sensor's own setpoint";
    sensor.close();
    int teaches = 0, backgroundTeaches = 0;
    for (const SimLogLine &l : sim_.Log()) {
        if (l.kind != "REQ" || l.fields.empty())
            continue;
        teaches += l.fields[0] == "5";
        backgroundTeaches += l.fields[0] == "6";
    }
    EXPECT_EQ(teaches, 1);
    EXPECT_EQ(backgroundTeaches, 0);
}

} // namespace
