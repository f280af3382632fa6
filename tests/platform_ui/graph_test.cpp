// The graph model behind GRAPH_RAW and GraphData: curves, rectangles,
// cursors and axes as the program drew them, deletion, and that the live
// cycle's delete-and-replot on every answer stays bounded in memory, costs
// one repaint per frame, repaints only the bars and cursors where they moved,
// and leaves the screen as a fresh drawing of the same model would.
#include "support.h"

#include "platform/ui/graph.h"
#include "platform/ui/graph_export.h"

#include <QBackingStore>
#include <QImage>
#include <QTest>

#include <qcustomplot.h>

#include <cmath>
#include <cstdint>

namespace {

class GraphTest : public PanelsTest {
protected:
    const GraphModel &Raw() const { return *GetGraphModel(panel, PANEL_GRAPH_RAW); }
    const GraphModel &Data() const { return *GetGraphModel(panel, PANEL_GraphData); }
    QzGraph *Widget(int graph) const { return static_cast<QzGraph *>(Control(panel, graph)); }
};

TEST_F(GraphTest, curvesKeepTheirPointsColoursAndDrawingOrder)
{
    std::uint16_t x[256], data[256], thd[256];
    for (int i = 0; i < 256; ++i) {
        x[i] = static_cast<std::uint16_t>(4 * i);
        data[i] = static_cast<std::uint16_t>(i * 3);
        thd[i] = 512;
    }
    DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_NOW);
    const int a = PlotXY(panel, PANEL_GraphData, x, data, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
                         POINT_SIMPLE_DOT, LINE_SOLID, 1, 0xFF0000);
    const int b = PlotXY(panel, PANEL_GraphData, x, thd, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
                         POINT_SIMPLE_DOT, LINE_SOLID, 1, 0x008000);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    ASSERT_EQ(Data().plotCount, 2);
    const GraphPlot &curve = Data().plots[0], &line = Data().plots[1];
    EXPECT_EQ(curve.kind, GraphPlot::Curve);
    EXPECT_EQ(curve.handle, a);
    EXPECT_EQ(curve.color, 0xFF0000);
    EXPECT_EQ(curve.plotStyle, PLOT_FAT_LINE);
    ASSERT_EQ(curve.x.size(), 256u);
    EXPECT_EQ(curve.x[255], 1020.0);
    EXPECT_EQ(curve.y[100], 300.0);
    EXPECT_EQ(line.color, 0x008000);
    EXPECT_EQ(line.y[0], 512.0);

    // Every element type the program may hand over.
    const std::int32_t xi[3] = {-5, 0, 5};
    const std::uint32_t yu[3] = {0, 70000, 4000000000u};
    const double yd[3] = {0.25, 0.5, 1.0};
    ASSERT_GT(PlotXY(panel, PANEL_GraphData, xi, yu, 3, TYPE_I32, TYPE_U32, PLOT_THIN_LINE,
                     POINT_NONE, LINE_SOLID, 1, 0),
              0);
    ASSERT_GT(PlotXY(panel, PANEL_GraphData, xi, yd, 3, TYPE_I32, TYPE_DOUBLE, PLOT_THIN_LINE,
                     POINT_NONE, LINE_SOLID, 1, 0),
              0);
    EXPECT_EQ(Data().plots[2].x[0], -5.0);
    EXPECT_EQ(Data().plots[2].y[2], 4000000000.0);
    EXPECT_EQ(Data().plots[3].y[0], 0.25);
    EXPECT_EQ(Data().curvesDrawn, 4);
}

