// The parameter fetch: asks the sensor's RAM or EEPROM for its set (or takes
// the set a file load left in the variables) and shows it on the panels.
#include "settings/gui.h"

#include "core/globals.h"
#include "core/status.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <cstdio>

void PushGET(int target)
{
    if (target != DATFILE) {
        order = target == EEPROM ? CMD_READ_EEPROM : CMD_READ_RAM;
        sync = 0x55;
        CopyVarsToPP();
        FlushInQ(com);
        FlushOutQ(com);
        FillTxBuf(static_cast<unsigned short>(order), pp);
        nBytesW = ComWrt(com, szWriteBuf, FRAME_BYTES);
        if (nBytesW == FRAME_BYTES)
            ShowStatusText("Waiting for parameter-frame ...");
        StartTicks();
        rx_flag = 0;
        if (WaitForReply()) {
            GetRxBuf(PNUM);
            CopyPPtoVars();
            std::snprintf(szStatus, sizeof szStatus, "%s", "Parameter-frame received! - Line Ok!");
        }
        StopTicks();
    }
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 1);
    SetPanelValues();
    ShowStatus();
}
