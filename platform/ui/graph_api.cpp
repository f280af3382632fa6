// The graph functions: axes, curves, rectangles, cursors and plot deletion,
// on the graph control of a panel.
#include "platform/inspect.h"
#include "platform/ui/graph.h"
#include "platform/ui/registry.h"

#include <cmath>
#include <cstdint>

namespace {

// One point cannot be a line, and a million is more than any screen shows.
constexpr int kMaxPoints = 1 << 20;

int FindGraph(int panel, int graph, QzGraph *&out)
{
    out = nullptr;
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, graph, c); rc != 0)
        return rc;
    if (c->kind != ui::Kind::Graph)
        return UIE_BAD_CONTROL;
    out = static_cast<QzGraph *>(c->widget.data());
    return 0;
}

bool ValidType(int type)
{
    return type == TYPE_U16 || type == TYPE_I32 || type == TYPE_U32 || type == TYPE_DOUBLE;
}

double Element(const void *array, int type, std::size_t i)
{
    switch (type) {
    case TYPE_U16:
        return static_cast<const std::uint16_t *>(array)[i];
    case TYPE_I32:
        return static_cast<const std::int32_t *>(array)[i];
    case TYPE_U32:
        return static_cast<const std::uint32_t *>(array)[i];
    default:
        return static_cast<const double *>(array)[i];
    }
}

} // namespace

int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max)
{
    QzGraph *g = nullptr;
    if (int rc = FindGraph(panel, graph, g); rc != 0)
        return rc;
    return g->setAxis(axis, mode, min, max);
}

int DeleteGraphPlot(int panel, int graph, int plot, int draw)
{
    QzGraph *g = nullptr;
    if (int rc = FindGraph(panel, graph, g); rc != 0)
        return rc;
    // Drawing "now" or "later" makes no difference here: every change is
    // drawn with the next frame.
    (void)draw;
    if (plot != ALL_PLOTS && plot <= 0)
        return UIE_BAD_ARGUMENT;
    return g->deletePlot(plot);
}

int PlotXY(int panel, int graph, const void *x, const void *y, int count, int xType, int yType,
           int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color)
{
    QzGraph *g = nullptr;
    if (int rc = FindGraph(panel, graph, g); rc != 0)
        return rc;
    (void)pointFrequency; // every point is drawn
    if (!x || !y || count <= 0 || count > kMaxPoints || !ValidType(xType) || !ValidType(yType) ||
        color < 0 || color > 0xFFFFFF)
        return UIE_BAD_ARGUMENT;
    for (int i = 0; i < count; ++i) {
        const double xv = Element(x, xType, static_cast<std::size_t>(i));
        const double yv = Element(y, yType, static_cast<std::size_t>(i));
        if (!std::isfinite(xv) || !std::isfinite(yv))
            return UIE_BAD_ARGUMENT; // a NaN would poison the axis scaling
    }
    GraphPlot *p = g->newCurve(count, plotStyle, pointStyle, lineStyle, color);
    if (!p)
        return UIE_TOO_MANY_PLOTS;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        p->x[i] = Element(x, xType, i);
        p->y[i] = Element(y, yType, i);
    }
    return p->handle;
}

int PlotRectangle(int panel, int graph, double x1, double y1, double x2, double y2,
                  int lineColor, int fillColor)
{
    QzGraph *g = nullptr;
    if (int rc = FindGraph(panel, graph, g); rc != 0)
        return rc;
    return g->plotRectangle(x1, y1, x2, y2, lineColor, fillColor);
}

int SetGraphCursor(int panel, int graph, int cursor, double x, double y)
{
    QzGraph *g = nullptr;
    if (int rc = FindGraph(panel, graph, g); rc != 0)
        return rc;
    return g->setCursor(cursor, x, y);
}

const GraphModel *GetGraphModel(int panel, int graph)
{
    QzGraph *g = nullptr;
    return FindGraph(panel, graph, g) == 0 ? &g->model() : nullptr;
}

const GraphPaintStats *GetGraphPaintStats(int panel, int graph)
{
    QzGraph *g = nullptr;
    return FindGraph(panel, graph, g) == 0 ? &g->paintStats() : nullptr;
}
