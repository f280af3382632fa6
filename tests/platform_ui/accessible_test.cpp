// What an assistive tool reads from the panels' own widgets: read-outs and
// indicator slides give the name of their label and the value they show,
// switches and the lamp their state.
#include "support.h"

#include "platform/ui/readout.h"
#include "platform/ui/widgets.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>

namespace {

QAccessibleInterface *Interface(QWidget *w)
{
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

class Accessible : public PanelsTest {};

TEST_F(Accessible, readOutsGiveTheirLabelAndTheValueAsShown)
{
    const struct {
        int control;
        const char *name;
    } readouts[] = {
        {PANEL_NUM_Edge1, "Edge 1"},
        {PANEL_NUM_Edge2, "Edge 2"},
        {PANEL_NUM_MeasValue, "Measured value"},
    };
    for (const auto &r : readouts) {
        QAccessibleInterface *a = Interface(Control(panel, r.control));
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->role(), QAccessible::StaticText) << r.name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(r.name));
        EXPECT_TRUE(a->state().readOnly) << r.name;
        SetCtrlVal(panel, r.control, 1017);
        EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("1017")) << r.name;
        QAccessibleValueInterface *v = a->valueInterface();
        ASSERT_NE(v, nullptr) << r.name;
        EXPECT_EQ(v->currentValue().toInt(), 1017) << r.name;
        v->setCurrentValue(5); // shows what the program sets, nothing else
        EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("1017")) << r.name;
    }
    EXPECT_EQ(Interface(Control(popup, POPUP_NUM_PixelEnd))->text(QAccessible::Name),
              QStringLiteral("Pixel end"));
}

TEST_F(Accessible, slidesGiveTheirLabelAndTheNumberBesideTheBar)
{
    // The teach value and the tolerance show what the program sets, also
    // beyond the bar's range: the tool reads the number, not the bar.
    QAccessibleInterface *teach = Interface(Control(panel, PANEL_Slide_Reference));
    ASSERT_NE(teach, nullptr);
    EXPECT_EQ(teach->role(), QAccessible::Indicator);
    EXPECT_EQ(teach->text(QAccessible::Name), QStringLiteral("Teach value"));
    SetCtrlVal(panel, PANEL_Slide_Reference, 4000);
    EXPECT_EQ(teach->text(QAccessible::Value), QStringLiteral("4000"));
    EXPECT_EQ(teach->valueInterface()->currentValue().toInt(), 4000);
    EXPECT_TRUE(teach->state().readOnly);
    teach->valueInterface()->setCurrentValue(10);
    EXPECT_EQ(teach->text(QAccessible::Value), QStringLiteral("4000"));

    // An input slide is a slider an assistive tool may move, as the
    // operator would: the program hears of it.
    QAccessibleInterface *power = Interface(Control(panel, PANEL_Slide_Power));
    ASSERT_NE(power, nullptr);
    EXPECT_EQ(power->role(), QAccessible::Slider);
    EXPECT_EQ(power->valueInterface()->maximumValue().toInt(), 1000);
    ClearEvents();
    power->valueInterface()->setCurrentValue(640);
    EXPECT_EQ(power->text(QAccessible::Value), QStringLiteral("640"));
    EXPECT_EQ(EventsOf(PANEL_Slide_Power), (std::vector<int>{EV_VALUE_CHANGED, EV_COMMIT}));
}

TEST_F(Accessible, switchesAndTheLampGiveTheirState)
{
    QAccessibleInterface *units = Interface(Control(panel, PANEL_BINSWITCH_UM));
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units->role(), QAccessible::CheckBox);
    EXPECT_TRUE(units->state().checked);
    EXPECT_EQ(units->text(QAccessible::Value), QStringLiteral("px"));
    ClearEvents();
    units->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(units->state().checked);
    EXPECT_EQ(units->text(QAccessible::Value), QStringLiteral("µm"));
    EXPECT_EQ(EventsOf(PANEL_BINSWITCH_UM), (std::vector<int>{EV_VALUE_CHANGED, EV_COMMIT}));

    QAccessibleInterface *lamp = Interface(Control(popup, POPUP_LED_TeachBackGround));
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->role(), QAccessible::Indicator);
    EXPECT_FALSE(lamp->state().checked);
    SetCtrlVal(popup, POPUP_LED_TeachBackGround, 1);
    EXPECT_TRUE(lamp->state().checked);
}

} // namespace
