// Control values and attributes: round trips per kind of control, clamping
// to ranges, 16-bit and float conversions, bounded text copies, text
// messages made at run time, and the errors of bad handles and arguments.
#include "support.h"

#include "platform/ui/widgets.h"

#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

class ValuesTest : public PanelsTest {};

TEST_F(ValuesTest, numericInputsClampToTheirRangesAndDisplaysHoldAnySixteenBitValue)
{
    int v = 0;
    EXPECT_EQ(SetCtrlVal(panel, PANEL_NEDITVideoThreshold, 1023), 0);
    GetCtrlVal(panel, PANEL_NEDITVideoThreshold, v);
    EXPECT_EQ(v, 1023);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_NEDITVideoThreshold, 5000), 0);
    GetCtrlVal(panel, PANEL_NEDITVideoThreshold, v);
    EXPECT_EQ(v, 1023);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_NEDITEdgeRight, 1024u), 0);
    GetCtrlVal(panel, PANEL_NEDITEdgeRight, v);
    EXPECT_EQ(v, 1024);
    EXPECT_EQ(SetCtrlVal(popup, POPUP_NEDITTolerance, -3), 0);
    GetCtrlVal(popup, POPUP_NEDITTolerance, v);
    EXPECT_EQ(v, 0);

    EXPECT_EQ(SetCtrlVal(panel, PANEL_NUM_MeasValue, 65535), 0);
    unsigned short u = 0;
    GetCtrlVal(panel, PANEL_NUM_MeasValue, u);
    EXPECT_EQ(u, 65535);
    EXPECT_EQ(SetCtrlVal(popup, POPUP_NUM_PixelEnd, 1023 + 255), 0);
    GetCtrlVal(popup, POPUP_NUM_PixelEnd, v);
    EXPECT_EQ(v, 1278);

    // NaN has no place in a whole-number control; infinity clamps.
    EXPECT_EQ(SetCtrlVal(panel, PANEL_NEDITEdgeLeft, std::nan("")), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_NEDITEdgeLeft, HUGE_VAL), 0);
    GetCtrlVal(panel, PANEL_NEDITEdgeLeft, v);
    EXPECT_EQ(v, 1024);
}

TEST_F(ValuesTest, displaySlidesShowExactlyWhatIsSetWhileInputSlidesClamp)
{
    int v = 0;
    unsigned short u = 0;
    EXPECT_EQ(SetCtrlVal(panel, PANEL_Slide_Reference, 3993), 0); // 512 px in µm
    GetCtrlVal(panel, PANEL_Slide_Reference, v);
    EXPECT_EQ(v, 3993);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_Slide_Tolerance, 65535), 0);
    GetCtrlVal(panel, PANEL_Slide_Tolerance, u);
    EXPECT_EQ(u, 65535);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_Slide_Power, 1500), 0);
    GetCtrlVal(panel, PANEL_Slide_Power, v);
    EXPECT_EQ(v, 1000);
    EXPECT_EQ(SetCtrlVal(popup, POPUP_NSLIDE_PixelStart, 1023), 0);
    GetCtrlVal(popup, POPUP_NSLIDE_PixelStart, v);
    EXPECT_EQ(v, 1023);
}

TEST_F(ValuesTest, unsignedShortReadsGiveTheLowSixteenBits)
{
    unsigned short u = 0;
    SetCtrlVal(panel, PANEL_Slide_Reference, 70000);
    GetCtrlVal(panel, PANEL_Slide_Reference, u);
    EXPECT_EQ(u, 70000 & 0xFFFF);
    SetCtrlVal(panel, PANEL_Slide_Reference, -1);
    GetCtrlVal(panel, PANEL_Slide_Reference, u);
    EXPECT_EQ(u, 0xFFFF);
}

