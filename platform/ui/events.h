// Turns what the user does to a control or a panel window into the program's
// callback events, by the control's kind.
#ifndef PLATFORM_UI_EVENTS_H
#define PLATFORM_UI_EVENTS_H

#include "platform/ui.h"
#include "platform/ui/registry.h"

class QWidget;

namespace ui {

// Raises the control's events to `callback` (panel handle, control id).
void BindControlEvents(QWidget *widget, Kind kind, int panel, int control, CtrlCallback callback);
// Raises the panel window's close request and focus changes to `callback`;
// the close request itself is never acted on here.
void BindPanelEvents(QWidget *panelWidget, int panel, PanelCallback callback);

} // namespace ui

#endif
