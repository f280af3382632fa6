#include "views/monitor.h"

void OpenLineMonitor(void) {}

QWidget *LineMonitorWidget(void) { return nullptr; }
