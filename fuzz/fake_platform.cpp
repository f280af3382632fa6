// The scripted run-time services: a serial line fed from a list of chunks, a
// fake clock with timers, and controls that keep what the program sets.
#include "fuzz/fake_platform.h"

#include "platform/runtime/replacefile.h"
#include "platform/serial/events.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <utility>

namespace fakeplat {
namespace {

struct Control {
    double value = 0.0;
    std::string text;
    std::map<int, int> attributes;
};

struct Timer {
    CtrlCallback callback = nullptr;
    bool enabled = false;
    long nextTick = 0;
};

struct State {
    // Serial line.
    std::deque<Bytes> arrivals;
    Bytes inQueue;
    bool open = false;
    bool vanished = false;
    int port = 0;
    long hangupAfterPass = -1;
    ComEvents events;
    bool delivering = false;
    std::function<int(int)> inQLenLie;
    std::function<void(const Delivery &)> before, after;
    std::vector<WriteCall> writes;
    std::vector<ReadCall> reads;
    std::vector<Delivery> deliveries;

    // Time.
    long passes = 0;
    long now = 0;
    std::map<std::pair<int, int>, Timer> timers;

    // Controls.
    std::map<std::pair<int, int>, Control> controls;
    int popupResult = FILE_POPUP_CANCELLED;
    std::string popupPath;
    int popupCalls = 0;
    int nextControlId = 1000;
    int nextPlot = 1;

    std::string failure;
};

State &S()
{
    static State state;
    return state;
}

bool ValidPort(int port) { return port >= 1 && port <= 255; }

bool Usable(int port) { return S().open && !S().vanished && port == S().port; }

void Vanish()
{
    State &s = S();
    if (!s.open || s.vanished)
        return;
    s.vanished = true;
    s.events.remove();
    s.inQueue.clear();
}

// The next chunk of the script comes in on the line.
void Arrive()
{
    State &s = S();
    if (s.arrivals.empty())
        return;
    Bytes chunk = std::move(s.arrivals.front());
    s.arrivals.pop_front();
    if (!s.open || s.vanished || chunk.empty())
        return; // nobody listens: the bytes are lost
    s.inQueue.insert(s.inQueue.end(), chunk.begin(), chunk.end());
    s.events.noteArrival(reinterpret_cast<const char *>(chunk.data()),
                         static_cast<long long>(chunk.size()));
}

void RunTimers()
{
    State &s = S();
    // Callbacks may enable or disable timers: walk over a copy of the keys.
    std::vector<std::pair<int, int>> keys;
    for (const auto &entry : s.timers)
        keys.push_back(entry.first);
    for (const auto &key : keys) {
        auto it = s.timers.find(key);
        if (it == s.timers.end() || !it->second.enabled || !it->second.callback)
            continue;
        Timer &t = it->second;
        if (s.now < t.nextTick)
            continue;
        // A late timer fires once, not once per missed interval.
        while (t.nextTick <= s.now)
            t.nextTick += kTickMs;
        t.callback(key.first, key.second, EV_TIMER_TICK, nullptr, 0, 0);
    }
}

long NextTickDue()
{
    long due = std::numeric_limits<long>::max();
    for (const auto &entry : S().timers)
        if (entry.second.enabled && entry.second.callback)
            due = std::min(due, entry.second.nextTick);
    return due;
}

// Calls the receive callback as the real port does after bytes arrived.
void Deliver()
{
    State &s = S();
    for (int round = 0; round < 2; ++round) {
        if (s.delivering || !s.open || s.vanished || !s.events.installed())
            return;
        const long long waiting =
            s.events.needsCount() ? static_cast<long long>(s.inQueue.size()) : 0;
        const int events = s.events.take(waiting);
        if (events != 0) {
            Delivery d{events, s.inQueue, s.reads.size()};
            if (s.before)
                s.before(d);
            s.delivering = true;
            s.events.callback()(s.port, events, s.events.callbackData());
            s.delivering = false;
            s.deliveries.push_back(d);
            if (s.after)
                s.after(s.deliveries.back());
        }
        if (!s.events.pending())
            return;
    }
}

double Finite(double v, const char *what)
{
    if (!std::isfinite(v))
        Fail(std::string("non-finite value given to ") + what);
    return v;
}

Control &ControlAt(int panel, int control) { return S().controls[{panel, control}]; }

// Doubles to integers without undefined conversions.
long long Truncated(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 9.0e18)
        return 9000000000000000000LL;
    if (v <= -9.0e18)
        return -9000000000000000000LL;
    return static_cast<long long>(v);
}

void TakeText(const char *text, const char *what, std::string &into)
{
    if (!text) {
        Fail(std::string("null text given to ") + what);
        return;
    }
    // strlen runs to the terminator: a text without one is caught here.
    into.assign(text, std::strlen(text));
}

} // namespace

