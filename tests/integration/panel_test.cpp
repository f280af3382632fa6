// The panels without a sensor: start-up state and first picture, the panel
// binding's clamping and one-way dimming, the data curve's two layouts, the
// raw-value picture read back from the graph model, and the time base.
#include "program_fixture.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "core/status.h"
#include "graph/graph.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"
#include "settings/gui.h"

#include <QWidget>

#include <cstring>

namespace {

struct Rect {
    double x1, y1, x2, y2;
    int color;
    bool operator==(const Rect &o) const
    {
        return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2 && color == o.color;
    }
};

std::ostream &operator<<(std::ostream &os, const Rect &r)
{
    return os << "[" << r.x1 << "," << r.y1 << " .. " << r.x2 << "," << r.y2 << " #" << std::hex
              << r.color << std::dec << "]";
}

std::vector<Rect> Rects(int graph)
{
    std::vector<Rect> out;
    const GraphModel *g = GetGraphModel(panelHandle, graph);
    for (int i = 0; i < g->plotCount; ++i) {
        const GraphPlot &p = g->plots[i];
        if (p.kind == GraphPlot::Rectangle) {
            EXPECT_EQ(p.color, p.fillColor);
            out.push_back({p.x1, p.y1, p.x2, p.y2, p.color});
        }
    }
    return out;
}

double CursorX(int cursor) { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->cursorX[cursor - 1]; }

// Puts a measurement answer into pp as the receive callback would.
void Answer(unsigned e1, unsigned e2, unsigned meas, unsigned teach, unsigned tol, unsigned start,
            unsigned edges, unsigned mvs, unsigned mve)
{
    const unsigned w[9] = {e1, e2, meas, teach, tol, start, edges, mvs, mve};
    for (int i = 0; i < 9; ++i)
        pp[i] = static_cast<unsigned short>(w[i]);
}

class Panels : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        setenv("QZAN_COM1", TempPath("no-sensor").c_str(), 1);
        StartProgram();
    }
};

TEST_F(Panels, startUpDrawsTheFirstCursorsAndToleranceBand)
{
    EXPECT_EQ(std::string(szStatus), "Cannot open port");
    const GraphModel *raw = GetGraphModel(panelHandle, PANEL_GRAPH_RAW);
    EXPECT_EQ(raw->cursorX[0], 512);
    EXPECT_EQ(raw->cursorX[1], 200);
    EXPECT_EQ(raw->cursorX[2], 800);
    for (double y : raw->cursorY)
        EXPECT_EQ(y, 1.0);
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW), (std::vector<Rect>{{412, 0, 612, 0.25, COLOR_GREEN}}));
    for (int i = 0; i < LINE_SAMPLES; ++i) {
        ASSERT_EQ(xArray[i], 4 * i);
        ASSERT_EQ(thdArray[i], 512);
    }
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(IntValue(panelHandle, PANEL_BINSWITCH_UM), 1);
    EXPECT_EQ(ePoti, 1);
}

TEST_F(Panels, aToleranceBeyondTheSetpointReachesBelowPixelZeroAtStartUp)
{
    SetCtrlVal(panelPopUp, POPUP_NEDITTeach, 50);
    SetCtrlVal(panelPopUp, POPUP_NEDITTolerance, 80);
    InitVars();
    const auto rects = Rects(PANEL_GRAPH_RAW);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].x1, -30);
    EXPECT_EQ(rects[0].x2, 130);
}

TEST_F(Panels, informationTextsAreCreatedAtRunTime)
{
    const char *texts[] = {"PC-SOFTWARE: Q-ZAN Series", "Vornhal GmbH", "Q-ZAN-RM-Rivad",
                           "Version 1.0"};
    for (const char *t : texts) {
        bool found = false;
        for (int id = 100000; id < 100010 && !found; ++id) {
            char text[64] = "";
            if (GetCtrlVal(panelHandle, id, text, sizeof text) == 0)
                found = std::strcmp(text, t) == 0;
        }
        EXPECT_TRUE(found) << t;
    }
}

