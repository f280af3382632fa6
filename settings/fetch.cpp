// The parameter fetch: asks the sensor's RAM or EEPROM for its set (or takes
// the set a file load left in the variables) and shows it on the panels.
#include "settings/gui.h"

#include "core/globals.h"
#include "core/status.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"

void PushGET(int target)
{
    if (target != DATFILE) {
        static constexpr ExchangeWay kFetch = {FLUSH_IN_OUT, SENT_SHOW_IF_QUEUED,
                                               "Waiting for parameter-frame ...", TICKS_OWN,
                                               LIMIT_REPLY, UNTIL_FRAME, 0};
        order = target == EEPROM ? CMD_READ_EEPROM : CMD_READ_RAM;
        sync = 0x55;
        CopyVarsToPP();
        const int result = Exchange(com, static_cast<unsigned short>(order), pp, kFetch);
        if (result == EXCHANGE_ANSWERED) {
            GetRxBuf(PNUM);
            CopyPPtoVars();
            SetStatus("Parameter-frame received! - Line Ok!");
        } else if (result == EXCHANGE_TIMED_OUT) {
            SetStatus("Timeout-RS-232...");
        }
    }
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 1);
    SetPanelValues();
    ShowStatus();
}
