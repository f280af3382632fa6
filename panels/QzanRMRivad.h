// Control identifiers of the panel file QzanRMRivad.ui. A control's name in
// the file is its objectName (or, for the lock group, its lockName property);
// the identifiers below are how the program addresses it.
#ifndef PANELS_QZANRMRIVAD_H
#define PANELS_QZANRMRIVAD_H

#include "platform/ui.h"

// Panel numbers in the file.
enum { PANEL = 1, POPUP = 2 };

// Main panel.
enum {
    PANEL_Slide_Power = 100,
    PANEL_RingPowerMode = 101,
    PANEL_NEDITVideoThreshold = 102,
    PANEL_RingPolarity = 103,
    PANEL_DropDEvalmode = 104,
    PANEL_NEDITEdgeLeft = 105,
    PANEL_NEDITEdgeRight = 106,
    PANEL_Slide_Reference = 107,
    PANEL_Slide_Tolerance = 108,
    PANEL_BINSWITCH_UM = 109,
    PANEL_NUM_MeasValue = 110,
    PANEL_NUM_Edge1 = 111,
    PANEL_NUM_Edge2 = 112,
    PANEL_GraphData = 113,
    PANEL_GRAPH_RAW = 114,
    PANEL_STATUS = 115,
    PANEL_Timer50ms = 116,
    PANEL_BTN_CCDSettings = 117,
    PANEL_BTNRun = 118,
    PANEL_BTNStop = 119,
    PANEL_BTNSend = 120,
    PANEL_BTNGet = 121,
    PANEL_BTNData = 122,
    PANEL_ButtonTeach = 123,
    PANEL_DropDCom = 124,
    PANEL_RBTRam = 125,
    PANEL_RBTEeprom = 126,
    PANEL_RBTFile = 127,
    PANEL_BTNLock1 = 128,
    PANEL_BTNLock2 = 129,
    PANEL_BTNLock3 = 130,
    PANEL_BIN_Sw_Record = 131,
    PANEL_BTNCompare = 132,
    PANEL_BTNTrend = 133,
    PANEL_BTNMonitor = 134,
};

// Settings popup.
enum {
    POPUP_NEDITTeach = 200,
    POPUP_NEDITTolerance = 201,
    POPUP_NUM_BackGround = 202,
    POPUP_BIN_Switch_VGain = 203,
    POPUP_BIN_Sw_EnableTol = 204,
    POPUP_NSLIDE_PixelStart = 205,
    POPUP_NUM_PixelEnd = 206,
    POPUP_RING_CCDMode = 207,
    POPUP_RING_CCDBGMode = 208,
    POPUP_NUM_ScalFact = 209,
    POPUP_BTNTeachBackGround = 210,
    POPUP_LED_TeachBackGround = 211,
    POPUP_NEDITTolLeff = 212,
};

// Every control the program addresses, for binding the file's widgets.
inline constexpr ControlName kQzanControls[] = {
    {PANEL, "Slide_Power", PANEL_Slide_Power},
    {PANEL, "RingPowerMode", PANEL_RingPowerMode},
    {PANEL, "NEDITVideoThreshold", PANEL_NEDITVideoThreshold},
    {PANEL, "RingPolarity", PANEL_RingPolarity},
    {PANEL, "DropDEvalmode", PANEL_DropDEvalmode},
    {PANEL, "NEDITEdgeLeft", PANEL_NEDITEdgeLeft},
    {PANEL, "NEDITEdgeRight", PANEL_NEDITEdgeRight},
    {PANEL, "Slide_Reference", PANEL_Slide_Reference},
    {PANEL, "Slide_Tolerance", PANEL_Slide_Tolerance},
    {PANEL, "BINSWITCH_UM", PANEL_BINSWITCH_UM},
    {PANEL, "NUM_MeasValue", PANEL_NUM_MeasValue},
    {PANEL, "NUM_Edge1", PANEL_NUM_Edge1},
    {PANEL, "NUM_Edge2", PANEL_NUM_Edge2},
    {PANEL, "GraphData", PANEL_GraphData},
    {PANEL, "GRAPH_RAW", PANEL_GRAPH_RAW},
    {PANEL, "STATUS", PANEL_STATUS},
    {PANEL, "Timer50ms", PANEL_Timer50ms},
    {PANEL, "BTN_CCDSettings", PANEL_BTN_CCDSettings},
    {PANEL, "BTNRun", PANEL_BTNRun},
    {PANEL, "BTNStop", PANEL_BTNStop},
    {PANEL, "BTNSend", PANEL_BTNSend},
    {PANEL, "BTNGet", PANEL_BTNGet},
    {PANEL, "BTNData", PANEL_BTNData},
    {PANEL, "ButtonTeach", PANEL_ButtonTeach},
    {PANEL, "DropDCom", PANEL_DropDCom},
    {PANEL, "RBTRam", PANEL_RBTRam},
    {PANEL, "RBTEeprom", PANEL_RBTEeprom},
    {PANEL, "RBTFile", PANEL_RBTFile},
    {PANEL, "BTNLock1", PANEL_BTNLock1},
    {PANEL, "BTNLock2", PANEL_BTNLock2},
    {PANEL, "BTNLock3", PANEL_BTNLock3},
    {PANEL, "BIN_Sw_Record", PANEL_BIN_Sw_Record},
    {PANEL, "BTNCompare", PANEL_BTNCompare},
    {PANEL, "BTNTrend", PANEL_BTNTrend},
    {PANEL, "BTNMonitor", PANEL_BTNMonitor},
    {POPUP, "NEDITTeach", POPUP_NEDITTeach},
    {POPUP, "NEDITTolerance", POPUP_NEDITTolerance},
    {POPUP, "NUM_BackGround", POPUP_NUM_BackGround},
    {POPUP, "BIN_Switch_VGain", POPUP_BIN_Switch_VGain},
    {POPUP, "BIN_Sw_EnableTol", POPUP_BIN_Sw_EnableTol},
    {POPUP, "NSLIDE_PixelStart", POPUP_NSLIDE_PixelStart},
    {POPUP, "NUM_PixelEnd", POPUP_NUM_PixelEnd},
    {POPUP, "RING_CCDMode", POPUP_RING_CCDMode},
    {POPUP, "RING_CCDBGMode", POPUP_RING_CCDBGMode},
    {POPUP, "NUM_ScalFact", POPUP_NUM_ScalFact},
    {POPUP, "BTNTeachBackGround", POPUP_BTNTeachBackGround},
    {POPUP, "LED_TeachBackGround", POPUP_LED_TeachBackGround},
    {POPUP, "NEDITTolLeff", POPUP_NEDITTolLeff},
};
inline constexpr int kQzanControlCount =
    static_cast<int>(sizeof kQzanControls / sizeof kQzanControls[0]);

// The panel file's name, beside the program.
#define QZAN_PANEL_FILE "QzanRMRivad.ui"

#endif
