// The parameter file: sixteen numbers, one per line, in fields 4 characters
// wide, in the order of the parameter record.
#include "settings/gui.h"

#include "app/status.h"
#include "app/globals.h"
#include "link/com232.h"
#include "platform/ui.h"

namespace {

constexpr int kFieldWidth = 4;

const char *ReadErrorText(int code)
{
    switch (code) {
    case AFE_TOO_FEW: return TXT_FILE_TOO_SHORT;
    case AFE_BAD_NUMBER: return TXT_FILE_NOT_PARAMS;
    default: return TXT_FILE_CANNOT_READ;
    }
}

} // namespace

void SendParaToFile(void)
{
    GetPanelValues();
    CopyVarsToPP();
    unsigned int values[PNUM];
    for (int i = 0; i < PNUM; ++i)
        values[i] = pp[i];
    const int result = ArrayToFile(file_name, values, TYPE_U32, PNUM, 1, GROUPS_IN_COLUMNS,
                                   FIELD_CONSTANT_WIDTH, kFieldWidth, FILE_ASCII);
    // Success says nothing more; a failure must not pass for one.
    if (result < 0)
        SetStatus(TXT_FILE_CANNOT_WRITE);
}

void ReadParaFromFile(void)
{
    const int chosen = FileSelectPopup(proj_dir, "QZANpara.dat", "*.dat", "Q-ZAN-RM-Parameter File",
                                       BUTTON_LOAD, 0, 1, 1, 1, file_name, sizeof file_name);
    if (chosen == FILE_POPUP_PATH_TOO_LONG) {
        SetStatus(TXT_PATH_TOO_LONG);
        return;
    }
    if (chosen <= 0)
        return;
    unsigned int values[PNUM];
    const int result = FileToArray(file_name, values, TYPE_U32, PNUM, 1, GROUPS_IN_COLUMNS,
                                   FILE_ASCII);
    if (result < 0) {
        // The previous set stays; the caller shows this text again.
        SetStatus(ReadErrorText(result));
        return;
    }
    for (int i = 0; i < PNUM; ++i)
        pp[i] = static_cast<unsigned short>(values[i] & 0xFFFFu);
    CopyPPtoVars();
}
