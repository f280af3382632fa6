// Parameter transfer: Send and Get for the sensor's RAM, its EEPROM or a
// parameter file, the target radio buttons, and the data read loop.
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

constexpr int kNotifyCount = FRAME_BYTES;

// The data blocks are collected by polling the input queue, so the receive
// callback must not take their first 36 bytes as a frame meanwhile.
void RemoveReceiveCallback(void) { InstallComCallback(com, 0, kNotifyCount, sync, nullptr, nullptr); }

void InstallReceiveCallback(void)
{
    InstallComCallback(com, eventMask, kNotifyCount, sync, RX_Receive_Function, nullptr);
}

// Radio buttons: the one switched on becomes the target; switching one off
// falls back to RAM, so exactly one stays on.
void ChooseTarget(int control, int state, int chosen)
{
    if (state) {
        SetCtrlVal(panelHandle, control, 1);
        target = chosen;
        const int all[] = {PANEL_RBTRam, PANEL_RBTEeprom, PANEL_RBTFile};
        for (int other : all)
            if (other != control)
                SetCtrlVal(panelHandle, other, 0);
    } else {
        target = RAM;
        SetCtrlVal(panelHandle, PANEL_RBTRam, 1);
    }
}

} // namespace

int CC_BTNSend(int, int, int event, void *, int, int)
{
    if (event != EV_LEFT_CLICK)
        return 0;
    ShowStatusText("Transmit...");
    if (target == DATFILE) {
        const int chosen = FileSelectPopup(proj_dir, "QZANpara.dat", "*.dat",
                                           "Q-ZAN-RM-Series Parameter File", BUTTON_OK, 0, 1, 1,
                                           1, file_name, sizeof file_name);
        if (chosen > 0)
            SendParaToFile();
        else if (chosen == FILE_POPUP_PATH_TOO_LONG)
            SetStatus(TXT_PATH_TOO_LONG);
        return 0;
    }
    sync = 0x55;
    order = target == EEPROM ? CMD_WRITE_EEPROM : CMD_WRITE_RAM;
    GetPanelValues();
    CopyVarsToPP();
    FillTxBuf(static_cast<unsigned short>(order), pp);
    nBytesW = ComWrt(com, szWriteBuf, FRAME_BYTES);
    if (nBytesW == FRAME_BYTES)
        ShowStatusText("Line Ok!");
    return 0;
}

int CC_BTNGet(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT)
        return 0;
    if (target == DATFILE)
        ReadParaFromFile();
    PushGET(target);
    return 0;
}

int CC_RBTRam(int, int control, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    GetCtrlVal(panelHandle, control, value);
    ChooseTarget(PANEL_RBTRam, value, RAM);
    return 0;
}

int CC_RBTEeprom(int, int control, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    GetCtrlVal(panelHandle, control, value);
    ChooseTarget(PANEL_RBTEeprom, value, EEPROM);
    return 0;
}

int CC_RBTFile(int, int control, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    int state = 0;
    GetCtrlVal(panelHandle, control, state);
    ChooseTarget(PANEL_RBTFile, state, DATFILE);
    return 0;
}

int CC_BTNData(int, int, int event, void *, int, int)
{
    if (event != EV_COMMIT)
        return 0;
    Dim(panelHandle, PANEL_GraphData, 0);
    Dim(panelHandle, PANEL_BTNLock1, 1);
    Dim(panelHandle, PANEL_BTNLock2, 1);
    Dim(panelHandle, PANEL_BTNLock3, 1);
    Dim(panelHandle, PANEL_BTNCompare, 1);
    HidePanel(panelPopUp);
    hidePopUp = 1;
    // The block reads and the measurement exchange below are the waits, each
    // with the timer on; between them nothing waits.
    ttick = 0;
    stop_flag = 0;
    RemoveReceiveCallback();

    while (stop_flag == 0) {
        FlushInQ(com);
        FlushOutQ(com);
        static const int kFirst[] = {0, 64, 128, 192};
        for (int first : kFirst) {
            ref_flag = first == 192 ? 1 : 0;
            ReadData64(first, ref_flag);
        }
        PlotDATACurve(adcbuf);

        // Stop does not cut this wait short: the picture of the line gets
        // its measurement first.
        static constexpr ExchangeWay kMeasure = {FLUSH_IN_OUT, SENT_QUIET, nullptr,
                                                 TICKS_RUNNING, LIMIT_REPLY, UNTIL_FRAME, 0};
        InstallReceiveCallback();
        StartTicks();
        // The payload is the previous answer: the sensor ignores it here.
        const int result = Exchange(com, CMD_MEASURE, pp, kMeasure);
        if (result == EXCHANGE_CLOSED) {
            stop_flag = 1;
        } else if (result == EXCHANGE_TIMED_OUT) {
            SetStatus("Timeout RS232-Line!");
            stop_flag = 1;
        }
        RemoveReceiveCallback();
        StopTicks();
        pix1 = pp[5];
        PlotRAWValues();
        if (rx_flag == 1) {
            FeedTrend();
            RecordAnswer();
        }
        if (!WaitPass())
            stop_flag = 1;
    }

    FlushInQ(com);
    ttick = 0;
    Dim(panelHandle, PANEL_BTNLock1, 0);
    Dim(panelHandle, PANEL_BTNLock2, 0);
    Dim(panelHandle, PANEL_BTNCompare, 0);
    InstallReceiveCallback();
    FlushOutQ(com);
    FlushInQ(com);
    RecordFlush();
    return 0;
}
