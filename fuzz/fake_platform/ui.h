// The fake user-interface services of platform/ui.h: controls that keep what
// the program sets, timers that tick every 50 ms of the fake clock while
// enabled, graphs that read every point they are given, and a file popup
// that answers what the harness set.
#ifndef FUZZ_FAKE_PLATFORM_UI_H
#define FUZZ_FAKE_PLATFORM_UI_H

#include "fuzz/fake_platform/runtime.h"
#include "platform/ui.h"

#include <string>

namespace fakeplat {

// A timer control: `callback` gets EV_TIMER_TICK while the control's
// ATTR_ENABLED is 1.
void SetTimer(int panel, int control, CtrlCallback callback);

void SetControl(int panel, int control, double value);
double ControlValue(int panel, int control);
std::string ControlText(int panel, int control);
int ControlAttribute(int panel, int control, int attribute);
// What the next FileSelectPopup answers: its result and the chosen path.
void SetPopupAnswer(int result, std::string path);
int PopupCalls();

} // namespace fakeplat

#endif
