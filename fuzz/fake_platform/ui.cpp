// The fake panels: controls that keep what the program sets, timers on the
// fake clock, graphs that read every point, and a scripted file popup.
#include "fuzz/fake_platform/ui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
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

struct Panels {
    std::map<std::pair<int, int>, Timer> timers;
    std::map<std::pair<int, int>, Control> controls;
    int popupResult = FILE_POPUP_CANCELLED;
    std::string popupPath;
    int popupCalls = 0;
    int nextControlId = 1000;
    int nextPlot = 1;
};

Panels &S()
{
    static Panels panels;
    return panels;
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

namespace parts {

void ResetUi() { S() = Panels{}; }

long NextTickDue()
{
    long due = std::numeric_limits<long>::max();
    for (const auto &entry : S().timers)
        if (entry.second.enabled && entry.second.callback)
            due = std::min(due, entry.second.nextTick);
    return due;
}

void RunTimers()
{
    Panels &s = S();
    // Callbacks may enable or disable timers: walk over a copy of the keys.
    std::vector<std::pair<int, int>> keys;
    for (const auto &entry : s.timers)
        keys.push_back(entry.first);
    for (const auto &key : keys) {
        auto it = s.timers.find(key);
        if (it == s.timers.end() || !it->second.enabled || !it->second.callback)
            continue;
        Timer &t = it->second;
        if (NowMs() < t.nextTick)
            continue;
        // A late timer fires once, not once per missed interval.
        while (t.nextTick <= NowMs())
            t.nextTick += kTickMs;
        t.callback(key.first, key.second, EV_TIMER_TICK, nullptr, 0, 0);
    }
}

} // namespace parts

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

} // namespace fakeplat

using namespace fakeplat;
using fakeplat::parts::Finite;
using fakeplat::parts::TakeText;

// ---- Start -------------------------------------------------------------------

int InitRunTime(void *) { return 1; }
void RegisterCallbacks(const CallbackName *, int) {}
void RegisterControls(const ControlName *, int) {}

// ---- Panels and controls -----------------------------------------------------

int LoadPanel(int parentPanel, const char *, int panelNumber)
{
    return parentPanel * 10 + panelNumber;
}
int DisplayPanel(int) { return 0; }
int HidePanel(int) { return 0; }
int SetPanelAttribute(int, int, const char *) { return 0; }
int DiscardPanel(int) { return 0; }

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
                it->second.nextTick = NowMs() + kTickMs;
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
