// Events the user raises on real widgets: per kind of control, their order,
// silence of dimmed controls and of values the program sets, the panel's
// close request, the timer's ticks, and callbacks that run nested loops,
// open a modal popup or discard the panel under their own feet.
#include "support.h"

#include "platform/runtime/internal.h"
#include "platform/ui/widgets.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

using Events = std::vector<int>;

// Every event but focus changes, as "control:event" for a readable failure.
std::string Raised()
{
    std::string out;
    for (const RecordedEvent &e : g_events)
        if (e.event != EV_GOT_FOCUS && e.event != EV_LOST_FOCUS)
            out += std::to_string(e.control) + ":" + std::to_string(e.event) + " ";
    return out;
}

void LoseFocus(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

class EventsTest : public PanelsTest {
protected:
    QWidget *Main(int c) const { return Control(panel, c); }
    QWidget *Pop(int c) const { return Control(popup, c); }
};

TEST_F(EventsTest, buttonPressRaisesLeftClickAndReleaseRaisesCommit)
{
    QWidget *run = Main(PANEL_BTNRun);
    QTest::mousePress(run, Qt::LeftButton);
    EXPECT_EQ(EventsOf(PANEL_BTNRun), (Events{EV_LEFT_CLICK}));
    QTest::mouseRelease(run, Qt::LeftButton);
    EXPECT_EQ(EventsOf(PANEL_BTNRun), (Events{EV_LEFT_CLICK, EV_COMMIT}));
    EXPECT_EQ(g_events.back().panel, panel);
    EXPECT_TRUE(EventsOf(PANEL_BTNLock1).empty()); // raised under its own name only
    EXPECT_FALSE(static_cast<QPushButton *>(run)->isDown());

    ClearEvents(); // released away from the button: no commit
    QTest::mousePress(run, Qt::LeftButton);
    QTest::mouseRelease(run, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(EventsOf(PANEL_BTNRun), (Events{EV_LEFT_CLICK}));
}

TEST_F(EventsTest, keyboardRaisesAWholeClickAlsoThroughTheMnemonic)
{
    QWidget *stop = Main(PANEL_BTNStop);
    stop->setFocus();
    ClearEvents();
    QTest::keyClick(stop, Qt::Key_Space);
    EXPECT_EQ(EventsOf(PANEL_BTNStop), (Events{EV_LEFT_CLICK, EV_COMMIT}));

    QTest::keyClick(PanelWidget(panel), Qt::Key_G, Qt::AltModifier); // "&Get"
    QElapsedTimer t;
    t.start();
    while (EventsOf(PANEL_BTNGet).size() < 2 && t.elapsed() < 3000)
        Pump(20);
    EXPECT_EQ(EventsOf(PANEL_BTNGet), (Events{EV_LEFT_CLICK, EV_COMMIT}));
}

TEST_F(EventsTest, aReleaseDuringTheLeftClickCallbackCommitsOnceThatCallbackReturns)
{
    // The background teach dims its button on the press and waits ~1.5 s in
    // a nested loop; the release comes during the wait and must still end it.
    QWidget *button = Main(PANEL_ButtonTeach);
    bool inLeftClick = false;
    int commitsInside = 0;
    g_onEvent = [&](const RecordedEvent &e) {
        if (e.control != PANEL_ButtonTeach)
            return;
        if (e.event == EV_COMMIT && inLeftClick)
            ++commitsInside;
        if (e.event != EV_LEFT_CLICK)
            return;
        inLeftClick = true;
        SetCtrlAttribute(panel, PANEL_ButtonTeach, ATTR_DIMMED, 1);
        QTest::mouseRelease(button, Qt::LeftButton);
        for (int i = 0; i < 3; ++i)
            ProcessSystemEvents();
        inLeftClick = false;
    };
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_EQ(EventsOf(PANEL_ButtonTeach), (Events{EV_LEFT_CLICK, EV_COMMIT}));
    EXPECT_EQ(commitsInside, 0);
    EXPECT_FALSE(static_cast<QPushButton *>(button)->isDown());
}

TEST_F(EventsTest, aPressWhoseCallbackDimsTheButtonStillCommitsOnItsRelease)
{
    QWidget *button = Main(PANEL_BTNData);
    g_onEvent = [&](const RecordedEvent &e) {
        if (e.control == PANEL_BTNData && e.event == EV_LEFT_CLICK)
            SetCtrlAttribute(panel, PANEL_BTNLock2, ATTR_DIMMED, 1);
    };
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(EventsOf(PANEL_BTNData), (Events{EV_LEFT_CLICK, EV_COMMIT}));
    ClearEvents(); // but a dimmed button cannot be pressed
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(EventsOf(PANEL_BTNData).empty());
}

TEST_F(EventsTest, aModalPopupOpenedOnThePressLeavesTheButtonUp)
{
    QWidget *send = Main(PANEL_BTNSend);
    int popupResult = -99;
    g_onEvent = [&](const RecordedEvent &e) {
        if (e.control != PANEL_BTNSend || e.event != EV_LEFT_CLICK)
            return;
        QTimer::singleShot(200, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(modal, "reject");
        });
        char path[260] = "";
        popupResult = FileSelectPopup("", "QZANpara.dat", "*.dat", "Title", BUTTON_OK, 0, 1, 1,
                                      1, path, sizeof path);
    };
    QTest::mousePress(send, Qt::LeftButton);
    EXPECT_EQ(popupResult, FILE_POPUP_CANCELLED);
    EXPECT_FALSE(static_cast<QPushButton *>(send)->isDown());
    QTest::mouseRelease(send, Qt::LeftButton); // the dialog had this one
    EXPECT_EQ(EventsOf(PANEL_BTNSend), (Events{EV_LEFT_CLICK}));
}

TEST_F(EventsTest, dropDownChoiceRaisesValueChangedThenCommitAlsoForTheSameItem)
{
    auto *com = static_cast<QComboBox *>(Main(PANEL_DropDCom));
    com->setFocus();
    ClearEvents();
    QTest::keyClick(com, Qt::Key_Down);
    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_VALUE_CHANGED, EV_COMMIT}));
    int port = 0;
    GetCtrlVal(panel, PANEL_DropDCom, port);
    EXPECT_EQ(port, 2);

    ClearEvents(); // the same port chosen again in the opened list
    com->showPopup();
    QTest::keyClick(com->view(), Qt::Key_Return);
    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_VALUE_CHANGED, EV_COMMIT}));
    GetCtrlVal(panel, PANEL_DropDCom, port);
    EXPECT_EQ(port, 2);

    ClearEvents(); // a click only opens the list, and says so
    QTest::mouseClick(Main(PANEL_DropDEvalmode), Qt::LeftButton);
    EXPECT_EQ(EventsOf(PANEL_DropDEvalmode), (Events{EV_LEFT_CLICK}));
    static_cast<QComboBox *>(Main(PANEL_DropDEvalmode))->hidePopup();
}

