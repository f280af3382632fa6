// The trend window: the measured value of every answer over time, with the
// setpoint and the tolerance band, its statistics and the limit alarm.
#ifndef VIEWS_TREND_H
#define VIEWS_TREND_H

class QWidget;

// Shows the window (or brings it back). Closing it never stops a cycle.
void OpenTrendWindow(void);

// The window once opened, for tests and screenshots; nullptr before.
QWidget *TrendWindowWidget(void);

#endif
