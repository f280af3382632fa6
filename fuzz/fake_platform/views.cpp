// The program's windows on Qt Widgets have no place on the fake platform:
// the buttons that open them open nothing here.
#include "views/compare.h"
#include "views/monitor.h"
#include "views/trend.h"
#include "views/trend_feed.h"

void OpenCompareWindow(void) {}

QWidget *CompareWindowWidget(void) { return nullptr; }

void SetCompareConfirmHook(CompareConfirmHook) {}

void OpenTrendWindow(void) {}

QWidget *TrendWindowWidget(void) { return nullptr; }

bool ExportTrendWindow(TrendExport, const QString &, QString *) { return false; }

void FeedTrend(void) {}

int TrendAlarmActive(void) { return 0; }

void OpenLineMonitor(void) {}

QWidget *LineMonitorWidget(void) { return nullptr; }

void LineMonitorTake(int, const char *, int) {}

void LineMonitorRefresh(void) {}