TEST_F(EventsTest, numericRaisesValueChangedPerChangeAndCommitWhenConfirmed)
{
    auto *thd = static_cast<QSpinBox *>(Main(PANEL_NEDITVideoThreshold));
    thd->setFocus();
    thd->selectAll();
    ClearEvents();
    QTest::keyClicks(thd, "300");
    EXPECT_EQ(EventsOf(PANEL_NEDITVideoThreshold),
              (Events{EV_VALUE_CHANGED, EV_VALUE_CHANGED, EV_VALUE_CHANGED}));
    QTest::keyClick(thd, Qt::Key_Return);
    EXPECT_EQ(EventsOf(PANEL_NEDITVideoThreshold).back(), EV_COMMIT);
    int v = 0;
    GetCtrlVal(panel, PANEL_NEDITVideoThreshold, v);
    EXPECT_EQ(v, 300);

    ClearEvents(); // an arrow step confirms at once
    QTest::keyClick(thd, Qt::Key_Up);
    EXPECT_EQ(EventsOf(PANEL_NEDITVideoThreshold), (Events{EV_VALUE_CHANGED, EV_COMMIT}));

    ClearEvents(); // leaving the field confirms an edit, and only an edit
    LoseFocus(thd);
    auto *edge = static_cast<QSpinBox *>(Main(PANEL_NEDITEdgeLeft));
    edge->selectAll();
    QTest::keyClicks(edge, "15");
    LoseFocus(edge);
    EXPECT_EQ(edge->value(), 15);
    const Events left = EventsOf(PANEL_NEDITEdgeLeft);
    EXPECT_EQ(std::count(left.begin(), left.end(), EV_COMMIT), 1);
    EXPECT_TRUE(std::find(left.begin(), left.end(), EV_VALUE_CHANGED) != left.end());
    const Events thdEvents = EventsOf(PANEL_NEDITVideoThreshold);
    EXPECT_EQ(std::count(thdEvents.begin(), thdEvents.end(), EV_COMMIT), 0);
}

