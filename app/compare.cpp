// The Compare button: opens the window that sets the sensor's RAM and EEPROM
// sets beside the panels' values.
#include "app/QzanRMRivad.h"

#include "platform/ui.h"
#include "views/compare.h"

int CC_BTNCompare(int, int, int event, void *, int, int)
{
    if (event == EV_COMMIT)
        OpenCompareWindow();
    return 0;
}