TEST_F(GraphTest, rectanglesCursorsAndAxesAreKeptAsGiven)
{
    DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
    const int grey = PlotRectangle(panel, PANEL_GRAPH_RAW, 0.0, 0.0, 1023.0, 1.0, 0xA0A0A0, 0xA0A0A0);
    const int green = PlotRectangle(panel, PANEL_GRAPH_RAW, -88.0, 0.0, 612.0, 0.25, 0x00FF00, 0x00FF00);
    ASSERT_GT(grey, 0);
    ASSERT_GT(green, 0);
    ASSERT_EQ(Raw().plotCount, 2);
    const GraphPlot &r = Raw().plots[1];
    EXPECT_EQ(r.kind, GraphPlot::Rectangle);
    EXPECT_EQ(r.x1, -88.0); // a negative left bound is the program's to keep
    EXPECT_EQ(r.x2, 612.0);
    EXPECT_EQ(r.y2, 0.25);
    EXPECT_EQ(r.fillColor, 0x00FF00);

    EXPECT_EQ(SetGraphCursor(panel, PANEL_GRAPH_RAW, 1, 512, 0.75), 0);
    EXPECT_EQ(SetGraphCursor(panel, PANEL_GRAPH_RAW, 3, 800, 0.75), 0);
    EXPECT_EQ(Raw().cursorX[0], 512.0);
    EXPECT_EQ(Raw().cursorY[0], 0.75);
    EXPECT_EQ(Raw().cursorX[2], 800.0);
    EXPECT_EQ(SetGraphCursor(panel, PANEL_GRAPH_RAW, 4, 1, 1), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetGraphCursor(panel, PANEL_GRAPH_RAW, 0, 1, 1), UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetGraphCursor(panel, PANEL_GraphData, 1, 1, 1), UIE_BAD_ARGUMENT); // has none

    EXPECT_EQ(SetAxisScalingMode(panel, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, 768, 1024), 0);
    EXPECT_TRUE(Raw().xAxis.fixed);
    EXPECT_EQ(Raw().xAxis.min, 768.0);
    EXPECT_EQ(Raw().xAxis.max, 1024.0);
    EXPECT_EQ(SetAxisScalingMode(panel, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, 5, 5),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(SetAxisScalingMode(panel, PANEL_GRAPH_RAW, AXIS_LEFT_Y, SCALE_FIXED, std::nan(""), 1),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(Raw().xAxis.min, 768.0); // a refused range changes nothing
    EXPECT_EQ(SetAxisScalingMode(panel, PANEL_GraphData, AXIS_LEFT_Y, SCALE_AUTO, 0, 0), 0);
    EXPECT_FALSE(Data().yAxis.fixed);
}

TEST_F(GraphTest, deletingOnePlotKeepsTheOthersInTheirOrder)
{
    DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
    int h[4];
    for (int i = 0; i < 4; ++i)
        h[i] = PlotRectangle(panel, PANEL_GRAPH_RAW, i, 0, i + 1, 1, 0x10 * i, 0x10 * i);
    EXPECT_EQ(DeleteGraphPlot(panel, PANEL_GRAPH_RAW, h[1], DRAW_NOW), 0);
    ASSERT_EQ(Raw().plotCount, 3);
    EXPECT_EQ(Raw().plots[0].handle, h[0]);
    EXPECT_EQ(Raw().plots[1].handle, h[2]);
    EXPECT_EQ(Raw().plots[2].handle, h[3]);
    EXPECT_EQ(DeleteGraphPlot(panel, PANEL_GRAPH_RAW, h[1], DRAW_NOW), UIE_BAD_ARGUMENT);
    EXPECT_EQ(DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER), 0);
    EXPECT_EQ(Raw().plotCount, 0);
}

TEST_F(GraphTest, refusedPlotsLeaveTheGraphAsItWas)
{
    const std::uint16_t v[2] = {1, 2};
    const double bad[2] = {1.0, std::nan("")};
    DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_LATER);
    EXPECT_EQ(PlotXY(panel, PANEL_GraphData, nullptr, v, 2, TYPE_U16, TYPE_U16, 0, 0, 0, 1, 0),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(PlotXY(panel, PANEL_GraphData, v, v, 0, TYPE_U16, TYPE_U16, 0, 0, 0, 1, 0),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(PlotXY(panel, PANEL_GraphData, v, v, 2, 99, TYPE_U16, 0, 0, 0, 1, 0),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(PlotXY(panel, PANEL_GraphData, v, bad, 2, TYPE_U16, TYPE_DOUBLE, 0, 0, 0, 1, 0),
              UIE_BAD_ARGUMENT);
    EXPECT_EQ(PlotRectangle(panel, PANEL_GraphData, 0, 0, 1, 1, -1, 0), UIE_BAD_ARGUMENT);
    EXPECT_EQ(PlotXY(panel, PANEL_STATUS, v, v, 2, TYPE_U16, TYPE_U16, 0, 0, 0, 1, 0),
              UIE_BAD_CONTROL);
    EXPECT_EQ(GetGraphModel(panel, PANEL_STATUS), nullptr);
    EXPECT_EQ(Data().plotCount, 0);

    for (int i = 0; i < QzGraph::kMaxPlots; ++i)
        ASSERT_GT(PlotRectangle(panel, PANEL_GraphData, 0, 0, 1, 1, 0, 0), 0);
    EXPECT_EQ(PlotRectangle(panel, PANEL_GraphData, 0, 0, 1, 1, 0, 0), UIE_TOO_MANY_PLOTS);
    EXPECT_EQ(PlotXY(panel, PANEL_GraphData, v, v, 2, TYPE_U16, TYPE_U16, 0, 0, 0, 1, 0),
              UIE_TOO_MANY_PLOTS);
}

TEST_F(GraphTest, deletingAndReplottingOnEveryAnswerStaysBounded)
{
    std::uint16_t x[256], y[256];
    for (int i = 0; i < 256; ++i)
        x[i] = y[i] = static_cast<std::uint16_t>(i);
    // One answer as the live cycle draws it: two to four bars, three cursors,
    // and now and then the data curve with its threshold line.
    auto answer = [&](int n, int bars) {
        DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
        for (int b = 0; b < bars; ++b)
            PlotRectangle(panel, PANEL_GRAPH_RAW, b * 100, 0.25, b * 100 + 50, 1.0, 0xFF0000,
                          0xFF0000);
        for (int c = 1; c <= 3; ++c)
            SetGraphCursor(panel, PANEL_GRAPH_RAW, c, n % 1024, 0.75);
        if (n % 10 == 0) {
            DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_NOW);
            PlotXY(panel, PANEL_GraphData, x, y, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
                   POINT_SIMPLE_DOT, LINE_SOLID, 1, 0xFF0000);
            PlotXY(panel, PANEL_GraphData, x, y, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
                   POINT_SIMPLE_DOT, LINE_SOLID, 1, 0x008000);
        }
    };
    answer(0, 4);
    Pump(60); // drawn once at the most bars: the pools are full-grown
    const std::size_t rawEntries = Raw().plots.size(), dataEntries = Data().plots.size();
    const int rawObjects = Widget(PANEL_GRAPH_RAW)->itemCount();
    const int dataObjects = Widget(PANEL_GraphData)->plottableCount();
    EXPECT_EQ(rawEntries, 4u);
    EXPECT_EQ(rawObjects, 0); // bars and cursors are painted, not plot items
    EXPECT_EQ(dataObjects, 2);

    for (int n = 1; n <= 100000; ++n) {
        answer(n, 2 + n % 3);
        if (n % 5000 == 0)
            Pump(60); // frames draw from the pools meanwhile
    }
    EXPECT_EQ(Raw().deleteCalls, 100001);
    EXPECT_EQ(Raw().plots.size(), rawEntries);
    EXPECT_EQ(Data().plots.size(), dataEntries);
    EXPECT_EQ(Widget(PANEL_GRAPH_RAW)->itemCount(), rawObjects);
    EXPECT_EQ(Widget(PANEL_GraphData)->plottableCount(), dataObjects);
}

TEST_F(GraphTest, manyChangesBetweenTwoFramesCostOneRepaint)
{
    Pump(100);
    const long long before = Raw().repaints;
    for (int i = 0; i < 1000; ++i) {
        DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
        PlotRectangle(panel, PANEL_GRAPH_RAW, i % 1000, 0, 1000, 1, 0xFF0000, 0xFF0000);
        SetGraphCursor(panel, PANEL_GRAPH_RAW, 1, i, 0.75);
    }
    EXPECT_EQ(Raw().repaints, before); // nothing drawn inside the calls
    Pump(150);
    EXPECT_GE(Raw().repaints, before + 1);
    EXPECT_LE(Raw().repaints, before + 3);

    HidePanel(panel); // a hidden graph is drawn when shown again
    PlotRectangle(panel, PANEL_GRAPH_RAW, 0, 0, 1, 1, 0, 0);
    Pump(100);
    const long long hidden = Raw().repaints;
    EXPECT_LE(hidden, before + 3);
    DisplayPanel(panel);
    Pump(100);
    EXPECT_GT(Raw().repaints, hidden);
}

} // namespace

namespace {

// Bars and cursors are painted over the plot, not plotted into it: they must
// still be on the screen and in an exported picture, where the model says.
TEST_F(GraphTest, barsAndCursorsReachTheScreenAndThePicture)
{
    SetAxisScalingMode(panel, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, 0.0, 1024.0);
    DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 100, 0.25, 500, 1.0, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 600, 0.0, 700, 0.25, 0x00FF00, 0x00FF00);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 1, 800, 0.75);
    Pump(60);
    QzGraph *graph = Widget(PANEL_GRAPH_RAW);
    QCustomPlot *plot = graph->plot();
    auto at = [&](double x, double y) {
        return QPoint(static_cast<int>(plot->xAxis->coordToPixel(x)),
                      static_cast<int>(plot->yAxis->coordToPixel(y)));
    };
    for (const QImage &picture : {plot->grab().toImage(), graph_export::Picture(*graph, 1.0)}) {
        EXPECT_EQ(picture.pixelColor(at(300, 0.6)), QColor(255, 0, 0));
        EXPECT_EQ(picture.pixelColor(at(650, 0.1)), QColor(0, 255, 0));
        EXPECT_NE(picture.pixelColor(at(550, 0.6)), QColor(255, 0, 0)) << "between the bars";
        EXPECT_EQ(picture.pixelColor(at(800, 0.5)), QColor(0, 0, 200)) << "cursor 1";
    }
}

} // namespace

