// The desktop's wheel convention for the panels' value controls: a wheel turn
// changes only the control that has the keyboard focus.
#ifndef PLATFORM_UI_WHEEL_H
#define PLATFORM_UI_WHEEL_H

class QWidget;

namespace ui {

// Guards every drop-down, slider and numeric control inside `panel`: a wheel
// turn over one that lacks the focus passes on to what lies behind it, as
// over any other spot of the panel, and never takes the focus. With the
// focus the wheel steps the value as the arrow keys do.
void GuardWheel(QWidget *panel);

} // namespace ui

#endif
