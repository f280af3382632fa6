// The keyboard's "Teach background" against the simulator: it teaches, then
// fetches what the teach left in the sensor's RAM.
#include "program_fixture.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <Qt>

namespace {

class Operator : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartSim({"--baud", "0"}));
        StartProgram();
    }
};

TEST_F(Operator, theKeyboardsBackgroundTeachTeachesThenFetches)
{
    Click(panelHandle, PANEL_BTN_CCDSettings);
    ChooseItem(panelPopUp, POPUP_RING_CCDBGMode, 2);
    PressKey(panelPopUp, POPUP_BTNTeachBackGround, Qt::Key_Space);
    EXPECT_TRUE(WaitUntil([&] { return !Dimmed(panelPopUp, POPUP_BTNTeachBackGround); }, 3000));
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(IntValue(panelPopUp, POPUP_LED_TeachBackGround), 0);
    // The teach, then the fetch of what it left in the sensor's RAM.
    int teach = -1, fetch = -1, i = 0;
    for (const SimLogLine &l : sim_.Log()) {
        if (l.kind == "REQ" && l.cmd == CMD_TEACH_BACKGROUND)
            teach = i;
        if (l.kind == "REQ" && l.cmd == CMD_READ_RAM)
            fetch = i;
        ++i;
    }
    ASSERT_GE(teach, 0);
    EXPECT_GT(fetch, teach);
    EXPECT_EQ(sim_.Log("REQ", CMD_TEACH_BACKGROUND).size(), 1u);
}

} // namespace
