// Loading panels from the panel file: every control bound (lock-group names
// included), the documented failures of a missing, truncated or inconsistent
// file, the start-up values and dimming the file gives, and discarding.
#include "support.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

class LoaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int h : handles)
            DiscardPanel(h);
    }
    int Load(int parent, const QString &file, int number)
    {
        const int h = LoadPanel(parent, file.toLocal8Bit().constData(), number);
        if (h > 0)
            handles.insert(handles.begin(), h); // owned panels go first
        return h;
    }
    std::vector<int> handles;
    QTemporaryDir dir;
};

TEST_F(LoaderTest, bothPanelsBindEveryControlAndTheLockNamesAreTheirButtons)
{
    const int panel = Load(0, QZAN_PANEL_FILE, PANEL);
    ASSERT_GT(panel, 0);
    const int popup = Load(panel, QZAN_PANEL_FILE, POPUP);
    ASSERT_GT(popup, 0);
    EXPECT_NE(panel, popup);
    for (const ControlName &c : kQzanControls)
        EXPECT_NE(ControlWidget(c.panel == PANEL ? panel : popup, c.id), nullptr) << c.name;
    EXPECT_EQ(ControlWidget(panel, PANEL_BTNLock1), ControlWidget(panel, PANEL_BTNRun));
    EXPECT_EQ(ControlWidget(panel, PANEL_BTNLock2), ControlWidget(panel, PANEL_BTNData));
    EXPECT_EQ(ControlWidget(panel, PANEL_BTNLock3), ControlWidget(panel, PANEL_BTNGet));
    // The popup is a tool window that its main panel owns.
    EXPECT_EQ(PanelWidget(popup)->parentWidget(), PanelWidget(panel));
    EXPECT_TRUE(PanelWidget(popup)->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(PanelWidget(panel)->isWindow());
    EXPECT_FALSE(PanelWidget(panel)->isVisible()); // loaded, not yet displayed
}

TEST_F(LoaderTest, anAbsolutePathLoadsToo)
{
    EXPECT_GT(Load(0, PanelFilePath(), POPUP), 0);
}

TEST_F(LoaderTest, brokenFilesAndBadArgumentsGiveTheirNegativeCodes)
{
    EXPECT_EQ(Load(0, dir.filePath("absent.ui"), PANEL), UIE_NO_FILE);
    EXPECT_EQ(Load(0, WritePanelVariant(dir.path(), {}, {}, 3000), PANEL), UIE_BAD_FILE);
    EXPECT_EQ(Load(0, WritePanelVariant(dir.path(), {}, {}, 0), PANEL), UIE_BAD_FILE);
    EXPECT_EQ(Load(0, QZAN_PANEL_FILE, 3), UIE_NO_PANEL);
    EXPECT_EQ(Load(0, QZAN_PANEL_FILE, 0), UIE_NO_PANEL);
    EXPECT_EQ(Load(77, QZAN_PANEL_FILE, POPUP), UIE_BAD_HANDLE);
    EXPECT_EQ(LoadPanel(0, nullptr, PANEL), UIE_NO_FILE);
}

TEST_F(LoaderTest, aCallbackNameTheProgramDoesNotKnowFailsTheLoad)
{
    const QString file = WritePanelVariant(dir.path(), "CC_BTNStop", "CC_BTNStopp");
    EXPECT_EQ(Load(0, file, PANEL), UIE_UNKNOWN_CALLBACK);
    // ... but only the panel that holds it.
    EXPECT_GT(Load(0, file, POPUP), 0);
    EXPECT_EQ(Load(0, WritePanelVariant(dir.path(), "CC_POPUP", "CC_Nobody"), POPUP),
              UIE_UNKNOWN_CALLBACK);
}

TEST_F(LoaderTest, aControlOfTheIdentifierTableMissingFromThePanelFailsTheLoad)
{
    EXPECT_EQ(Load(0, WritePanelVariant(dir.path(), "name=\"NUM_Edge2\"", "name=\"NUM_Edge9\""),
                   PANEL),
              UIE_MISSING_CONTROL);
    EXPECT_EQ(Load(0, WritePanelVariant(dir.path(), "BTNLock3", "BTNLock9"), PANEL),
              UIE_MISSING_CONTROL);
}

TEST_F(LoaderTest, itemValuesThatDoNotMatchTheItemsAreABrokenFile)
{
    EXPECT_EQ(Load(0, WritePanelVariant(dir.path(), "<string>0,1,2,3</string>",
                                        "<string>0,1,2</string>"),
                   PANEL),
              UIE_BAD_FILE);
}

TEST_F(LoaderTest, controlsStartWithTheProgramsStartUpValuesAndDimming)
{
    const int p = Load(0, QZAN_PANEL_FILE, PANEL);
    const int q = Load(p, QZAN_PANEL_FILE, POPUP);
    ASSERT_GT(q, 0);
    const struct {
        int panel, control, value;
    } values[] = {
        {p, PANEL_Slide_Power, 500},      {p, PANEL_RingPowerMode, 0},
        {p, PANEL_NEDITVideoThreshold, 512}, {p, PANEL_RingPolarity, 1},
        {p, PANEL_DropDEvalmode, 1},      {p, PANEL_NEDITEdgeLeft, 200},
        {p, PANEL_NEDITEdgeRight, 800},   {p, PANEL_Slide_Reference, 512},
        {p, PANEL_Slide_Tolerance, 100},  {p, PANEL_BINSWITCH_UM, 1},
        {p, PANEL_RBTRam, 1},             {p, PANEL_RBTEeprom, 0},
        {p, PANEL_RBTFile, 0},            {p, PANEL_DropDCom, 1},
        {q, POPUP_NEDITTeach, 512},       {q, POPUP_NEDITTolerance, 100},
        {q, POPUP_NUM_BackGround, 64},    {q, POPUP_BIN_Switch_VGain, 1},
        {q, POPUP_BIN_Sw_EnableTol, 1},   {q, POPUP_RING_CCDMode, 0},
        {q, POPUP_NSLIDE_PixelStart, 1},  {q, POPUP_NUM_PixelEnd, 256},
        {q, POPUP_RING_CCDBGMode, 0},
    };
    for (const auto &v : values) {
        int got = -1;
        EXPECT_EQ(GetCtrlVal(v.panel, v.control, got), 0);
        EXPECT_EQ(got, v.value) << "control " << v.control;
    }
    float scale = 0;
    EXPECT_EQ(GetCtrlVal(q, POPUP_NUM_ScalFact, scale), 0);
    EXPECT_FLOAT_EQ(scale, 1.0f);

    for (int c : {POPUP_NEDITTolerance, POPUP_NUM_BackGround, POPUP_BTNTeachBackGround,
                  POPUP_LED_TeachBackGround, POPUP_NSLIDE_PixelStart, POPUP_NUM_PixelEnd,
                  POPUP_NUM_ScalFact}) {
        int dimmed = 0;
        EXPECT_EQ(GetCtrlAttribute(q, c, ATTR_DIMMED, dimmed), 0);
        EXPECT_EQ(dimmed, 1) << "control " << c;
    }
    int ticking = 1, visible = 1;
    EXPECT_EQ(GetCtrlAttribute(p, PANEL_Timer50ms, ATTR_ENABLED, ticking), 0);
    EXPECT_EQ(ticking, 0);
    EXPECT_EQ(GetCtrlAttribute(q, POPUP_NEDITTolLeff, ATTR_VISIBLE, visible), 0);
    EXPECT_EQ(visible, 0);

    const GraphModel *raw = GetGraphModel(p, PANEL_GRAPH_RAW);
    ASSERT_NE(raw, nullptr);
    EXPECT_LE(raw->yAxis.min, 0.0);
    EXPECT_GE(raw->yAxis.max, 1.0);
    EXPECT_LE(raw->yAxis.max - raw->yAxis.min, 1.2);
    EXPECT_EQ(raw->xAxis.min, 0.0);
    EXPECT_EQ(raw->xAxis.max, 1024.0);
    const GraphModel *data = GetGraphModel(p, PANEL_GraphData);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->xAxis.min, 1.0);
    EXPECT_EQ(data->xAxis.max, 1024.0);
    EXPECT_EQ(data->yAxis.max, 1023.0);
}