TEST_F(ValuesTest, theScaleFactorHoldsFourDecimalsAndStaysInItsRange)
{
    float f = 0;
    double d = 0;
    int i = -1;
    EXPECT_EQ(SetCtrlVal(popup, POPUP_NUM_ScalFact, 1.2345), 0);
    GetCtrlVal(popup, POPUP_NUM_ScalFact, f);
    EXPECT_FLOAT_EQ(f, 1.2345f);
    EXPECT_EQ(static_cast<unsigned>(1000.0f * f), 1234u); // what the program keeps
    GetCtrlVal(popup, POPUP_NUM_ScalFact, d);
    EXPECT_DOUBLE_EQ(d, 1.2345);
    SetCtrlVal(popup, POPUP_NUM_ScalFact, 0.95);
    GetCtrlVal(popup, POPUP_NUM_ScalFact, i); // truncated like a C conversion
    EXPECT_EQ(i, 0);
    SetCtrlVal(popup, POPUP_NUM_ScalFact, 2.0);
    GetCtrlVal(popup, POPUP_NUM_ScalFact, d);
    EXPECT_LE(d, 1.3);
    SetCtrlVal(popup, POPUP_NUM_ScalFact, 0.1);
    GetCtrlVal(popup, POPUP_NUM_ScalFact, d);
    EXPECT_DOUBLE_EQ(d, 0.8);
    SetCtrlVal(popup, POPUP_NUM_ScalFact, 1.0);
    EXPECT_EQ(static_cast<QDoubleSpinBox *>(Control(popup, POPUP_NUM_ScalFact))->text(),
              QStringLiteral("1.000"));
}

TEST_F(ValuesTest, ringsTakeOnlyTheValuesOfTheirItems)
{
    int v = 0;
    EXPECT_EQ(SetCtrlVal(panel, PANEL_DropDCom, 16), 0);
    GetCtrlVal(panel, PANEL_DropDCom, v);
    EXPECT_EQ(v, 16);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_DropDCom, 0), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_DropDCom, 2.5), UIE_BAD_ARGUMENT);
    GetCtrlVal(panel, PANEL_DropDCom, v);
    EXPECT_EQ(v, 16); // left as it was
    EXPECT_EQ(SetCtrlVal(panel, PANEL_DropDEvalmode, 3), 0);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_DropDEvalmode, 4), UIE_BAD_ARGUMENT);
    GetCtrlVal(panel, PANEL_DropDEvalmode, v);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(SetCtrlVal(popup, POPUP_RING_CCDBGMode, 2), 0);
    GetCtrlVal(popup, POPUP_RING_CCDBGMode, v);
    EXPECT_EQ(v, 2);
}

TEST_F(ValuesTest, switchesRadioButtonsAndLedsAreZeroOrOne)
{
    int v = -1;
    const std::pair<int, int> controls[] = {{panel, PANEL_BINSWITCH_UM},
                                            {panel, PANEL_RBTFile},
                                            {popup, POPUP_LED_TeachBackGround},
                                            {popup, POPUP_BIN_Switch_VGain}};
    for (auto [p, c] : controls) {
        EXPECT_EQ(SetCtrlVal(p, c, 1), 0);
        GetCtrlVal(p, c, v);
        EXPECT_EQ(v, 1) << c;
        EXPECT_EQ(SetCtrlVal(p, c, 0), 0);
        GetCtrlVal(p, c, v);
        EXPECT_EQ(v, 0) << c;
    }
}

TEST_F(ValuesTest, theStatusTextIsReplacedAndCopiedOutBoundedAndTerminated)
{
    EXPECT_EQ(SetCtrlVal(panel, PANEL_STATUS, "Timeout RS232-Line!"), 0);
    char buf[64];
    EXPECT_EQ(GetCtrlVal(panel, PANEL_STATUS, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "Timeout RS232-Line!");
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(GetCtrlVal(panel, PANEL_STATUS, small, 5), 0);
    EXPECT_STREQ(small, "Time");
    EXPECT_EQ(small[5], 'x'); // nothing written past the given size
    SetCtrlVal(panel, PANEL_STATUS, "µm");
    EXPECT_EQ(GetCtrlVal(panel, PANEL_STATUS, small, 2), 0);
    EXPECT_STREQ(small, ""); // half a character is no character
    EXPECT_EQ(GetCtrlVal(panel, PANEL_STATUS, small, 0), UIE_BAD_ARGUMENT);
    EXPECT_EQ(GetCtrlVal(panel, PANEL_STATUS, nullptr, 8), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_STATUS, static_cast<const char *>(nullptr)),
              UIE_BAD_ARGUMENT);
}

