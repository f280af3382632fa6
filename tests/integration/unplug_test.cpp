// The line vanishing in the middle of an exchange (the simulator killed, its
// pseudo-terminal gone): a cycle, a data read, a fetch and a teach each end in
// their time-out text, and choosing the port again once the sensor is back
// restores the link.
#include "program_fixture.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QTimer>

namespace {

class Unplug : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartSim(kFast));
        StartProgram();
        ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    }
    // Unplugs the sensor `ms` after the next event-loop pass.
    void UnplugAfter(int ms)
    {
        QTimer::singleShot(ms, [this] { sim_.Stop(true); });
    }
    // Plugs it back in and chooses the port again, as an operator would.
    void Replug()
    {
        ASSERT_TRUE(StartSim(kFast));
        ChooseItem(panelHandle, PANEL_DropDCom, 0);
        EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
        EXPECT_EQ(target, RAM);
    }
    long long RawPlots() const { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }

    // A slow sensor, so that a wait is under way when the line goes.
    const std::vector<std::string> kSlow = {"--baud", "19200", "--turnaround-ms", "400"};
    const std::vector<std::string> kFast = {"--baud", "0"};
};

TEST_F(Unplug, duringACycle)
{
    const long long before = RawPlots();
    When([&] { return RawPlots() - before >= 20; }, [&] { sim_.Stop(true); });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_EQ(Status(), "Timeout RS232-Line!");
    EXPECT_LT(ComWrt(com, szWriteBuf, FRAME_BYTES), 0) << "the gone port was closed";
    Replug();
    const long long again = RawPlots();
    When([&] { return RawPlots() - again >= 20; }, [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_GE(RawPlots() - again, 20);
}

TEST_F(Unplug, duringADataRead)
{
    const GraphModel *data = GetGraphModel(panelHandle, PANEL_GraphData);
    const long long before = data->curvesDrawn;
    When([&] { return data->curvesDrawn - before >= 2; }, [&] { sim_.Stop(true); });
    Click(panelHandle, PANEL_BTNData);
    EXPECT_EQ(Status(), "Timeout RS232-Line!");
    EXPECT_EQ(stop_flag, 1);
    Replug();
}

TEST_F(Unplug, duringAFetch)
{
    sim_.Stop();
    ASSERT_TRUE(StartSim(kSlow));
    ChooseItem(panelHandle, PANEL_DropDCom, 0);
    ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    UnplugAfter(100);
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    Replug();
}

TEST_F(Unplug, duringATeach)
{
    sim_.Stop();
    ASSERT_TRUE(StartSim(kSlow));
    ChooseItem(panelHandle, PANEL_DropDCom, 0);
    UnplugAfter(100);
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    Replug();
}

} // namespace