TEST_F(Panels, clampingReplacesOutOfRangeValuesAndKeepsTheBounds)
{
    power = 1001;
    pwrMode = 2;
    vThd = 1024;
    polarity = 2;
    eMode = 4;
    eBeg = 1025;
    eEnd = 1024;
    tVal = 1024;
    tTol = 513;
    bVal = 1024;
    iGain = 2;
    ePoti = 2;
    pStart = 1024;
    para15 = 1300;
    ccdMode = 9;
    bMode = 9;
    SetPanelValues();
    EXPECT_EQ(power, 500);
    EXPECT_EQ(pwrMode, 0);
    EXPECT_EQ(vThd, 512);
    EXPECT_EQ(polarity, 1);
    EXPECT_EQ(eMode, 1);
    EXPECT_EQ(eBeg, 200);
    EXPECT_EQ(eEnd, 1024) << "1024 is inside the range";
    EXPECT_EQ(tVal, 1024);
    EXPECT_EQ(tTol, 128);
    EXPECT_EQ(bVal, 60);
    EXPECT_EQ(iGain, 0);
    EXPECT_EQ(ePoti, 1);
    EXPECT_EQ(pStart, 1);
    EXPECT_EQ(para15, 1200);
    EXPECT_EQ(ccdMode, 9) << "the modes are not checked";
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Power), 500);
    EXPECT_EQ(IntValue(panelHandle, PANEL_DropDEvalmode), 1);
    double scale = 0;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    EXPECT_NEAR(scale, 1.2, 1e-6);

    power = 1000;
    para15 = 700;
    pStart = 1023;
    ccdMode = 1;
    SetPanelValues();
    EXPECT_EQ(power, 1000);
    EXPECT_EQ(para15, 800);
    EXPECT_EQ(IntValue(panelPopUp, POPUP_NUM_PixelEnd), 1278);
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW).back(), (Rect{1023, 0, 1278, 1, COLOR_GREY}));
    ccdMode = 0;
    SetPanelValues();
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW).back(), (Rect{0, 0, 1023, 1, COLOR_GREY}));
}

// What the operator sees after a clamp: every control the binding writes
// shows the clamped value, not the one that came in. Each variable starts
// out of range (a wrong write of the raw value would show it, or the
// control's own bound, neither of which is the replacement).
TEST_F(Panels, everyControlTheBindingWritesShowsTheClampedValue)
{
    power = 1001;
    pwrMode = 2;
    vThd = 1024;
    polarity = 2;
    eMode = 4;
    eBeg = 1025;
    eEnd = 1025;
    tVal = 1025;
    tTol = 513;
    bVal = 1024;
    iGain = 2;
    ePoti = 2;
    pStart = 1024;
    para15 = 1300;
    ccdMode = 1;
    bMode = 1;
    SetPanelValues();

    struct Shown {
        const char *name;
        int panel, control, value;
    };
    const Shown shown[] = {
        {"power", panelHandle, PANEL_Slide_Power, 500},
        {"power mode", panelHandle, PANEL_RingPowerMode, 0},
        {"video threshold", panelHandle, PANEL_NEDITVideoThreshold, 512},
        {"polarity", panelHandle, PANEL_RingPolarity, 1},
        {"evaluation mode", panelHandle, PANEL_DropDEvalmode, 1},
        {"window start", panelHandle, PANEL_NEDITEdgeLeft, 200},
        {"window end", panelHandle, PANEL_NEDITEdgeRight, 800},
        {"tolerance slider", panelHandle, PANEL_Slide_Tolerance, 128},
        {"setpoint slider", panelHandle, PANEL_Slide_Reference, 512},
        {"setpoint input", panelPopUp, POPUP_NEDITTeach, 512},
        {"tolerance input", panelPopUp, POPUP_NEDITTolerance, 128},
        {"background", panelPopUp, POPUP_NUM_BackGround, 60},
        {"gain switch", panelPopUp, POPUP_BIN_Switch_VGain, 0},
        {"tolerance switch", panelPopUp, POPUP_BIN_Sw_EnableTol, 1},
        {"first pixel", panelPopUp, POPUP_NSLIDE_PixelStart, 1},
        {"last pixel", panelPopUp, POPUP_NUM_PixelEnd, 256},
    };
    for (const Shown &s : shown)
        EXPECT_EQ(IntValue(s.panel, s.control), s.value) << s.name;
    double scale = 0;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    EXPECT_NEAR(scale, 1.2, 1e-6) << "scale factor";
    EXPECT_EQ(thdArray[0], 512) << "the threshold line";
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW).back(), (Rect{1, 0, 256, 1, COLOR_GREY}))
        << "the pixel window";
}

