// Shared by the user-interface tests: callbacks that record every event under
// the panel file's callback names, and a fixture that loads both panels.
#include "support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

std::vector<RecordedEvent> g_events;
std::function<void(const RecordedEvent &)> g_onEvent;

namespace {

int RecordControl(int panel, int control, int event, void *, int, int)
{
    g_events.push_back({panel, control, event});
    if (g_onEvent)
        g_onEvent(g_events.back());
    return 0;
}

int RecordPanel(int panel, int event, void *, int, int)
{
    g_events.push_back({panel, 0, event});
    if (g_onEvent)
        g_onEvent(g_events.back());
    return 0;
}

#define CONTROL(name) {"CC_" #name, RecordControl, nullptr}
const CallbackName kCallbacks[] = {
    CONTROL(Slide_Power), CONTROL(RingPowerMode), CONTROL(NEDITVideoThreshold),
    CONTROL(RingPolarity), CONTROL(DropDEvalmode), CONTROL(NEDITEdgeLeft),
    CONTROL(NEDITEdgeRight), CONTROL(Slide_Reference), CONTROL(Slide_Tolerance),
    CONTROL(BINSWITCH_UM), CONTROL(GraphData), CONTROL(Timer50ms), CONTROL(BTN_CCDSettings),
    CONTROL(BTNRun), CONTROL(BTNStop), CONTROL(BTNSend), CONTROL(BTNGet), CONTROL(BTNData),
    CONTROL(ButtonTeach), CONTROL(DropDCom), CONTROL(RBTRam), CONTROL(RBTEeprom),
    CONTROL(RBTFile), CONTROL(NEDITTeach), CONTROL(NEDITTolerance), CONTROL(BIN_Switch_VGain),
    CONTROL(BIN_Sw_EnableTol), CONTROL(NSLIDE_PixelStart), CONTROL(RING_CCDMode),
    CONTROL(RING_CCDBGMode), CONTROL(NUM_ScalFact), CONTROL(BTNTeachBackGround),
    CONTROL(NEDITTolLeff), CONTROL(BIN_Sw_Record), CONTROL(BTNCompare), CONTROL(BTNTrend),
    CONTROL(BTNMonitor),
    {"CC_PANEL", nullptr, RecordPanel},
    {"CC_POPUP", nullptr, RecordPanel},
};
#undef CONTROL

} // namespace

void RegisterTestCallbacks()
{
    RegisterCallbacks(kCallbacks, static_cast<int>(sizeof kCallbacks / sizeof kCallbacks[0]));
    RegisterControls(kQzanControls, kQzanControlCount);
}

std::vector<int> EventsOf(int control, bool withFocus)
{
    std::vector<int> out;
    for (const RecordedEvent &e : g_events) {
        const bool focus = e.event == EV_GOT_FOCUS || e.event == EV_LOST_FOCUS;
        if (e.control == control && (withFocus || !focus))
            out.push_back(e.event);
    }
    return out;
}

void ClearEvents() { g_events.clear(); }

QString PanelFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(QZAN_PANEL_FILE));
}

QString WritePanelVariant(const QString &dir, const QString &from, const QString &to,
                          qsizetype keep)
{
    QFile in(PanelFilePath());
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = in.readAll();
    if (keep >= 0)
        text.truncate(keep);
    else
        text.replace(from.toUtf8(), to.toUtf8());
    const QString path = QDir(dir).filePath(QStringLiteral("variant.ui"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return {};
    return path;
}

void Pump(int ms)
{
    QTest::qWait(ms);
}

void PanelsTest::SetUp()
{
    ClearEvents();
    g_onEvent = nullptr;
    panel = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
    ASSERT_GT(panel, 0);
    popup = LoadPanel(panel, QZAN_PANEL_FILE, POPUP);
    ASSERT_GT(popup, 0);
    DisplayPanel(panel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PanelWidget(panel)));
}

void PanelsTest::TearDown()
{
    g_onEvent = nullptr;
    DiscardPanel(popup);
    DiscardPanel(panel);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->close();
    QCoreApplication::processEvents();
    ClearEvents();
}