TEST_F(EventsTest, radioButtonsAndSwitchesRaiseValueChangedThenCommit)
{
    QTest::mouseClick(Main(PANEL_RBTEeprom), Qt::LeftButton);
    EXPECT_EQ(EventsOf(PANEL_RBTEeprom), (Events{EV_LEFT_CLICK, EV_VALUE_CHANGED, EV_COMMIT}));
    int eeprom = 0, ram = 0;
    GetCtrlVal(panel, PANEL_RBTEeprom, eeprom);
    GetCtrlVal(panel, PANEL_RBTRam, ram);
    EXPECT_EQ(eeprom, 1);
    EXPECT_EQ(ram, 1); // not exclusive: the program keeps one on

    QWidget *units = Main(PANEL_BINSWITCH_UM);
    QTest::mouseClick(units, Qt::LeftButton, {}, static_cast<QzSwitch *>(units)->rect().center());
    EXPECT_EQ(EventsOf(PANEL_BINSWITCH_UM), (Events{EV_LEFT_CLICK, EV_VALUE_CHANGED, EV_COMMIT}));
    int pixels = 1;
    GetCtrlVal(panel, PANEL_BINSWITCH_UM, pixels);
    EXPECT_EQ(pixels, 0);
    // The unit labels beside the read-outs follow the switch.
    auto *unit = PanelWidget(panel)->findChild<QLabel *>("unitMeas");
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->text(), QStringLiteral("µm"));
    SetCtrlVal(panel, PANEL_BINSWITCH_UM, 1);
    EXPECT_EQ(unit->text(), QStringLiteral("px"));

    ClearEvents(); // a slide moved with the keyboard
    Main(PANEL_Slide_Power)->setFocus();
    QTest::keyClick(Main(PANEL_Slide_Power)->focusProxy(), Qt::Key_Right);
    EXPECT_EQ(EventsOf(PANEL_Slide_Power), (Events{EV_VALUE_CHANGED, EV_COMMIT}));
    int power = 0;
    GetCtrlVal(panel, PANEL_Slide_Power, power);
    EXPECT_EQ(power, 501);
}

TEST_F(EventsTest, valuesSetByTheProgramRaiseNoEvent)
{
    SetCtrlVal(panel, PANEL_Slide_Power, 700);
    SetCtrlVal(panel, PANEL_RingPolarity, 0);
    SetCtrlVal(panel, PANEL_NEDITVideoThreshold, 100);
    SetCtrlVal(panel, PANEL_DropDCom, 5);
    SetCtrlVal(panel, PANEL_BINSWITCH_UM, 0);
    SetCtrlVal(panel, PANEL_RBTFile, 1);
    SetCtrlVal(panel, PANEL_Slide_Reference, 4000);
    SetCtrlVal(popup, POPUP_NUM_ScalFact, 1.1);
    SetCtrlVal(popup, POPUP_NSLIDE_PixelStart, 300);
    SetCtrlVal(popup, POPUP_LED_TeachBackGround, 1);
    Pump(30);
    EXPECT_EQ(Raised(), "");
}

TEST_F(EventsTest, dimmedControlsRaiseNothing)
{
    for (int c : {PANEL_BTNRun, PANEL_DropDCom, PANEL_NEDITVideoThreshold, PANEL_BINSWITCH_UM,
                  PANEL_RBTFile, PANEL_Slide_Power})
        SetCtrlAttribute(panel, c, ATTR_DIMMED, 1);
    for (int c : {PANEL_BTNRun, PANEL_DropDCom, PANEL_NEDITVideoThreshold, PANEL_BINSWITCH_UM,
                  PANEL_RBTFile, PANEL_Slide_Power}) {
        QTest::mouseClick(Main(c), Qt::LeftButton);
        QTest::keyClick(Main(c), Qt::Key_Down);
        QTest::keyClick(Main(c), Qt::Key_Space);
    }
    Pump(30);
    EXPECT_EQ(Raised(), "");
    static_cast<QComboBox *>(Main(PANEL_DropDCom))->hidePopup();
}

