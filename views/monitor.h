// The line monitor: every frame the program sends and receives, decoded.
#ifndef VIEWS_MONITOR_H
#define VIEWS_MONITOR_H

class QWidget;

// Shows the window (or brings it back).
void OpenLineMonitor(void);

// The window once opened, for tests and screenshots; nullptr before.
QWidget *LineMonitorWidget(void);

#endif
