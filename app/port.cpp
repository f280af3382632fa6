// Opening the serial port: the link's set-up, the operator's view of the
// device it reached, the line check and, when a sensor answered, the fetch
// of its RAM parameters into the panels.
#include "app/QzanRMRivad.h"

#include "core/globals.h"
#include "core/status.h"
#include "link/com232.h"
#include "settings/gui.h"

void InitRS232(int port)
{
    ret = OpenComPort(port);
    ExplainPort(port, ret);
    if (ret < 0) {
        SetStatus(ComErrorText(ret));
        return;
    }
    SetUpComPort(port);
    ret = CheckComLine(port);
    if (ret == 1) {
        target = RAM;
        PushGET(RAM);
    }
    ShowStatus();
}
