// The panel binding: parameter variables to and from their controls, with
// the record's clamp on the way to the panels.
#include "settings/gui.h"

#include "core/controls.h"
#include "core/convert.h"
#include "core/colors.h"
#include "core/globals.h"
#include "core/protocol/record.h"
#include "graph/graph.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"


namespace {


} // namespace

void GetPanelValues(void)
{
    GetCtrlVal(panelHandle, PANEL_Slide_Power, power);
    GetCtrlVal(panelHandle, PANEL_RingPowerMode, pwrMode);
    GetCtrlVal(panelHandle, PANEL_NEDITVideoThreshold, vThd);
    GetCtrlVal(panelHandle, PANEL_RingPolarity, polarity);
    GetCtrlVal(panelHandle, PANEL_DropDEvalmode, eMode);
    GetCtrlVal(panelHandle, PANEL_NEDITEdgeLeft, eBeg);
    GetCtrlVal(panelHandle, PANEL_NEDITEdgeRight, eEnd);
    GetCtrlVal(panelPopUp, POPUP_NEDITTeach, tVal);
    GetCtrlVal(panelPopUp, POPUP_NEDITTolerance, tTol);
    GetCtrlVal(panelPopUp, POPUP_NUM_BackGround, bVal);
    GetCtrlVal(panelPopUp, POPUP_BIN_Switch_VGain, iGain);
    GetCtrlVal(panelPopUp, POPUP_BIN_Sw_EnableTol, ePoti);
    GetCtrlVal(panelPopUp, POPUP_NSLIDE_PixelStart, pStart);
    GetCtrlVal(panelPopUp, POPUP_RING_CCDMode, ccdMode);
    GetCtrlVal(panelPopUp, POPUP_RING_CCDBGMode, bMode);
    // Read into a local: scaleF takes the operator's factor only in the
    // factor's own callback.
    float scale = 0.0f;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    para15 = ScaleToThousandths(scale);
}

void SetPanelValues(void)
{
    // Values from the sensor or a file come back into range before they are
    // shown; an unknown evaluation mode falls back to the start-up mode,
    // which the drop-down can show.
    qzan::protocol::Words words{};
    CopyVarsToWords(words.data());
    CopyWordsToVars(qzan::protocol::ClampRecord(words).words.data());

    SetCtrlVal(panelHandle, PANEL_Slide_Power, power);
    SetCtrlVal(panelHandle, PANEL_RingPowerMode, pwrMode);
    SetCtrlVal(panelHandle, PANEL_NEDITVideoThreshold, vThd);
    SetCtrlVal(panelHandle, PANEL_RingPolarity, polarity);
    SetCtrlVal(panelHandle, PANEL_DropDEvalmode, eMode);
    SetCtrlVal(panelHandle, PANEL_NEDITEdgeLeft, eBeg);
    SetCtrlVal(panelHandle, PANEL_NEDITEdgeRight, eEnd);
    SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, tTol);
    SetCtrlVal(panelHandle, PANEL_Slide_Reference, tVal);

    SetCtrlVal(panelPopUp, POPUP_NEDITTeach, tVal);
    SetCtrlVal(panelPopUp, POPUP_NEDITTolerance, tTol);
    SetCtrlVal(panelPopUp, POPUP_NUM_BackGround, bVal);
    SetCtrlVal(panelPopUp, POPUP_BIN_Switch_VGain, iGain);
    SetCtrlVal(panelPopUp, POPUP_BIN_Sw_EnableTol, ePoti);
    SetCtrlVal(panelPopUp, POPUP_NSLIDE_PixelStart, pStart);
    SetCtrlVal(panelPopUp, POPUP_NUM_PixelEnd, pStart + 255);
    SetCtrlVal(panelPopUp, POPUP_RING_CCDMode, ccdMode);
    SetCtrlVal(panelPopUp, POPUP_RING_CCDBGMode, bMode);
    SetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, para15 / 1000.0);

    for (unsigned short &t : thdArray)
        t = vThd;
    PlotDATACurve(adcbuf);

    if (ccdMode == 0)
        PlotRectangle(panelHandle, PANEL_GRAPH_RAW, 0.0, 0.0, 1023.0, 1.0, COLOR_GREY, COLOR_GREY);
    else
        PlotRectangle(panelHandle, PANEL_GRAPH_RAW, pStart, 0.0, pStart + 255, 1.0, COLOR_GREY,
                      COLOR_GREY);

    // Each rule acts in one direction only; the popup's own callbacks set both.
    if (ePoti == 1)
        Dim(panelPopUp, POPUP_NEDITTolerance, 1);
    if (bMode == 1)
        Dim(panelPopUp, POPUP_NUM_BackGround, 0);
    if (bMode == 2) {
        Dim(panelPopUp, POPUP_BTNTeachBackGround, 0);
        Dim(panelPopUp, POPUP_LED_TeachBackGround, 0);
    }
    if (eMode == 2)
        Dim(panelPopUp, POPUP_NUM_ScalFact, 0);
}
