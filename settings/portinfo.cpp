// The status box's tooltip tells the operator which device a port number
// reached and, after a failure, why it could not be used.
#include "settings/gui.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <cstdio>

void ExplainPort(int port, int code)
{
    char tip[512];
    const char *detail = ComLastErrorDetail(port);
    if (code < 0 && detail && *detail)
        std::snprintf(tip, sizeof tip, "COM%d: %s", port, detail);
    else
        std::snprintf(tip, sizeof tip, "COM%d: %s", port, ComPortDevice(port));
    SetCtrlAttribute(panelHandle, PANEL_STATUS, ATTR_TOOLTIP, tip);
}
