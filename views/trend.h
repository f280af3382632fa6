// The trend window: the measured value of every answer over time, with the
// setpoint and the tolerance band, its statistics and the limit alarm.
#ifndef VIEWS_TREND_H
#define VIEWS_TREND_H

class QString;
class QWidget;

// Shows the window (or brings it back). Closing it never stops a cycle.
void OpenTrendWindow(void);

// The window once opened, for tests and screenshots; nullptr before.
QWidget *TrendWindowWidget(void);

// What the window's Export menu writes: the trend or the histogram, as PNG,
// SVG or CSV by the suffix of `path`. False, with the reason in `error`,
// when nothing was written (the window not open, an unknown suffix, a file
// that cannot be written).
enum class TrendExport { Trend, Histogram };
bool ExportTrendWindow(TrendExport what, const QString &path, QString *error);

// The window's texts.
#define TXT_TREND_TITLE "Trend"
#define TXT_TREND_ALARM_TITLE "Trend - LIMIT ALARM"
#define TXT_TREND_ACKNOWLEDGED_TITLE "Trend - outside tolerance (alarm acknowledged)"

#endif
