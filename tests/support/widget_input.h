// Real mouse and keyboard input on the program's controls through Qt Test,
// as an operator's hand gives it. Each returns false when the control has no
// widget (or not the kind the input needs).
#ifndef TESTS_SUPPORT_WIDGET_INPUT_H
#define TESTS_SUPPORT_WIDGET_INPUT_H

namespace qzan::test {

// The left mouse button at the control's centre.
bool Press(int panel, int control);
bool Release(int panel, int control);
bool Click(int panel, int control); // press and release

// Focus on the control, then one key (a Qt::Key).
bool PressKey(int panel, int control, int key);
// A drop-down's item by the keyboard: open the list, move to the item,
// Return. (A mouse click on a drop-down only opens it.)
bool ChooseItem(int panel, int control, int index);
// A numeric input: select its text, type the number, Return.
bool TypeNumber(int panel, int control, double value);

} // namespace qzan::test

#endif