void Reset()
{
    State &s = S();
    s = State{};
}

void SetArrivals(std::vector<Bytes> chunks)
{
    S().arrivals.assign(std::make_move_iterator(chunks.begin()),
                        std::make_move_iterator(chunks.end()));
}

bool ArrivalsLeft() { return !S().arrivals.empty(); }
void SetHangupAfterPass(long pass) { S().hangupAfterPass = pass; }
void SetInQLenLie(std::function<int(int)> lie) { S().inQLenLie = std::move(lie); }

void SetDeliveryHooks(std::function<void(const Delivery &)> before,
                      std::function<void(const Delivery &)> after)
{
    S().before = std::move(before);
    S().after = std::move(after);
}

const std::vector<WriteCall> &Writes() { return S().writes; }
const std::vector<ReadCall> &Reads() { return S().reads; }
const std::vector<Delivery> &Deliveries() { return S().deliveries; }
const Bytes &InQueue() { return S().inQueue; }
bool PortOpen() { return S().open && !S().vanished; }
bool CallbackInstalled() { return S().events.installed(); }

long Passes() { return S().passes; }
long NowMs() { return S().now; }

void SetTimer(int panel, int control, CtrlCallback callback)
{
    S().timers[{panel, control}].callback = callback;
}

void SetControl(int panel, int control, double value) { ControlAt(panel, control).value = value; }
double ControlValue(int panel, int control) { return ControlAt(panel, control).value; }
std::string ControlText(int panel, int control) { return ControlAt(panel, control).text; }

int ControlAttribute(int panel, int control, int attribute)
{
    const auto &attributes = ControlAt(panel, control).attributes;
    const auto it = attributes.find(attribute);
    return it == attributes.end() ? 0 : it->second;
}

void SetPopupAnswer(int result, std::string path)
{
    S().popupResult = result;
    S().popupPath = std::move(path);
}

int PopupCalls() { return S().popupCalls; }

const std::string &Failure() { return S().failure; }

void Fail(const std::string &what)
{
    if (S().failure.empty())
        S().failure = what;
}

} // namespace fakeplat

using namespace fakeplat;

// ---- Start and event loop ----------------------------------------------------

int InitRunTime(void *) { return 1; }
void RegisterCallbacks(const CallbackName *, int) {}
void RegisterControls(const ControlName *, int) {}
int RunUserInterface(void) { return 0; }
int QuitUserInterface(int code) { return code; }

int ProcessSystemEvents(void)
{
    State &s = S();
    if (++s.passes > kMaxPasses) {
        std::fprintf(stderr, "fake platform: a waiting loop never ends (%ld passes)\n",
                     s.passes);
        std::abort();
    }
    long step = kPassMs;
    if (s.arrivals.empty() && !s.events.pending()) {
        // Nothing to come: wait for the next tick, as the guard allows.
        const long due = NextTickDue();
        step = kGuardMs;
        if (due != std::numeric_limits<long>::max() && due - s.now < step)
            step = std::max(1L, due - s.now);
    }
    s.now += step;
    if (s.hangupAfterPass >= 0 && s.passes > s.hangupAfterPass)
        Vanish();
    Arrive();
    RunTimers();
    Deliver();
    return 0;
}

// ---- Panels and controls -----------------------------------------------------

int LoadPanel(int parentPanel, const char *, int panelNumber)
{
    return parentPanel * 10 + panelNumber;
}
int DisplayPanel(int) { return 0; }
int HidePanel(int) { return 0; }
int DiscardPanel(int) { return 0; }

int GetProjectDir(char *dir, std::size_t size)
{
    if (!dir || size == 0)
        return UIE_BAD_ARGUMENT;
    std::snprintf(dir, size, "%s", "/tmp");
    return 0;
}

int SetCtrlVal(int panel, int control, int value)
{
    ControlAt(panel, control).value = value;
    return 0;
}

int SetCtrlVal(int panel, int control, unsigned int value)
{
    ControlAt(panel, control).value = value;
    return 0;
}

int SetCtrlVal(int panel, int control, double value)
{
    ControlAt(panel, control).value = Finite(value, "SetCtrlVal");
    return 0;
}

int SetCtrlVal(int panel, int control, const char *text)
{
    TakeText(text, "SetCtrlVal", ControlAt(panel, control).text);
    return 0;
}

