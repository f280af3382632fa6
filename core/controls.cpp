// Dimming controls.
#include "core/controls.h"

#include "platform/ui.h"

void Dim(int panel, int control, int dimmed)
{
    SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed);
}