TEST_F(ValuesTest, badHandlesIdentifiersAndKindsGiveErrors)
{
    int v = 0;
    EXPECT_EQ(SetCtrlVal(999, PANEL_STATUS, 1), UIE_BAD_HANDLE);
    EXPECT_EQ(GetCtrlVal(panel, 9999, v), UIE_BAD_CONTROL);
    EXPECT_EQ(GetCtrlVal(panel, POPUP_NEDITTeach, v), UIE_BAD_CONTROL); // on the other panel
    EXPECT_EQ(GetCtrlVal(panel, PANEL_GRAPH_RAW, v), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_BTNRun, 1), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlVal(panel, PANEL_Slide_Power, "500"), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_BTNRun, 12345, 1), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_BTNRun, ATTR_ENABLED, 1), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_INTERVAL, std::nan("")),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_STATUS, ATTR_TEXT_COLOR, 0x1000000), UIE_BAD_ARGUMENT);
    EXPECT_EQ(NewCtrl(999, CTRL_TEXT_MSG, "", 0, 0), UIE_BAD_HANDLE);
}

TEST_F(ValuesTest, attributesDimHideAndStyleControls)
{
    int v = -1;
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_BTNLock2, ATTR_DIMMED, 1), 0);
    EXPECT_FALSE(Control(panel, PANEL_BTNData)->isEnabled());
    GetCtrlAttribute(panel, PANEL_BTNData, ATTR_DIMMED, v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_BTNLock2, ATTR_DIMMED, 0), 0);
    EXPECT_TRUE(Control(panel, PANEL_BTNData)->isEnabled());

    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_STATUS, ATTR_TOOLTIP, "/dev/ttyS0: no permission"), 0);
    EXPECT_EQ(Control(panel, PANEL_STATUS)->toolTip(), QStringLiteral("/dev/ttyS0: no permission"));
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_GRAPH_RAW, ATTR_GRAPH_LIVE, 1), 0);
    GetCtrlAttribute(panel, PANEL_GRAPH_RAW, ATTR_GRAPH_LIVE, v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_INTERVAL, 0.05), 0);
    EXPECT_EQ(static_cast<QzTimer *>(Control(panel, PANEL_Timer50ms))->interval(), 50);
}

TEST_F(ValuesTest, aTextMessageSitsWhereAskedInTheColoursAndHeightAsked)
{
    const int id = NewCtrl(panel, CTRL_TEXT_MSG, "", 20, 200);
    ASSERT_GT(id, 0);
    EXPECT_EQ(SetCtrlAttribute(panel, id, ATTR_TEXT_FONT, FONT_APPLICATION), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, id, ATTR_TEXT_COLOR, 0x0000FF), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, id, ATTR_TEXT_BGCOLOR, 0xFFFFFF), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, id, ATTR_TEXT_POINT_SIZE, 20), 0);
    EXPECT_EQ(SetCtrlVal(panel, id, "Q-ZAN-RM-Rivad"), 0);
    auto *label = static_cast<QLabel *>(ControlWidget(panel, id));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pos(), QPoint(200, 20));
    EXPECT_EQ(label->text(), QStringLiteral("Q-ZAN-RM-Rivad"));
    EXPECT_LE(label->fontMetrics().height(), 20);
    EXPECT_GE(label->fontMetrics().height(), 15);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    int v = 0;
    GetCtrlAttribute(panel, id, ATTR_TEXT_COLOR, v);
    EXPECT_EQ(v, 0x0000FF);
    GetCtrlAttribute(panel, id, ATTR_TEXT_BGCOLOR, v);
    EXPECT_EQ(v, 0xFFFFFF);
    GetCtrlAttribute(panel, id, ATTR_TEXT_POINT_SIZE, v);
    EXPECT_EQ(v, 20);
    EXPECT_NE(NewCtrl(panel, CTRL_TEXT_MSG, "", 36, 15), id);
}

} // namespace
