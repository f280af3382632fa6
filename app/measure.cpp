// The live measurement cycle and the main-panel controls that act at once:
// Run, Stop, Teach, the video threshold, the evaluation mode and the COM port.
#include "app/QzanRMRivad.h"

#include "core/controls.h"
#include "core/globals.h"
#include "app/record.h"
#include "core/status.h"
#include "graph/graph.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"
#include "settings/gui.h"
#include "views/trend_feed.h"

namespace {

// Gives back the lock group as Stop and the evaluation-mode click do.
void UndimLockGroup(void)
{
    Dim(panelHandle, PANEL_BTNLock2, 0);
    Dim(panelHandle, PANEL_BTNLock1, 0);
    Dim(panelHandle, PANEL_BTNLock3, 0);
    Dim(panelHandle, PANEL_BTNCompare, 0);
}

} // namespace

int CC_BTNRun(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT)
        return 0;
    SetCtrlAttribute(panelHandle, PANEL_GRAPH_RAW, ATTR_GRAPH_LIVE, 1);
    Dim(panelHandle, PANEL_GraphData, 1);
    Dim(panelHandle, PANEL_BTNLock1, 1);
    Dim(panelHandle, PANEL_BTNLock2, 1);
    Dim(panelHandle, PANEL_BTNLock3, 1);
    Dim(panelHandle, PANEL_BTNCompare, 1);
    Dim(panelPopUp, POPUP_BTNTeachBackGround, 1);
    Dim(panelPopUp, POPUP_LED_TeachBackGround, 1);

    // The first request starts the ticks; the later ones find them running
    // (each answer sets ttick to 0) until the loop ends. Whatever arrived
    // beyond an answer belongs to no request: each request flushes first.
    static constexpr ExchangeWay kFirst = {FLUSH_IN_OUT, SENT_SHOW_IF_QUEUED, "Line Ok!",
                                           TICKS_LEAVE_ON, LIMIT_REPLY, UNTIL_FRAME, 1};
    static constexpr ExchangeWay kNext = {FLUSH_IN_OUT, SENT_QUIET, nullptr,
                                          TICKS_RUNNING, LIMIT_REPLY, UNTIL_FRAME, 1};
    sync = 0x55;
    stop_flag = 0;
    graphrefresh = 0;
    const ExchangeWay *way = &kFirst;
    while (stop_flag == 0) {
        CopyVarsToPP();
        const int result = Exchange(com, CMD_MEASURE, pp, *way);
        way = &kNext;
        if (result == EXCHANGE_CLOSED || result == EXCHANGE_STOPPED) {
            stop_flag = 1;
            break;
        }
        if (result == EXCHANGE_TIMED_OUT) {
            SetStatus("Timeout RS232-Line!");
            stop_flag = 1;
            break;
        }
        // Plot before re-sending: the request overwrites pp with the settings.
        if (graphrefresh == 1) {
            PlotRAWValues();
            FeedTrend();
            RecordAnswer();
            graphrefresh = 0;
        }
    }

    rx_flag = 0;
    FlushInQ(com);
    FlushOutQ(com);
    graphrefresh = 0;
    Dim(panelHandle, PANEL_BTNLock1, 0);
    Dim(panelHandle, PANEL_BTNCompare, 0);
    StopTicks();
    RecordFlush();
    return 0;
}

int CC_BTNStop(int, int, int event, void *, int, int)
{
    if (event != EV_LEFT_CLICK)
        return 0;
    stop_flag = 1;
    UndimLockGroup();
    if (bMode == 2) {
        Dim(panelPopUp, POPUP_BTNTeachBackGround, 0);
        Dim(panelPopUp, POPUP_LED_TeachBackGround, 0);
    }
    return 0;
}

int CC_GraphData(int, int, int, void *, int, int) { return 0; }

int CC_ButtonTeach(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT)
        return 0;
    // The fetch after the answer runs inside the teach's wait, with its ticks
    // still on.
    static constexpr ExchangeWay kTeach = {FLUSH_IN_OUT, SENT_SET, "New setpoint value teached!",
                                           TICKS_LEAVE_ON, LIMIT_TEACH, UNTIL_FRAME, 0};
    // The payload is pp as the last exchange left it; the sensor takes its
    // own measured value as the new setpoint.
    const int result = Exchange(com, CMD_TEACH, pp, kTeach);
    if (result == EXCHANGE_ANSWERED)
        PushGET(RAM);
    else if (result == EXCHANGE_TIMED_OUT)
        SetStatus("Timeout-RS-232..."); // nothing was taught: the status must not say so
    StopTicks();
    return 0;
}

int CC_NEDITVideoThreshold(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT && event != EV_LEFT_CLICK)
        return 0;
    // Read into a local: only the line moves now; vThd follows the control at
    // the next GetPanelValues.
    unsigned short threshold = 0;
    GetCtrlVal(panelHandle, PANEL_NEDITVideoThreshold, threshold);
    for (unsigned short &t : thdArray)
        t = threshold;
    PlotDATACurve(adcbuf);
    return 0;
}

int CC_DropDEvalmode(int, int, int event, void *, int, int)
{
    if (event == EV_VALUE_CHANGED) {
        unsigned short mode = 0;
        GetCtrlVal(panelHandle, PANEL_DropDEvalmode, mode);
        Dim(panelPopUp, POPUP_NUM_ScalFact, mode == 2 ? 0 : 1);
    } else if (event == EV_LEFT_CLICK) {
        // The mouse press ends a running cycle before a new mode is chosen.
        stop_flag = 1;
        UndimLockGroup();
        Dim(panelPopUp, POPUP_BTNTeachBackGround, 0);
    }
    return 0;
}

int CC_DropDCom(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT && event != EV_VALUE_CHANGED)
        return 0;
    CloseCom(com);
    GetCtrlVal(panelHandle, PANEL_DropDCom, com);
    ShowStatusText("Init COM-Port ...");
    InitRS232(com);
    return 0;
}

// Controls whose values are read only by the panel binding.
int CC_Slide_Reference(int, int, int, void *, int, int) { return 0; }
int CC_Slide_Tolerance(int, int, int, void *, int, int) { return 0; }
int CC_Slide_Power(int, int, int, void *, int, int) { return 0; }
int CC_RingPowerMode(int, int, int, void *, int, int) { return 0; }
int CC_RingPolarity(int, int, int, void *, int, int) { return 0; }
