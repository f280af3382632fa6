// The status box's tooltip tells the operator which device a port number
// reached and, after a failure, why it could not be used; the window title
// names the port and what it reaches, so that windows on several sensors
// tell themselves apart.
#include "settings/gui.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <cstdio>

namespace {

constexpr const char *kProgramName = "Q-ZAN-RM-Rivad";

} // namespace

void ExplainPort(int port, int code)
{
    char tip[512];
    const char *detail = ComLastErrorDetail(port);
    if (code < 0 && detail && *detail)
        std::snprintf(tip, sizeof tip, "COM%d: %s", port, detail);
    else
        std::snprintf(tip, sizeof tip, "COM%d: %s", port, ComPortDevice(port));
    SetCtrlAttribute(panelHandle, PANEL_STATUS, ATTR_TOOLTIP, tip);

    char title[512];
    const char *device = ComPortDevice(port);
    if (code < 0)
        std::snprintf(title, sizeof title, "%s - COM%d (not open)", kProgramName, port);
    else if (device && *device)
        std::snprintf(title, sizeof title, "%s - COM%d (%s)", kProgramName, port, device);
    else
        std::snprintf(title, sizeof title, "%s - COM%d", kProgramName, port);
    SetPanelAttribute(panelHandle, ATTR_TITLE, title);
}
