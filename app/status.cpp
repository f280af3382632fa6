// The status line and the time base.
#include "app/status.h"

#include "app/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"

#include <cstdio>

void SetStatus(const char *text)
{
    std::snprintf(szStatus, sizeof szStatus, "%s", text);
    ShowStatus();
}

void ShowStatus(void) { SetCtrlVal(panelHandle, PANEL_STATUS, szStatus); }

void ShowStatusText(const char *text) { SetCtrlVal(panelHandle, PANEL_STATUS, text); }

void StartTicks(void)
{
    SetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, 1);
    ttick = 0;
}

void StopTicks(void)
{
    SetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, 0);
    ttick = 0;
}