TEST_F(Panels, readingAndWritingBackCutsTheScaleFactorToThousandths)
{
    SetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, 1.2345);
    GetPanelValues();
    EXPECT_EQ(para15, 1234);
    SetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, 1.0995);
    GetPanelValues();
    EXPECT_EQ(para15, 1099);
    const unsigned short before[] = {power, vThd, eBeg, eEnd, tVal, tTol, bVal, pStart};
    SetPanelValues();
    const unsigned short after[] = {power, vThd, eBeg, eEnd, tVal, tTol, bVal, pStart};
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(after)));
    double scale = 0;
    GetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, scale);
    EXPECT_NEAR(scale, 1.099, 1e-9);
    SetCtrlVal(panelPopUp, POPUP_NUM_ScalFact, 1.1);
    GetPanelValues();
    EXPECT_EQ(para15, 1100);
}

TEST_F(Panels, dimmingRulesActInOneDirectionOnly)
{
    ePoti = 1;
    SetPanelValues();
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_NEDITTolerance));
    ePoti = 0;
    SetPanelValues();
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_NEDITTolerance)) << "0 does not undim";

    bMode = 2;
    SetPanelValues();
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround));
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_LED_TeachBackGround));
    EXPECT_TRUE(Dimmed(panelPopUp, POPUP_NUM_BackGround));
    bMode = 1;
    SetPanelValues();
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_NUM_BackGround));
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_BTNTeachBackGround)) << "1 does not dim";

    eMode = 2;
    SetPanelValues();
    EXPECT_FALSE(Dimmed(panelPopUp, POPUP_NUM_ScalFact));
}

TEST_F(Panels, dataCurveUsesFullLineOrWindowLayout)
{
    for (int i = 0; i < LINE_SAMPLES; ++i)
        adcbuf[i] = static_cast<unsigned short>(i * 3);
    ccdMode = 0;
    PlotDATACurve(adcbuf);
    const GraphModel *g = GetGraphModel(panelHandle, PANEL_GraphData);
    EXPECT_EQ(g->xAxis.min, 1.0);
    EXPECT_EQ(g->xAxis.max, 1024.0);
    EXPECT_EQ(g->yAxis.min, 0.0);
    EXPECT_EQ(g->yAxis.max, 1023.0);
    ASSERT_EQ(g->plotCount, 2);
    EXPECT_EQ(g->plots[0].color, COLOR_RED);
    EXPECT_EQ(g->plots[0].x.front(), 0);
    EXPECT_EQ(g->plots[0].x.back(), 1020);
    EXPECT_EQ(g->plots[0].y[100], 300);
    EXPECT_EQ(g->plots[1].color, COLOR_DARK_GREEN);

    for (unsigned short mode : {1, 2, 7}) {
        ccdMode = mode;
        pix1 = 300;
        PlotDATACurve(adcbuf);
        EXPECT_EQ(g->xAxis.min, 300);
        EXPECT_EQ(g->xAxis.max, 556);
        EXPECT_EQ(g->plots[0].x.front(), 300);
        EXPECT_EQ(g->plots[0].x.back(), 555);
    }
    pix1 = 900; // no limit here, unlike the raw picture
    PlotDATACurve(adcbuf);
    EXPECT_EQ(g->xAxis.max, 1156);
    EXPECT_EQ(g->plots[0].x.back(), 1155);
}

TEST_F(Panels, rawPictureOfTwoEdgesInFullLineMode)
{
    eMode = 0;
    ccdMode = 0;
    eBeg = 150;
    eEnd = 870;
    Answer(300, 700, 300, 500, 20, 0, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(CursorX(1), 300);
    EXPECT_EQ(CursorX(2), 150);
    EXPECT_EQ(CursorX(3), 870);
    const GraphModel *raw = GetGraphModel(panelHandle, PANEL_GRAPH_RAW);
    EXPECT_EQ(raw->cursorY[0], 0.75);
    EXPECT_EQ(raw->xAxis.min, 0);
    EXPECT_EQ(raw->xAxis.max, 1024);
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW), (std::vector<Rect>{{0, 0.25, 300, 1, COLOR_RED},
                                                         {700, 0.25, 1024, 1, COLOR_RED},
                                                         {480, 0, 520, 0.25, COLOR_GREEN}}));
    EXPECT_EQ(tVal, 500);
    EXPECT_EQ(tTol, 20);
    EXPECT_EQ(IntValue(panelHandle, PANEL_NUM_Edge2), 700);
}

TEST_F(Panels, rawPictureOfOneEdgePaintsTheLitSide)
{
    eMode = 1;
    Answer(400, 400, 400, 512, 10, 0, 1, 0, 1);
    PlotRAWValues();
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW).front(), (Rect{400, 0.25, 1024, 1, COLOR_RED}));
    Answer(400, 400, 400, 512, 10, 0, 1, 1, 1); // equal states: the start side
    PlotRAWValues();
    EXPECT_EQ(Rects(PANEL_GRAPH_RAW).front(), (Rect{0, 0.25, 400, 1, COLOR_RED}));
}

