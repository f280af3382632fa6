// Recording of measurement answers: one CSV row per answer of a running
// measurement cycle or data read, written out at least once a second so that
// a killed program loses at most the last second.
#include "app/record.h"

#include "app/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

std::FILE *g_file = nullptr;
char g_path[PATH_BUF] = "";
char g_folder[PATH_BUF] = "";
long g_rows = 0;
Clock::time_point g_started;
Clock::time_point g_flushed;

constexpr const char *kHeader =
    "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance\n";

// Messages here name the file, so they are longer than szStatus holds.
char g_text[PATH_BUF + 128];

void Say(void) { SetCtrlVal(panelHandle, PANEL_STATUS, g_text); }

void SayWriteFailed(int error)
{
    std::snprintf(g_text, sizeof g_text, "Cannot write %s (%ld rows kept): %s - recording stopped",
                  g_path, g_rows, std::strerror(error));
    Say();
}

void SwitchOff(void) { SetCtrlVal(panelHandle, PANEL_BIN_Sw_Record, 0); }

// Ends recording after a failed write; the rows before it stay in the file.
void Fail(int error)
{
    std::fclose(g_file);
    g_file = nullptr;
    SwitchOff();
    SayWriteFailed(error);
}

void Flush(void)
{
    if (!g_file)
        return;
    if (std::fflush(g_file) != 0)
        Fail(errno);
    g_flushed = Clock::now();
}

void Start(void)
{
    char path[PATH_BUF];
    const char *folder = g_folder[0] ? g_folder : proj_dir;
    const int chosen = FileSelectPopup(folder, "QZANrecord.csv", "*.csv", "Record answers to",
                                       BUTTON_SAVE, 0, 1, 1, 1, path, sizeof path);
    if (chosen <= 0) {
        SwitchOff();
        if (chosen == FILE_POPUP_PATH_TOO_LONG)
            SetCtrlVal(panelHandle, PANEL_STATUS, "File path too long (max. 259 characters)!");
        return;
    }
    std::FILE *f = std::fopen(path, "a");
    if (!f) {
        SwitchOff();
        std::snprintf(g_text, sizeof g_text, "Cannot record to %s: %s", path, std::strerror(errno));
        Say();
        return;
    }
    std::snprintf(g_path, sizeof g_path, "%s", path);
    std::snprintf(g_folder, sizeof g_folder, "%s", path);
    if (char *slash = std::strrchr(g_folder, '/'))
        *slash = '\0';
    g_file = f;
    g_rows = 0;
    g_started = g_flushed = Clock::now();
    // A file recorded into before gets its rows appended under its header.
    std::fseek(g_file, 0, SEEK_END);
    if (std::ftell(g_file) == 0 && std::fputs(kHeader, g_file) < 0) {
        Fail(errno);
        return;
    }
    Flush();
    if (g_file) {
        std::snprintf(g_text, sizeof g_text, "Recording to %s", g_path);
        Say();
    }
}

} // namespace

int CC_BIN_Sw_Record(int, int, int event, void *, int, int)
{
    if (event != EV_VALUE_CHANGED)
        return 0;
    int on = 0;
    GetCtrlVal(panelHandle, PANEL_BIN_Sw_Record, on);
    if (on && !g_file)
        Start();
    else if (!on && g_file)
        StopRecording();
    return 0;
}

void RecordAnswer(void)
{
    if (!g_file)
        return;
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_started).count();
    // In tolerance: the measured value lies within setpoint +- tolerance.
    const int deviation = static_cast<int>(pp[2]) - static_cast<int>(pp[3]);
    const int inside = (deviation < 0 ? -deviation : deviation) <= pp[4] ? 1 : 0;
    if (std::fprintf(g_file, "%lld,%u,%u,%u,%u,%u,%u,%u,%d\n", ms, unsigned{pp[0]},
                     unsigned{pp[1]}, unsigned{pp[2]}, unsigned{pp[3]}, unsigned{pp[4]},
                     unsigned{pp[5]}, unsigned{pp[6]}, inside) < 0) {
        Fail(errno);
        return;
    }
    ++g_rows;
    RecordFlushIfDue();
}

void RecordFlushIfDue(void)
{
    if (g_file && Clock::now() - g_flushed >= std::chrono::seconds(1))
        Flush();
}

void RecordFlush(void) { Flush(); }

void StopRecording(void)
{
    if (!g_file)
        return;
    Flush();
    if (!g_file)
        return; // the flush failed and said so
    const bool closed = std::fclose(g_file) == 0;
    g_file = nullptr;
    SwitchOff();
    if (closed) {
        std::snprintf(g_text, sizeof g_text, "Recording stopped: %ld answers in %s", g_rows, g_path);
        Say();
    } else {
        SayWriteFailed(errno);
    }
}
