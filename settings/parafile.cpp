// The parameter file: sixteen numbers, one per line, in fields 4 characters
// wide, in the order of the parameter record. Its text is the protocol
// core's; here it meets the file popup, the panels and the status line.
#include "settings/gui.h"

#include "core/status.h"
#include "core/globals.h"
#include "core/protocol/parafile.h"
#include "link/com232.h"
#include "platform/textfile.h"
#include "platform/ui.h"

#include <cstdio>

namespace {

using qzan::protocol::ParaFileError;

const char *ReadErrorText(ParaFileError error)
{
    switch (error) {
    case ParaFileError::TooShort: return TXT_FILE_TOO_SHORT;
    case ParaFileError::NotNumbers: return TXT_FILE_NOT_PARAMS;
    default: return TXT_FILE_CANNOT_READ;
    }
}

// Reads the file byte by byte, stopping as soon as its outcome is known.
qzan::protocol::ParaFileRead ReadFile(const char *path)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        qzan::protocol::ParaFileRead failed;
        failed.error = ParaFileError::CannotOpen;
        return failed;
    }
    qzan::protocol::ParaFileReader reader;
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f))
        if (!reader.Put(static_cast<char>(c)))
            break;
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return reader.Finish(failed);
}

} // namespace

void SendParaToFile(void)
{
    GetPanelValues();
    CopyVarsToPP();
    qzan::protocol::Words words{};
    for (int i = 0; i < PNUM; ++i)
        words[static_cast<std::size_t>(i)] = pp[i];
    char text[qzan::protocol::PARAFILE_MAX_BYTES];
    const std::size_t size = qzan::protocol::FormatParameterFile(words, text, sizeof text);
    const int result = TextToFile(file_name, text, static_cast<int>(size));
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
    const qzan::protocol::ParaFileRead read = ReadFile(file_name);
    if (read.error != ParaFileError::None) {
        // The previous set stays; the caller shows this text again.
        SetStatus(ReadErrorText(read.error));
        return;
    }
    for (int i = 0; i < PNUM; ++i)
        pp[i] = read.words[static_cast<std::size_t>(i)];
    CopyPPtoVars();
}
