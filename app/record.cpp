// Recording of measurement answers: one CSV row per answer of a running
// measurement cycle or data read, written out at least once a second so that
// a killed program loses at most the last second.
//
// A recording is a stream, so it cannot be written aside and put in place at
// the end as a parameter file is. The chosen file itself is opened for
// appending: a symbolic link leads to its target, the file keeps its
// permissions, nothing is renamed. Rows are collected whole in a buffer and
// go out in one write each second; a write that fails half-way (a full disk)
// is cut back to the last whole row, so the file always ends with one.
#include "app/record.h"

#include "core/globals.h"
#include "core/protocol/frame.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"
#include "views/trend_feed.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

using Clock = std::chrono::steady_clock;

std::FILE *g_file = nullptr;
char g_path[PATH_BUF] = "";
char g_folder[PATH_BUF] = "";
long g_rows = 0;           // rows in the file
long g_pendingRows = 0;    // rows in the buffer
unsigned long long g_size = 0; // bytes in the file: its end is the end of a row
Clock::time_point g_started;
Clock::time_point g_flushed;

// Some seconds of rows at the fastest answer rate before they must go out.
char g_buffer[16384];
std::size_t g_pending = 0;

// The last column is 1 while the limit alarm's condition holds: the rows
// where it turns 1 and back to 0 are the alarm's start and end.
constexpr const char *kHeader =
    "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance,alarm\n";
// A file recorded into before without that column keeps its columns, so
// that every row of it matches its header.
bool g_alarmColumn = true;

// Whether the recording in `path` (not empty) has the alarm column: its
// header's last column.
bool HeaderHasAlarm(const char *path)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return true;
    char line[256] = "";
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read)
        return true;
    std::size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r' || line[n - 1] == ' '))
        line[--n] = '\0';
    const char *last = std::strrchr(line, ',');
    return last && std::strcmp(last + 1, "alarm") == 0;
}

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
    g_pending = 0;
    g_pendingRows = 0;
    SwitchOff();
    SayWriteFailed(error);
}

// Writes the buffered rows out in one go; false (and recording stopped) if
// they could not all be written.
bool WriteOut(void)
{
    if (!g_file)
        return false;
    g_flushed = Clock::now();
    if (g_pending == 0)
        return true;
    const std::size_t written = std::fwrite(g_buffer, 1, g_pending, g_file);
    if (written != g_pending) {
        const int error = errno;
        // Whatever part of a row reached the file goes again. A device such
        // as /dev/full cannot be cut: nothing of it is a file to keep whole.
        std::error_code ignored;
        std::filesystem::resize_file(g_path, g_size, ignored);
        Fail(error);
        return false;
    }
    g_size += g_pending;
    g_rows += g_pendingRows;
    g_pending = 0;
    g_pendingRows = 0;
    return true;
}

// Takes a whole row (or the header) into the buffer; false if the rows
// before it could not be written out to make room.
bool Put(const char *text, std::size_t length)
{
    if (length > sizeof g_buffer - g_pending && !WriteOut())
        return false;
    std::memcpy(g_buffer + g_pending, text, length);
    g_pending += length;
    return true;
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
    std::FILE *f = std::fopen(path, "ab");
    if (!f) {
        SwitchOff();
        std::snprintf(g_text, sizeof g_text, "Cannot record to %s: %s", path, std::strerror(errno));
        Say();
        return;
    }
    // Unbuffered: a write-out is one write of whole rows, never a part of
    // the buffer that the C library chose to pass on.
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::snprintf(g_path, sizeof g_path, "%s", path);
    std::snprintf(g_folder, sizeof g_folder, "%s", path);
    if (char *slash = std::strrchr(g_folder, '/'))
        *slash = '\0';
    g_file = f;
    g_rows = 0;
    g_pending = 0;
    g_pendingRows = 0;
    g_started = g_flushed = Clock::now();
    // A file recorded into before gets its rows appended under its header.
    std::fseek(g_file, 0, SEEK_END);
    const long end = std::ftell(g_file);
    g_size = end > 0 ? static_cast<unsigned long long>(end) : 0;
    g_alarmColumn = end <= 0 || HeaderHasAlarm(g_path);
    if (end <= 0)
        Put(kHeader, std::strlen(kHeader));
    if (WriteOut()) {
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
    const qzan::protocol::Measurement m = qzan::protocol::ReadMeasurement(pp);
    const int inside = qzan::protocol::InTolerance(m) ? 1 : 0;
    char row[160];
    int n = std::snprintf(row, sizeof row, "%lld,%u,%u,%u,%u,%u,%u,%u,%d", ms,
                          unsigned{m.edge1}, unsigned{m.edge2}, unsigned{m.measured},
                          unsigned{m.teach}, unsigned{m.tolerance}, unsigned{m.windowStart},
                          unsigned{m.edges}, inside);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof row) {
        const std::size_t room = sizeof row - static_cast<std::size_t>(n);
        n += g_alarmColumn ? std::snprintf(row + n, room, ",%d\n", TrendAlarmActive())
                           : std::snprintf(row + n, room, "\n");
    }
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof row)
        return; // cannot happen with these fields; never a cut row
    if (!Put(row, static_cast<std::size_t>(n)))
        return;
    ++g_pendingRows;
    RecordFlushIfDue();
}

void RecordFlushIfDue(void)
{
    if (g_file && Clock::now() - g_flushed >= std::chrono::seconds(1))
        WriteOut();
}

void RecordFlush(void) { WriteOut(); }

void StopRecording(void)
{
    if (!g_file)
        return;
    if (!WriteOut())
        return; // the write failed and said so
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