namespace {

// One answer of the live cycle as the program draws it: the lit parts outside
// the edges in red (one of them when only one edge was found), the tolerance
// windows in green, the evaluated position and the evaluation window as
// cursors.
void DrawAnswer(int panel, int edge1, int edge2, bool bothEdges = true)
{
    SetAxisScalingMode(panel, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, 0.0, 1024.0);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 2, 150, 0.75);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 3, 850, 0.75);
    DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 1, (edge1 + edge2) / 2, 0.75);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 0, 0.25, edge1, 1.0, 0xFF0000, 0xFF0000);
    if (bothEdges)
        PlotRectangle(panel, PANEL_GRAPH_RAW, edge2, 0.25, 1024, 1.0, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 300, 0.0, 360, 0.25, 0x00FF00, 0x00FF00);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 700, 0.0, 760, 0.25, 0x00FF00, 0x00FF00);
}

// What the window shows of `w`: its pixels in the window's backing store,
// which partial repaints change only where they paint.
QImage Shown(QWidget *w)
{
    QWidget *window = w->window();
    auto *image = dynamic_cast<QImage *>(window->backingStore()->paintDevice());
    if (!image)
        return {};
    const double ratio = image->devicePixelRatio();
    const QPoint at = w->mapTo(window, QPoint(0, 0));
    return image->copy(QRect(at * ratio, w->size() * ratio));
}

