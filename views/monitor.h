// The line monitor: every frame the program sends and receives, decoded.
#ifndef VIEWS_MONITOR_H
#define VIEWS_MONITOR_H

class QWidget;

// Shows the window (or brings it back). While it is open it lists every
// frame on every port: the newest 10 000, with their time, direction,
// command, decoded words and bytes.
void OpenLineMonitor(void);

// The window once opened, for tests and screenshots; nullptr before.
QWidget *LineMonitorWidget(void);

// For tests: hands the window bytes as a port would (way as in
// platform/serial/tap.h), and moves what waits into its table at once.
void LineMonitorTake(int way, const char *bytes, int count);
void LineMonitorRefresh(void);

#endif