TEST_F(Panels, widthModeCentresTheToleranceWindowsOnTheEvaluatedPosition)
{
    eMode = 2;
    Answer(90, 110, 20, 50, 11, 0, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(CursorX(1), 100);
    const auto rects = Rects(PANEL_GRAPH_RAW);
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[2], (Rect{70, 0, 80, 0.25, COLOR_GREEN}));
    EXPECT_EQ(rects[3], (Rect{120, 0, 130, 0.25, COLOR_GREEN}));

    Answer(101, 204, 103, 0, 0, 0, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(CursorX(1), 152) << "the centre is rounded down";

    ccdMode = 1;
    pStart = 100;
    Answer(0, 300, 300, 0, 0, 0, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(CursorX(1), 100) << "an edge at 0 gives position 1, limited to the window";
}

TEST_F(Panels, windowModesLimitTheVisibleRangeTo768)
{
    eMode = 0;
    ccdMode = 1;
    pStart = 900;
    Answer(1000, 1010, 0, 0, 0, 0, 2, 1, 1);
    PlotRAWValues();
    const GraphModel *raw = GetGraphModel(panelHandle, PANEL_GRAPH_RAW);
    EXPECT_EQ(raw->xAxis.min, 768);
    EXPECT_EQ(raw->xAxis.max, 1024);
    ccdMode = 2;
    Answer(1000, 1010, 0, 0, 0, 800, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(pix1, 800);
    EXPECT_EQ(raw->xAxis.min, 768);
    ccdMode = 0;
    Answer(2000, 2010, 0, 0, 0, 0, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(CursorX(1), 1024);
}

TEST_F(Panels, toleranceBarEndsAreReplacedOnlyBeyondTheLine)
{
    eMode = 0;
    const struct {
        unsigned teach, tol;
        Rect bar;
    } cases[] = {
        {5, 8, {1, 0, 13, 0.25, COLOR_GREEN}},
        {8, 8, {0, 0, 16, 0.25, COLOR_GREEN}},
        {1000, 23, {977, 0, 1023, 0.25, COLOR_GREEN}},
        {1000, 24, {976, 0, 1024, 0.25, COLOR_GREEN}},
    };
    for (const auto &c : cases) {
        Answer(100, 200, 100, c.teach, c.tol, 0, 2, 1, 1);
        PlotRAWValues();
        EXPECT_EQ(Rects(PANEL_GRAPH_RAW).back(), c.bar) << c.teach << "/" << c.tol;
    }
}

TEST_F(Panels, micrometreReadOutsTruncateAndScaleOnlyMeasuredAndTeachValues)
{
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 0);
    eMode = 2;
    scaleF = 0.9f;
    Answer(500, 101, 100, 100, 100, 0, 2, 1, 1);
    PlotRAWValues();
    EXPECT_EQ(IntValue(panelHandle, PANEL_NUM_Edge1), 3900);
    EXPECT_EQ(IntValue(panelHandle, PANEL_NUM_Edge2), 787);
    EXPECT_EQ(IntValue(panelHandle, PANEL_NUM_MeasValue), 701);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Reference), 701);
    EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Tolerance), 780);
    EXPECT_FLOAT_EQ(scaleF, 0.9f) << "the factor holds in width mode";
    eMode = 3;
    PlotRAWValues();
    EXPECT_EQ(scaleF, 1.0f) << "any other mode sets it back";
}

TEST_F(Panels, theTimeBaseCountsOnlyTicksAndHoldsAt60000)
{
    ttick = 59999;
    CC_Timer50ms(panelHandle, PANEL_Timer50ms, EV_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(ttick, 60000);
    CC_Timer50ms(panelHandle, PANEL_Timer50ms, EV_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(ttick, 60000);
    CC_Timer50ms(panelHandle, PANEL_Timer50ms, EV_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ttick, 60000);
    ttick = 0;
    StartTicks();
    EXPECT_TRUE(WaitUntil([] { return ttick >= 3; }, 2000));
    StopTicks();
    Spin(120);
    EXPECT_EQ(ttick, 0) << "no ticks while the timer is disabled";
}

TEST_F(Panels, closingTheMainPanelEndsARunningLoopAndQuits)
{
    stop_flag = 0;
    QWidget *w = PanelWidget(panelHandle);
    w->close();
    EXPECT_EQ(stop_flag, 1);
    EXPECT_TRUE(w->isVisible()) << "the program, not the run-time, decides";
}

} // namespace
