// Process entry and start-up: the run-time, both panels, the start-up
// defaults and information texts, the serial link, then the event loop.
#include "app/QzanRMRivad.h"

#include "core/globals.h"
#include "app/record.h"
#include "core/colors.h"
#include "core/status.h"
#include "graph/graph.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/runtime/options.h"
#include "platform/ui.h"
#include "settings/gui.h"

#include <cstdio>

namespace {

constexpr unsigned short kTickLimit = 60000; // ttick stops here and never wraps
constexpr int kPortCount = 16;               // the port drop-down offers COM1 to COM16

// The information area at the top of the main panel.
struct InfoText {
    const char *text;
    int left, top, pointSize;
};
constexpr InfoText kInfoTexts[] = {
    {"PC-SOFTWARE: Q-ZAN Series", 15, 8, 11},
    {"Vornhal GmbH", 15, 21, 11},
    {"Tel. +49 (0) 7000 4826-0", 15, 36, 11},
    {"Q-ZAN-RM-Rivad", 200, 20, 20},
    {"Version 1.0", 360, 28, 11},
};

} // namespace

int WinMain(void *hInstance, void * /*hPrevInstance*/, char * /*lpszCmdLine*/,
            int /*nCmdShow*/)
{
    // One window per sensor: --com N starts on port N instead of port 1.
    const StartOptions options = ReadStartOptions(hInstance, kPortCount);
    if (options.exitCode >= 0)
        return options.exitCode;
    if (InitRunTime(hInstance) == 0)
        return -1;
    int count = 0;
    const CallbackName *callbacks = ProgramCallbacks(count);
    RegisterCallbacks(callbacks, count);
    RegisterControls(kQzanControls, kQzanControlCount);
    // Exports from the graphs report in the status box.
    SetMessageSink(ShowStatusText);

    if ((panelHandle = LoadPanel(0, QZAN_PANEL_FILE, PANEL)) < 0)
        return -1;
    if ((panelPopUp = LoadPanel(panelHandle, QZAN_PANEL_FILE, POPUP)) < 0) {
        DiscardPanel(panelHandle);
        return -1;
    }
    GetProjectDir(proj_dir, sizeof proj_dir);
    InitVars();
    if (options.port > 0) {
        com = options.port;
        SetCtrlVal(panelHandle, PANEL_DropDCom, com);
    }
    // The link is opened and checked before the window is shown, so the
    // status box already tells how the sensor answered.
    InitRS232(com);
    DisplayPanel(panelHandle);
    RunUserInterface();
    StopRecording();
    CloseCom(com);
    DiscardPanel(panelPopUp);
    DiscardPanel(panelHandle);
    return 0;
}

void InitVars(void)
{
    power = 500;
    pwrMode = 0;
    vThd = 512;
    bVal = 64;
    polarity = 1;
    eMode = 1;
    eBeg = 200;
    eEnd = 800;
    tVal = 512;
    tTol = 100;
    iGain = 1;
    ePoti = 1;
    ccdMode = 0;
    pStart = 1;
    bMode = 0;
    para15 = 1000;
    com = 1;
    sync = 0x55;
    order = 1;
    target = RAM;
    rx_flag = 0;
    stop_flag = 1;

    SetStatus("InitVars");
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 1);
    SetCtrlVal(panelPopUp, POPUP_BIN_Sw_EnableTol, 1);
    for (const InfoText &info : kInfoTexts)
        ShowInfoText(info.text, info.left, info.top, info.pointSize);

    // From here on the parameters are what the panel file gives the controls.
    GetPanelValues();

    DeleteGraphPlot(panelHandle, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_NOW);
    SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, 1, tVal, 1.0);
    SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, 2, eBeg, 1.0);
    SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, 3, eEnd, 1.0);
    // Signed bounds: a tolerance beyond the setpoint reaches below pixel 0.
    const int left = static_cast<int>(tVal) - static_cast<int>(tTol);
    const int right = static_cast<int>(tVal) + static_cast<int>(tTol);
    PlotRectangle(panelHandle, PANEL_GRAPH_RAW, left, 0.0, right, 0.25, COLOR_GREEN, COLOR_GREEN);

    for (int i = 0; i < LINE_SAMPLES; ++i) {
        xArray[i] = static_cast<unsigned short>(4 * i);
        thdArray[i] = vThd;
    }
}

void ShowInfoText(const char *text, int left, int top, int pointSize)
{
    const int id = NewCtrl(panelHandle, CTRL_TEXT_MSG, "", top, left);
    SetCtrlAttribute(panelHandle, id, ATTR_TEXT_FONT, FONT_APPLICATION);
    SetCtrlAttribute(panelHandle, id, ATTR_TEXT_COLOR, COLOR_BLUE);
    SetCtrlAttribute(panelHandle, id, ATTR_TEXT_BGCOLOR, COLOR_WHITE);
    SetCtrlAttribute(panelHandle, id, ATTR_TEXT_POINT_SIZE, pointSize);
    SetCtrlVal(panelHandle, id, text);
}

int CC_PANEL(int /*panel*/, int event, void * /*callbackData*/, int /*eventData1*/,
             int /*eventData2*/)
{
    if (event == EV_CLOSE) {
        // A running measurement cycle or data read ends as Stop ends it, so
        // the window closes now instead of waiting for someone to press Stop.
        stop_flag = 1;
        QuitUserInterface(0);
    }
    return 0;
}

int CC_Timer50ms(int, int, int event, void *, int, int)
{
    if (event == EV_TIMER_TICK) {
        const unsigned int next = static_cast<unsigned int>(ttick) + 1u;
        ttick = static_cast<unsigned short>(next > kTickLimit ? kTickLimit : next);
    }
    return 0;
}
