// The status line and the time base.
#include "core/status.h"

#include "core/globals.h"
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

namespace {
int g_waits = 0; // waits under way, nested ones included
} // namespace

void StartTicks(void)
{
    ++g_waits;
    SetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, 1);
    ttick = 0;
}

void StopTicks(void)
{
    if (g_waits > 0)
        --g_waits;
    if (g_waits == 0)
        SetCtrlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED, 0);
    ttick = 0;
}

int WaitsUnderWay(void) { return g_waits; }

int WaitPass(void) { return ProcessSystemEvents() == 0 ? 1 : 0; }
