// The Line monitor button: opens the window that lists every frame on the
// line.
#include "app/QzanRMRivad.h"

#include "platform/ui.h"
#include "views/monitor.h"

int CC_BTNMonitor(int, int, int event, void *, int, int)
{
    if (event == EV_COMMIT)
        OpenLineMonitor();
    return 0;
}
