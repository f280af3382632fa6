// The main module: process entry, start-up defaults, information texts and
// the main panel's callbacks.
#ifndef APP_QZANRMRIVAD_H
#define APP_QZANRMRIVAD_H

#include "platform/ui.h"

int WinMain(void *hInstance, void *hPrevInstance, char *lpszCmdLine, int nCmdShow);
void InitVars(void);
// Opens port `port`, checks the line and, when a sensor answered, fetches its
// RAM parameters into the panels; the status box tells how it went.
void InitRS232(int port);
void ShowInfoText(const char *text, int left, int top, int pointSize);

// The callbacks the panel file names, for the run-time.
const CallbackName *ProgramCallbacks(int &count);

int CC_PANEL(int panel, int event, void *callbackData, int eventData1, int eventData2);
int CC_Timer50ms(CALLBACK_ARGS);

// Measurement cycle and main-panel controls.
int CC_BTNRun(CALLBACK_ARGS);
int CC_BTNStop(CALLBACK_ARGS);
int CC_GraphData(CALLBACK_ARGS);
int CC_ButtonTeach(CALLBACK_ARGS);
int CC_NEDITVideoThreshold(CALLBACK_ARGS);
int CC_DropDEvalmode(CALLBACK_ARGS);
int CC_DropDCom(CALLBACK_ARGS);
int CC_Slide_Reference(CALLBACK_ARGS);
int CC_Slide_Tolerance(CALLBACK_ARGS);
int CC_Slide_Power(CALLBACK_ARGS);
int CC_RingPowerMode(CALLBACK_ARGS);
int CC_RingPolarity(CALLBACK_ARGS);

// Parameter transfer commands.
int CC_BTNSend(CALLBACK_ARGS);
int CC_BTNGet(CALLBACK_ARGS);
int CC_RBTRam(CALLBACK_ARGS);
int CC_RBTEeprom(CALLBACK_ARGS);
int CC_RBTFile(CALLBACK_ARGS);
int CC_BTNData(CALLBACK_ARGS);
// Opens the compare window.
int CC_BTNCompare(CALLBACK_ARGS);
int CC_BTNTrend(CALLBACK_ARGS);
int CC_BTNMonitor(CALLBACK_ARGS);

#endif
