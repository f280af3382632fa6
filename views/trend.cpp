#include "views/trend.h"

void OpenTrendWindow(void) {}

QWidget *TrendWindowWidget(void) { return nullptr; }
