// The settings popup's callbacks: immediate feedback (cursors, read-outs in
// pixels or micrometres, dimming, scale factor) and the background teach.
#include "settings/PopUp.h"

#include "core/controls.h"
#include "core/convert.h"
#include "core/status.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"
#include "settings/gui.h"

namespace {

// Shows a popup length on a main-panel slide in the unit the switch chooses.
void ShowLength(int control, int popupControl)
{
    unsigned short length = 0;
    int unit = 0;
    GetCtrlVal(panelPopUp, popupControl, length);
    GetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, unit);
    SetCtrlVal(panelHandle, control, unit == 0 ? PixelsToMicrons(length, PPITCH) : length);
}

void MoveEdgeCursor(int control, int cursor)
{
    unsigned short x = 0;
    GetCtrlVal(panelHandle, control, x);
    SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, cursor, x, 1.0);
}

} // namespace

int CC_NEDITEdgeLeft(int, int, int event, void *, int, int)
{
    if (event == EV_COMMIT)
        MoveEdgeCursor(PANEL_NEDITEdgeLeft, 2);
    return 0;
}

int CC_NEDITEdgeRight(int, int, int event, void *, int, int)
{
    if (event == EV_COMMIT)
        MoveEdgeCursor(PANEL_NEDITEdgeRight, 3);
    return 0;
}

int CC_NEDITTolLeff(int, int, int, void *, int, int) { return 0; }
int CC_BIN_Switch_VGain(int, int, int, void *, int, int) { return 0; }

int CC_BINSWITCH_UM(int, int, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    int unit = 1;
    GetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, unit);
    if (unit == 0) {
        // The setpoint scales with the operator's factor, the tolerance does not.
        SetCtrlVal(panelHandle, PANEL_Slide_Reference, ScaledPixelsToMicrons(scaleF, tVal, PPITCH));
        SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, PixelsToMicrons(tTol, PPITCH));
    } else {
        SetCtrlVal(panelHandle, PANEL_Slide_Reference, tVal);
        SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, tTol);
    }
    return 0;
}

int CC_BTN_CCDSettings(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT)
        return 0;
    if (hidePopUp == 0) {
        HidePanel(panelPopUp);
        hidePopUp = 1;
    } else {
        DisplayPanel(panelPopUp);
        hidePopUp = 0;
    }
    return 0;
}

int CC_POPUP(int, int event, void *, int, int)
{
    if (event == EV_CLOSE) {
        HidePanel(panelPopUp);
        hidePopUp = 1;
    }
    return 0;
}

int CC_NSLIDE_PixelStart(int, int, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    unsigned short start = 0;
    GetCtrlVal(panelPopUp, POPUP_NSLIDE_PixelStart, start);
    SetCtrlVal(panelPopUp, POPUP_NUM_PixelEnd, start + 255);
    return 0;
}

int CC_RING_CCDMode(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT)
        return 0;
    unsigned short mode = 0;
    GetCtrlVal(panelPopUp, POPUP_RING_CCDMode, mode);
    const int dimmed = mode == 1 ? 0 : 1;
    Dim(panelPopUp, POPUP_NSLIDE_PixelStart, dimmed);
    Dim(panelPopUp, POPUP_NUM_PixelEnd, dimmed);
    return 0;
}

int CC_RING_CCDBGMode(int, int, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    unsigned short mode = 0;
    GetCtrlVal(panelPopUp, POPUP_RING_CCDBGMode, mode);
    Dim(panelPopUp, POPUP_NUM_BackGround, mode == 1 ? 0 : 1);
    // A background teach cannot start while a measurement runs.
    const int teachDimmed = mode == 2 && stop_flag == 1 ? 0 : 1;
    Dim(panelPopUp, POPUP_BTNTeachBackGround, teachDimmed);
    Dim(panelPopUp, POPUP_LED_TeachBackGround, teachDimmed);
    return 0;
}

int CC_BIN_Sw_EnableTol(int, int, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    int on = 0;
    GetCtrlVal(panelPopUp, POPUP_BIN_Sw_EnableTol, on);
    Dim(panelPopUp, POPUP_NEDITTolerance, on == 1 ? 1 : 0);
    return 0;
}

int CC_NEDITTolerance(int, int, int event, void *, int, int)
{
    if (event == EV_VALUE_CHANGED)
        ShowLength(PANEL_Slide_Tolerance, POPUP_NEDITTolerance);
    return 0;
}

int CC_NEDITTeach(int, int, int event, void *, int, int)
{
    if (event == EV_COMMIT)
        ShowLength(PANEL_Slide_Reference, POPUP_NEDITTeach);
    return 0;
}

int CC_NUM_ScalFact(int, int, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    float scale = 1.0f;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    scaleF = scale;
    para15 = ScaleToThousandths(scale);
    return 0;
}

int CC_BTNTeachBackGround(int, int, int event, void *, int, int)
{
    if (event == EV_LEFT_CLICK) {
        Dim(panelPopUp, POPUP_BTNTeachBackGround, 1);
        SetCtrlVal(panelPopUp, POPUP_LED_TeachBackGround, 1);
        static constexpr ExchangeWay kTeachBackground = {FLUSH_OUT_IN, SENT_SHOW_IF_QUEUED,
                                                         "Line Ok!", TICKS_OWN, LIMIT_REPLY,
                                                         UNTIL_FRAME, 0};
        GetPanelValues();
        CopyVarsToPP();
        const int result = Exchange(com, CMD_TEACH_BACKGROUND, pp, kTeachBackground);
        if (result == EXCHANGE_ANSWERED) {
            GetRxBuf(PNUM);
            SetStatus("Teach order echo received! - Line Ok!");
        } else {
            if (result == EXCHANGE_TIMED_OUT)
                SetStatus("Timeout-RS-232...");
            ShowStatus();
        }
    } else if (event == EV_COMMIT) {
        if (rx_flag != 0)
            PushGET(RAM);
        SetCtrlVal(panelPopUp, POPUP_LED_TeachBackGround, 0);
        Dim(panelPopUp, POPUP_BTNTeachBackGround, 0);
    }
    return 0;
}