long long DifferentPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    long long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

TEST_F(GraphTest, aCycleRepaintsOnlyTheBarsAndCursorsWhereTheyMoved)
{
    QzGraph *graph = Widget(PANEL_GRAPH_RAW);
    DrawAnswer(panel, 440, 620);
    Pump(60);
    const GraphPaintStats before = graph->paintStats();
    const long long repaints = Raw().repaints;

    for (int n = 1; n <= 12; ++n) {
        DrawAnswer(panel, 440 + n % 3, 620 - n % 2);
        Pump(40);
    }
    const GraphPaintStats &after = graph->paintStats();
    EXPECT_EQ(after.fixedLayer, before.fixedLayer) << "axes, grid and labels were drawn again";
    EXPECT_GE(after.movingLayer, before.movingLayer + 10);
    EXPECT_GE(Raw().repaints, repaints + 10);
    // Two edges and a cursor a pixel or two apart: narrow strips, not the plot.
    const QRect area = graph->plot()->axisRect()->rect();
    EXPECT_GT(after.lastMovingArea, 0);
    EXPECT_LT(after.lastMovingArea * 10, static_cast<long long>(area.width()) * area.height());

    // The same answer again moves nothing: no pixel is painted.
    DrawAnswer(panel, 440 + 12 % 3, 620 - 12 % 2);
    const long long still = after.stillFrames, painted = Raw().repaints;
    Pump(40);
    EXPECT_EQ(after.stillFrames, still + 1);
    EXPECT_EQ(Raw().repaints, painted);

    // A new axis range is the fixed layer's: drawn anew, once.
    const long long fixed = after.fixedLayer;
    SetAxisScalingMode(panel, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, 768.0, 1024.0);
    Pump(60);
    EXPECT_EQ(after.fixedLayer, fixed + 1);
}

