// Shared by the user-interface tests: callbacks that record every event under
// the panel file's callback names, and a fixture that loads both panels.
#ifndef TESTS_PLATFORM_UI_SUPPORT_H
#define TESTS_PLATFORM_UI_SUPPORT_H

#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <vector>

struct RecordedEvent {
    int panel;
    int control; // 0 for a panel's own events
    int event;
};

extern std::vector<RecordedEvent> g_events;
// Runs inside the callback, after the event is recorded: a test acts from
// within a callback through it.
extern std::function<void(const RecordedEvent &)> g_onEvent;

void RegisterTestCallbacks();
// The event codes raised for `control` (0: the panels), in order; focus
// changes only when asked for.
std::vector<int> EventsOf(int control, bool withFocus = false);
void ClearEvents();

// The panel file beside the test executables.
QString PanelFilePath();
// A copy of the panel file in `dir` with `from` replaced by `to`, or cut to
// its first `keep` bytes when `keep` is not negative.
QString WritePanelVariant(const QString &dir, const QString &from, const QString &to,
                          qsizetype keep = -1);

// Lets queued events and the graphs' frames run for about `ms`.
void Pump(int ms);

// Both panels loaded (main panel shown), discarded again afterwards.
class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    QWidget *Control(int panelHandle, int control) const { return ControlWidget(panelHandle, control); }

    int panel = 0;
    int popup = 0;
};

#endif