int GetCtrlVal(int panel, int control, int &value)
{
    const long long v = Truncated(ControlAt(panel, control).value);
    value = static_cast<int>(std::clamp<long long>(v, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
    return 0;
}

int GetCtrlVal(int panel, int control, unsigned short &value)
{
    const long long v = Truncated(ControlAt(panel, control).value);
    value = static_cast<unsigned short>(static_cast<unsigned long long>(v) & 0xFFFFu);
    return 0;
}

int GetCtrlVal(int panel, int control, float &value)
{
    const double v = ControlAt(panel, control).value;
    const double limit = std::numeric_limits<float>::max();
    value = std::isnan(v) ? 0.0f : static_cast<float>(std::clamp(v, -limit, limit));
    return 0;
}

int GetCtrlVal(int panel, int control, double &value)
{
    value = ControlAt(panel, control).value;
    return 0;
}

int GetCtrlVal(int panel, int control, char *text, std::size_t size)
{
    if (!text || size == 0)
        return UIE_BAD_ARGUMENT;
    std::snprintf(text, size, "%s", ControlAt(panel, control).text.c_str());
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value)
{
    ControlAt(panel, control).attributes[attribute] = value;
    if (attribute == ATTR_ENABLED) {
        auto it = S().timers.find({panel, control});
        if (it != S().timers.end()) {
            if (value && !it->second.enabled)
                it->second.nextTick = S().now + kTickMs;
            it->second.enabled = value != 0;
        }
    }
    return 0;
}

int SetCtrlAttribute(int, int, int, double value)
{
    Finite(value, "SetCtrlAttribute");
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, const char *value)
{
    std::string text;
    TakeText(value, "SetCtrlAttribute", text);
    ControlAt(panel, control).attributes[attribute] = static_cast<int>(text.size());
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, int &value)
{
    value = ControlAttribute(panel, control, attribute);
    return 0;
}

int NewCtrl(int, int, const char *label, int, int)
{
    std::string text;
    TakeText(label, "NewCtrl", text);
    return S().nextControlId++;
}

// ---- Graphs --------------------------------------------------------------------

int SetAxisScalingMode(int, int, int, int, double min, double max)
{
    Finite(min, "SetAxisScalingMode");
    Finite(max, "SetAxisScalingMode");
    return 0;
}

int DeleteGraphPlot(int, int, int, int) { return 0; }

namespace {

// Reads every element, as the real graph copies them.
double SumOf(const void *array, int type, int count)
{
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        switch (type) {
        case TYPE_U16: sum += static_cast<const std::uint16_t *>(array)[i]; break;
        case TYPE_I32: sum += static_cast<const std::int32_t *>(array)[i]; break;
        case TYPE_U32: sum += static_cast<const std::uint32_t *>(array)[i]; break;
        case TYPE_DOUBLE: sum += static_cast<const double *>(array)[i]; break;
        default: Fail("PlotXY with an unknown element type"); return 0.0;
        }
    }
    return sum;
}

} // namespace

int PlotXY(int, int, const void *x, const void *y, int count, int xType, int yType, int, int,
           int, int, int)
{
    if (!x || !y || count <= 0) {
        Fail("PlotXY without points");
        return UIE_BAD_ARGUMENT;
    }
    SumOf(x, xType, count);
    SumOf(y, yType, count);
    return S().nextPlot++;
}

int PlotRectangle(int, int, double x1, double y1, double x2, double y2, int, int)
{
    Finite(x1, "PlotRectangle");
    Finite(y1, "PlotRectangle");
    Finite(x2, "PlotRectangle");
    Finite(y2, "PlotRectangle");
    return S().nextPlot++;
}

int SetGraphCursor(int, int, int cursor, double x, double y)
{
    if (cursor < 1 || cursor > 3)
        Fail("SetGraphCursor with a cursor that does not exist");
    Finite(x, "SetGraphCursor");
    Finite(y, "SetGraphCursor");
    return 0;
}

// ---- File popup -------------------------------------------------------------------

int FileSelectPopup(const char *directory, const char *defaultName, const char *filter,
                    const char *title, int, int, int, int, int, char *path, std::size_t size)
{
    std::string text;
    TakeText(directory, "FileSelectPopup", text);
    TakeText(defaultName, "FileSelectPopup", text);
    TakeText(filter, "FileSelectPopup", text);
    TakeText(title, "FileSelectPopup", text);
    ++S().popupCalls;
    if (S().popupResult <= 0)
        return S().popupResult;
    if (!path || size == 0 || S().popupPath.size() >= size)
        return FILE_POPUP_PATH_TOO_LONG;
    std::memcpy(path, S().popupPath.c_str(), S().popupPath.size() + 1);
    return S().popupResult;
}

// ---- Messages to the operator ------------------------------------------------------

// Only operator requests (a graph saved from its menu) produce messages, and
// the fake has none: the sink is never called.
void SetMessageSink(void (*)(const char *)) {}

// ---- Serial ports -------------------------------------------------------------------

int OpenComConfig(int port, const char *deviceName, long, int, int, int, int, int)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    std::string text;
    TakeText(deviceName, "OpenComConfig", text);
    State &s = S();
    s.open = true;
    s.vanished = false;
    s.port = port;
    s.inQueue.clear();
    s.events.remove();
    return 0;
}