TEST_F(EventsTest, aCloseRequestRaisesCloseAndLeavesThePanelAsItIs)
{
    EXPECT_FALSE(PanelWidget(panel)->close());
    EXPECT_TRUE(PanelWidget(panel)->isVisible());
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(g_events.back().panel, panel);
    EXPECT_EQ(g_events.back().event, EV_CLOSE);

    DisplayPanel(popup);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PanelWidget(popup)));
    EXPECT_FALSE(PanelWidget(popup)->close());
    EXPECT_EQ(g_events.back().panel, popup);
    EXPECT_EQ(g_events.back().event, EV_CLOSE);
}

TEST_F(EventsTest, theTimerTicksAtItsIntervalOnlyWhileEnabledAlsoWhenHidden)
{
    HidePanel(panel);
    Pump(200);
    EXPECT_TRUE(EventsOf(PANEL_Timer50ms).empty()); // disabled in the file

    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 1);
    QElapsedTimer t;
    t.start();
    Pump(1000);
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 0);
    const auto ticks = static_cast<double>(EventsOf(PANEL_Timer50ms).size());
    const double expected = static_cast<double>(t.elapsed()) / 50.0;
    EXPECT_GT(ticks, expected * 0.5);
    EXPECT_LT(ticks, expected * 1.5 + 2);

    ClearEvents();
    Pump(200);
    EXPECT_TRUE(EventsOf(PANEL_Timer50ms).empty());
}

TEST_F(EventsTest, ticksDuringARunTimeOperationWaitAndArriveAsOne)
{
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_INTERVAL, 0.02);
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 1);
    {
        rt::OperationScope operation;
        Pump(200);
        EXPECT_TRUE(EventsOf(PANEL_Timer50ms).empty());
        SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 0);
    }
    Pump(50);
    EXPECT_EQ(EventsOf(PANEL_Timer50ms).size(), 1u);
}

TEST_F(EventsTest, controlsStayAliveInsideACallbacksNestedLoop)
{
    // Like the measurement cycle: Run's commit loops on ProcessSystemEvents
    // with Run dimmed, and Stop's press runs inside that loop.
    QWidget *stop = Main(PANEL_BTNStop);
    bool stopped = false, stopInsideRun = false, inRun = false;
    g_onEvent = [&](const RecordedEvent &e) {
        if (e.control == PANEL_BTNStop && e.event == EV_LEFT_CLICK) {
            stopped = true;
            stopInsideRun = inRun;
        }
        if (e.control != PANEL_BTNRun || e.event != EV_COMMIT)
            return;
        inRun = true;
        SetCtrlAttribute(panel, PANEL_BTNLock1, ATTR_DIMMED, 1);
        QTimer::singleShot(50, stop, [stop] { QTest::mouseClick(stop, Qt::LeftButton); });
        for (int i = 0; i < 200 && !stopped; ++i)
            ProcessSystemEvents();
        SetCtrlAttribute(panel, PANEL_BTNLock1, ATTR_DIMMED, 0);
        inRun = false;
    };
    QTest::mouseClick(Main(PANEL_BTNRun), Qt::LeftButton);
    EXPECT_TRUE(stopInsideRun);
}

TEST_F(EventsTest, aCallbackMayDiscardThePanelThatRaisedIt)
{
    g_onEvent = [&](const RecordedEvent &e) {
        if (e.control == PANEL_BTNRun && e.event == EV_COMMIT) {
            EXPECT_EQ(DiscardPanel(panel), 0);
            EXPECT_EQ(DiscardPanel(popup), UIE_BAD_HANDLE);
        }
    };
    QPointer<QWidget> w = PanelWidget(panel);
    QTest::mouseClick(Main(PANEL_BTNRun), Qt::LeftButton);
    EXPECT_EQ(PanelWidget(panel), nullptr);
    Pump(20);
    EXPECT_TRUE(w.isNull()); // deleted once back in the event loop
}

} // namespace
