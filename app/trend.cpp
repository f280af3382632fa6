// The Trend button: opens the window that follows the measured value over
// time with its statistics and the limit alarm.
#include "app/QzanRMRivad.h"

#include "platform/ui.h"
#include "views/trend.h"

int CC_BTNTrend(int, int, int event, void *, int, int)
{
    if (event == EV_COMMIT)
        OpenTrendWindow();
    return 0;
}