int CloseCom(int port)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    State &s = S();
    if (port == s.port) {
        s.open = false;
        s.vanished = false;
        s.events.remove();
        s.inQueue.clear();
    }
    return 0;
}

int SetComTime(int port, double seconds)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    Finite(seconds, "SetComTime");
    return Usable(port) ? 0 : COM_NOT_OPEN;
}

int SetCTSMode(int port, int)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    return Usable(port) ? 0 : COM_NOT_OPEN;
}

int FlushInQ(int port)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    if (S().vanished && port == S().port)
        return 0;
    if (!Usable(port))
        return COM_NOT_OPEN;
    S().inQueue.clear();
    return 0;
}

int FlushOutQ(int port)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    if (S().vanished && port == S().port)
        return 0;
    return Usable(port) ? 0 : COM_NOT_OPEN;
}

int ComWrt(int port, const char *buffer, int count)
{
    State &s = S();
    WriteCall call{buffer, count, 0, {}, s.events.installed()};
    if (!ValidPort(port))
        call.result = COM_INVALID_PORT;
    else if (s.vanished && port == s.port)
        call.result = COM_IO_ERROR;
    else if (!Usable(port))
        call.result = COM_NOT_OPEN;
    else if (count < 0 || (count > 0 && !buffer))
        call.result = COM_ERROR;
    else {
        call.bytes.assign(reinterpret_cast<const std::uint8_t *>(buffer),
                          reinterpret_cast<const std::uint8_t *>(buffer) + count);
        call.result = count;
        if (count > 0)
            s.events.noteOutputEmpty();
    }
    s.writes.push_back(std::move(call));
    return s.writes.back().result;
}

int ComRd(int port, char *buffer, int count)
{
    State &s = S();
    ReadCall call{buffer, count, 0, {}};
    if (!ValidPort(port))
        call.result = COM_INVALID_PORT;
    else if (s.vanished && port == s.port)
        call.result = 0;
    else if (!Usable(port))
        call.result = COM_NOT_OPEN;
    else if (count < 0 || (count > 0 && !buffer))
        call.result = COM_ERROR;
    else {
        // Takes what waits, then waits up to the time-out for the rest; no
        // callback runs meanwhile, but what arrives is noted for later.
        long waited = 0;
        const auto want = static_cast<std::size_t>(count);
        while (s.inQueue.size() < want && waited < kReadTimeoutMs && !s.vanished) {
            if (s.arrivals.empty()) {
                s.now += kReadTimeoutMs - waited;
                break;
            }
            s.now += kPassMs;
            waited += kPassMs;
            Arrive();
        }
        const std::size_t n = std::min(want, s.inQueue.size());
        call.served.assign(s.inQueue.begin(), s.inQueue.begin() + static_cast<long>(n));
        s.inQueue.erase(s.inQueue.begin(), s.inQueue.begin() + static_cast<long>(n));
        if (n > 0)
            std::memcpy(buffer, call.served.data(), n);
        call.result = static_cast<int>(n);
    }
    s.reads.push_back(std::move(call));
    return s.reads.back().result;
}

int GetInQLen(int port)
{
    State &s = S();
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    if (s.vanished && port == s.port)
        return 0;
    if (!Usable(port))
        return COM_NOT_OPEN;
    const int honest = static_cast<int>(std::min<std::size_t>(
        s.inQueue.size(), static_cast<std::size_t>(std::numeric_limits<int>::max())));
    return s.inQLenLie ? s.inQLenLie(honest) : honest;
}

int InstallComCallback(int port, int eventMask, int notifyCount, int eventCharacter,
                       ComCallback callback, void *callbackData)
{
    if (!ValidPort(port))
        return COM_INVALID_PORT;
    State &s = S();
    if (eventMask == 0 || !callback) {
        if (port == s.port)
            s.events.remove();
        return 0;
    }
    if (!Usable(port))
        return COM_NOT_OPEN;
    s.events.install(eventMask, notifyCount, eventCharacter, callback, callbackData);
    return 0;
}

const char *ComPortDevice(int) { return "/dev/fake"; }
const char *ComLastErrorDetail(int) { return ""; }

// The array files' writer without Qt: a plain write of the whole contents.
// The harnesses check the numbers written, not how the file is replaced.
int rt::ReplaceFile(const char *path, const char *data, std::size_t size)
{
    std::FILE *f = std::fopen(path, "wb");
    if (!f)
        return AFE_OPEN;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written ? 0 : AFE_WRITE;
}
