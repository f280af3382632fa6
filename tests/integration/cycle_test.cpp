// The live measurement cycle and the main-panel controls, driven through the
// real buttons and drop-downs against the simulator: every answer plotted
// once, Stop, the time-out and the lock group, teach, the evaluation-mode
// click and a port change in the middle of a cycle.
#include "program_fixture.h"

#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <QElapsedTimer>
#include <Qt>

#include <memory>

namespace {

long long RawPlots() { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }

long Answers(const SimProcess &sim, int cmd)
{
    return static_cast<long>(sim.Log("ANS", cmd).size());
}

long RequestsOf(const SimProcess &sim, int cmd)
{
    return static_cast<long>(sim.Log("REQ", cmd).size());
}

using Cycle = ProgramTest;

TEST_F(Cycle, everyAnswerIsPlottedOnceAndFollowedByOneRequest)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    const long long before = RawPlots();
    long long plotsAtStop = 0;
    When([&] { return RawPlots() - before >= 400; },
         [&] {
             plotsAtStop = RawPlots() - before;
             Press(panelHandle, PANEL_BTNStop);
             Release(panelHandle, PANEL_BTNStop);
         });
    Click(panelHandle, PANEL_BTNRun); // returns when the cycle has ended
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(Status(), "Line Ok!");
    const long long plots = RawPlots() - before;
    EXPECT_EQ(plots, plotsAtStop) << "nothing is plotted after Stop";
    Spin(100);
    sim_.Stop();
    const long requests = RequestsOf(sim_, CMD_MEASURE);
    const long answers = Answers(sim_, CMD_MEASURE);
    EXPECT_EQ(requests, answers);
    // One request is outstanding when Stop comes; its answer is not plotted.
    EXPECT_GE(plots, answers - 1);
    EXPECT_LE(plots, answers);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock1));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock2));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock3));
    EXPECT_TRUE(Dimmed(panelHandle, PANEL_GraphData));
}

TEST_F(Cycle, aSilentSensorEndsTheRunWithItsTimeoutAndGivesBackOnlyRun)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    SilenceSensor();
    QElapsedTimer clock;
    clock.start();
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_GT(clock.elapsed(), 1300);
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(Status(), "Timeout RS232-Line!");
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock1));
    EXPECT_TRUE(Dimmed(panelHandle, PANEL_BTNLock2));
    EXPECT_TRUE(Dimmed(panelHandle, PANEL_BTNLock3));
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround));
    // Stop while idle only gives the lock group back.
    Click(panelHandle, PANEL_BTNStop);
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock2));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock3));
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround)) << "only in background mode 2";
}

TEST_F(Cycle, stopFromTheKeyboardEndsTheCycleAsAClickDoes)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    const long long before = RawPlots();
    // Shared with the fallback's poll, which outlives this test's frame
    // when the key works and the fallback is never needed.
    auto done = std::make_shared<bool>(false), clicked = std::make_shared<bool>(false);
    When([&] { return RawPlots() - before >= 20; },
         [=, this] {
             const long long atKey = RawPlots();
             PressKey(panelHandle, PANEL_BTNStop, Qt::Key_Space);
             // Only if the key did nothing: end the run all the same.
             When([=, this] { return *done || RawPlots() - atKey >= 200; },
                  [=, this] {
                      if (*done)
                          return;
                      *clicked = true;
                      Click(panelHandle, PANEL_BTNStop);
                  });
         });
    Click(panelHandle, PANEL_BTNRun);
    *done = true;
    Spin(30); // the fallback's poll ends
    EXPECT_FALSE(*clicked) << "Space on Stop did not end the cycle";
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock1));
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock3));
}

TEST_F(Cycle, theEvaluationModeClickEndsTheRun)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    const long long before = RawPlots();
    When([&] { return RawPlots() - before >= 10; },
         [&] {
             Press(panelHandle, PANEL_DropDEvalmode);
             Release(panelHandle, PANEL_DropDEvalmode);
         });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(Dimmed(panelHandle, PANEL_BTNLock3));
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround));
}

TEST_F(Cycle, aPortChangeInsideARunReopensAndTheRunGoesOn)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    const long long before = RawPlots();
    long long atChange = 0;
    When([&] { return RawPlots() - before >= 30; },
         [&] {
             ChooseItem(panelHandle, PANEL_DropDCom, 0); // the same port: close, re-open
             atChange = RawPlots() - before;
             When([&] { return RawPlots() - before >= atChange + 30; },
                  [&] { Click(panelHandle, PANEL_BTNStop); });
         });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_GE(RawPlots() - before, atChange + 30);
    EXPECT_GE(RequestsOf(sim_, CMD_ECHO), 2) << "the nested re-open ran its line check";
    EXPECT_EQ(target, RAM);
}

TEST_F(Cycle, teachWithAnAnswerFetchesOnceFromRam)
{
    ASSERT_TRUE(StartSim({"--baud", "0", "--drift", "0", "--noise", "0"}));
    StartProgram();
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    Spin(50);
    const auto log = sim_.Log();
    int teach = -1, fetchesAfter = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].kind == "REQ" && log[i].cmd == CMD_TEACH)
            teach = static_cast<int>(i);
        else if (teach >= 0 && log[i].kind == "REQ" && log[i].cmd == CMD_READ_RAM)
            ++fetchesAfter;
    }
    ASSERT_GE(teach, 0);
    EXPECT_EQ(fetchesAfter, 1);
}

TEST_F(Cycle, teachWithoutAnAnswerDoesNotClaimSuccess)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    SilenceSensor();
    QElapsedTimer clock;
    clock.start();
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_GT(clock.elapsed(), 500);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    EXPECT_EQ(RequestsOf(sim_, CMD_READ_RAM), 0);
}

TEST_F(Cycle, theVideoThresholdRedrawsItsLineWithoutSending)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    const size_t before = sim_.Log().size();
    TypeNumber(panelHandle, PANEL_NEDITVideoThreshold, 300);
    const GraphModel *g = GetGraphModel(panelHandle, PANEL_GraphData);
    ASSERT_EQ(g->plotCount, 2);
    EXPECT_EQ(g->plots[1].color, 0x008000);
    for (double y : g->plots[1].y)
        ASSERT_EQ(y, 300);
    Spin(50);
    EXPECT_EQ(sim_.Log().size(), before);
}

} // namespace