TEST_F(GraphTest, aDataCurveThatDidNotChangeLeavesTheFixedLayerAlone)
{
    std::uint16_t x[256], y[256];
    for (int i = 0; i < 256; ++i) {
        x[i] = static_cast<std::uint16_t>(4 * i);
        y[i] = static_cast<std::uint16_t>(i);
    }
    auto pass = [&] {
        DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_NOW);
        PlotXY(panel, PANEL_GraphData, x, y, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
               POINT_SIMPLE_DOT, LINE_SOLID, 1, 0xFF0000);
    };
    const GraphPaintStats &stats = Widget(PANEL_GraphData)->paintStats();
    pass();
    Pump(60);
    const long long fixed = stats.fixedLayer;
    pass();
    Pump(60);
    EXPECT_EQ(stats.fixedLayer, fixed);
    y[100] = 900; // one point moved: the curve is drawn anew
    pass();
    Pump(60);
    EXPECT_EQ(stats.fixedLayer, fixed + 1);
    EXPECT_EQ(Data().plots[0].y[100], 900.0);
}

// Many partial repaints must leave no trace: the screen and the export equal
// those of a graph that drew only the last answer, pixel for pixel.
TEST_F(GraphTest, afterManyAnswersScreenAndExportEqualAFreshGraphsDrawing)
{
    for (int n = 0; n < 300; ++n) {
        // Edges that wander, jump, and now and then lose the second edge.
        const int edge1 = 200 + (n * 37) % 300, edge2 = edge1 + 80 + (n * 13) % 200;
        DrawAnswer(panel, edge1, edge2, n % 7 != 3);
        if (n % 3 == 0)
            Pump(20);
    }
    DrawAnswer(panel, 451, 633);
    Pump(60);

    const int fresh = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
    ASSERT_GT(fresh, 0);
    DisplayPanel(fresh);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PanelWidget(fresh)));
    DrawAnswer(fresh, 451, 633);
    Pump(60);

    QzGraph *used = Widget(PANEL_GRAPH_RAW);
    auto *clean = static_cast<QzGraph *>(Control(fresh, PANEL_GRAPH_RAW));
    ASSERT_EQ(used->size(), clean->size());
    const QImage shown = Shown(used->plot()), freshShown = Shown(clean->plot());
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(DifferentPixels(shown, freshShown), 0) << "on the screen";
    for (double scale : {1.0, 2.0})
        EXPECT_EQ(DifferentPixels(graph_export::Picture(*used, scale),
                                  graph_export::Picture(*clean, scale)),
                  0)
            << "in the export at scale " << scale;
    DiscardPanel(fresh);
}

} // namespace
