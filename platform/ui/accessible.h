// Accessibility of the panels' own widgets (read-outs, slides, switches,
// lamps): each tells a screen reader, or any tool that reads a window's
// controls, its name and what it shows, as Qt's standard controls do.
#ifndef PLATFORM_UI_ACCESSIBLE_H
#define PLATFORM_UI_ACCESSIBLE_H

#include <QString>

class QWidget;

namespace ui {

// Hands Qt the interfaces of our widgets; the widgets call it when made.
void InstallAccessibleWidgets();

// What names `w` on its panel: its accessible name, else the label whose
// buddy it is, else the label just before it in its row of the layout.
QString LabelText(const QWidget *w);

// Tells a listening accessibility client that `w` now shows `value`. Costs
// a test of one flag when none listens: read-outs change with every answer.
void NotifyValueShown(QWidget *w, int value);
// The same for a switch or a lamp that went on or off.
void NotifyCheckedShown(QWidget *w);

} // namespace ui

#endif
