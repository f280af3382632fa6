// The program's windows on Qt Widgets have no place on the fake platform:
// the Compare button opens nothing here.
#include "views/compare.h"

void OpenCompareWindow(void) {}

QWidget *CompareWindowWidget(void) { return nullptr; }

void SetCompareConfirmHook(CompareConfirmHook) {}
