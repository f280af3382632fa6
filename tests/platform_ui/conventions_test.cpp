// Desktop conventions on the real panels: a wheel turn changes only the
// focused control and never takes the focus; a keyboard click is a whole
// click (left-click, then commit once the left-click's callback returned).
#include "support.h"

#include "platform/ui/widgets.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

namespace {

using Events = std::vector<int>;

// One wheel notch (down: `notches` < 0) as the window system delivers it:
// spontaneous, to the widget under the pointer, so that Qt's own focus
// rule and the propagation to the parents take part.
void TurnWheel(QWidget *under, int notches)
{
    const QPointF at = QRectF(under->rect()).center();
    QWheelEvent wheel(at, under->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(under, &wheel);
}

// Where the pointer rests over a control: a spin box's editor, a slide's
// bar, the drop-down itself.
QWidget *Under(QWidget *control)
{
    if (auto *edit = control->findChild<QLineEdit *>())
        return edit;
    if (auto *bar = control->findChild<QAbstractSlider *>())
        return bar;
    return control;
}

class Conventions : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        QApplication::setActiveWindow(PanelWidget(panel));
        // The focus rests on a control that no test turns.
        Main(PANEL_BTNRun)->setFocus();
        ClearEvents();
    }
    QWidget *Main(int c) const { return Control(panel, c); }
};

TEST_F(Conventions, aWheelOverAnUnfocusedControlChangesNothingAndTakesNoFocus)
{
    const int controls[] = {PANEL_DropDCom, PANEL_DropDEvalmode, PANEL_NEDITVideoThreshold,
                            PANEL_Slide_Power, PANEL_RingPolarity};
    int before[5];
    for (int i = 0; i < 5; ++i)
        GetCtrlVal(panel, controls[i], before[i]);
    QWidget *focused = QApplication::focusWidget();
    ASSERT_EQ(focused, Main(PANEL_BTNRun));
    for (int c : controls) {
        TurnWheel(Under(Main(c)), -1);
        TurnWheel(Under(Main(c)), 1);
        TurnWheel(Under(Main(c)), 1);
    }
    Pump(20);
    for (int i = 0; i < 5; ++i) {
        int now = 0;
        GetCtrlVal(panel, controls[i], now);
        EXPECT_EQ(now, before[i]) << "control " << controls[i];
    }
    EXPECT_EQ(QApplication::focusWidget(), focused);
    for (const RecordedEvent &e : g_events)
        ADD_FAILURE() << "event " << e.event << " raised on control " << e.control;
}

TEST_F(Conventions, withTheFocusTheWheelStepsAsTheArrowKeysDo)
{
    auto *com = static_cast<QComboBox *>(Main(PANEL_DropDCom));
    com->setFocus();
    ASSERT_TRUE(com->hasFocus());
    ClearEvents();
    TurnWheel(com, -1);
    int port = 0;
    GetCtrlVal(panel, PANEL_DropDCom, port);
    EXPECT_EQ(port, 2);
    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_VALUE_CHANGED, EV_COMMIT})); // as Down

    auto *thd = static_cast<QSpinBox *>(Main(PANEL_NEDITVideoThreshold));
    thd->setFocus();
    const int threshold = thd->value();
    ClearEvents();
    TurnWheel(Under(thd), 1);
    EXPECT_EQ(thd->value(), threshold + 1);
    EXPECT_EQ(EventsOf(PANEL_NEDITVideoThreshold), (Events{EV_VALUE_CHANGED, EV_COMMIT}));

    Main(PANEL_Slide_Power)->setFocus(); // the focus is its bar's
    ClearEvents();
    TurnWheel(Under(Main(PANEL_Slide_Power)), 1);
    EXPECT_EQ(EventsOf(PANEL_Slide_Power), (Events{EV_VALUE_CHANGED, EV_COMMIT}));
}

TEST_F(Conventions, aKeyboardClickCommitsOnlyAfterALeftClickThatWaitsAndDimsTheButton)
{
    // The background teach by keyboard: its left-click dims the button and
    // waits in a nested loop; the commit that ends it comes after, once.
    DisplayPanel(popup);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PanelWidget(popup)));
    QWidget *teach = Control(popup, POPUP_BTNTeachBackGround);
    SetCtrlAttribute(popup, POPUP_BTNTeachBackGround, ATTR_DIMMED, 0);
    bool inLeftClick = false;
    int commitsInside = 0, repeatsInside = 0;
    g_onEvent = [&](const RecordedEvent &e) {
        if (e.control != POPUP_BTNTeachBackGround)
            return;
        if (e.event == EV_COMMIT && inLeftClick)
            ++commitsInside;
        if (e.event != EV_LEFT_CLICK)
            return;
        if (inLeftClick) {
            ++repeatsInside;
            return;
        }
        inLeftClick = true;
        // A key repeat while the button still shows enabled is no new click.
        static_cast<QPushButton *>(teach)->click();
        SetCtrlAttribute(popup, POPUP_BTNTeachBackGround, ATTR_DIMMED, 1);
        for (int i = 0; i < 5; ++i)
            ProcessSystemEvents();
        inLeftClick = false;
    };
    teach->setFocus();
    QTest::keyClick(teach, Qt::Key_Space);
    EXPECT_EQ(EventsOf(POPUP_BTNTeachBackGround), (Events{EV_LEFT_CLICK, EV_COMMIT}));
    EXPECT_EQ(commitsInside, 0);
    EXPECT_EQ(repeatsInside, 0);
}

} // namespace
