// Callbacks of the settings popup and of the main-panel controls that work
// with it (edge window, unit switch, the popup's show-and-hide button).
#ifndef SETTINGS_POPUP_H
#define SETTINGS_POPUP_H

#include "platform/ui.h"

int CC_NEDITEdgeLeft(CALLBACK_ARGS);
int CC_NEDITEdgeRight(CALLBACK_ARGS);
int CC_NEDITTolLeff(CALLBACK_ARGS);
int CC_BINSWITCH_UM(CALLBACK_ARGS);
int CC_BTN_CCDSettings(CALLBACK_ARGS);
int CC_BIN_Switch_VGain(CALLBACK_ARGS);
int CC_BTNTeachBackGround(CALLBACK_ARGS);
int CC_NSLIDE_PixelStart(CALLBACK_ARGS);
int CC_RING_CCDMode(CALLBACK_ARGS);
int CC_RING_CCDBGMode(CALLBACK_ARGS);
int CC_BIN_Sw_EnableTol(CALLBACK_ARGS);
int CC_NEDITTolerance(CALLBACK_ARGS);
int CC_NEDITTeach(CALLBACK_ARGS);
int CC_NUM_ScalFact(CALLBACK_ARGS);
// The popup's own close request hides it, as its button does.
int CC_POPUP(int panel, int event, void *callbackData, int eventData1, int eventData2);

#endif