TEST_F(LoaderTest, aTimerEnabledInTheFileTicksFromTheLoadOn)
{
    const QString file = WritePanelVariant(
        dir.path(),
        "<property name=\"interval\"><number>50</number></property>\n"
        "        <property name=\"enabled\"><bool>false</bool></property>",
        "<property name=\"interval\"><number>20</number></property>\n"
        "        <property name=\"enabled\"><bool>true</bool></property>");
    const int p = Load(0, file, PANEL);
    ASSERT_GT(p, 0);
    int ticking = 0;
    EXPECT_EQ(GetCtrlAttribute(p, PANEL_Timer50ms, ATTR_ENABLED, ticking), 0);
    EXPECT_EQ(ticking, 1);
    ClearEvents();
    QTest::qWait(200); // hidden, never displayed
    EXPECT_FALSE(EventsOf(PANEL_Timer50ms).empty());
    SetCtrlAttribute(p, PANEL_Timer50ms, ATTR_ENABLED, 0);
}

TEST_F(LoaderTest, discardingInEitherOrderLeavesBothHandlesInvalid)
{
    for (bool mainFirst : {false, true}) {
        const int p = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
        const int q = LoadPanel(p, QZAN_PANEL_FILE, POPUP);
        ASSERT_GT(q, 0);
        DisplayPanel(q);
        if (mainFirst) {
            EXPECT_EQ(DiscardPanel(p), 0);
            EXPECT_EQ(DiscardPanel(q), UIE_BAD_HANDLE); // went with its owner
        } else {
            EXPECT_EQ(DiscardPanel(q), 0);
            EXPECT_EQ(DiscardPanel(p), 0);
        }
        EXPECT_EQ(PanelWidget(p), nullptr);
        EXPECT_EQ(PanelWidget(q), nullptr);
        int v = 0;
        EXPECT_EQ(GetCtrlVal(q, POPUP_NEDITTeach, v), UIE_BAD_HANDLE);
        EXPECT_EQ(DisplayPanel(p), UIE_BAD_HANDLE);
        EXPECT_EQ(HidePanel(q), UIE_BAD_HANDLE);
    }
}

} // namespace
