// The graph control: a model of what the program plotted, drawn with
// QCustomPlot once per frame from pooled plot objects, and the marks painted
// over it where they moved.
#include "platform/ui/graph.h"

#include "platform/ui.h"
#include "platform/ui/graph_export.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace {

// The live cycle may replace the picture thousands of times a second; the
// screen needs it at most this often. Everything between two frames costs
// one repaint, so the answer rate never waits for the screen.
constexpr int kFrameMs = 16;

QColor Rgb(int rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb) & 0xFFFFFFu); }

bool ValidColor(int rgb) { return rgb >= 0 && rgb <= 0xFFFFFF; }

// Pixel positions far outside the plot are held near it, so that no
// coordinate overflows the painter's integer space.
double Pixel(QCPAxis *axis, double v)
{
    const double at = axis->coordToPixel(v);
    return at == at ? std::clamp(at, -1.0e5, 1.0e5) : -1.0e5;
}

// Every pixel a mark may touch: the rounding of its edges, the pen of a
// frame or a cursor (two pixels wide) and the device's pixel grid at scales
// that are not whole.
QRect Cover(const QzGraph::Mark &m) { return m.rect.toAlignedRect().adjusted(-3, -3, 3, 3); }

// Pixels a plain bar surely fills with its colour, whatever the rounding.
QRect Inside(const QzGraph::Mark &m)
{
    if (m.kind != QzGraph::Mark::Bar)
        return {};
    const QRectF &r = m.rect;
    const int left = static_cast<int>(std::ceil(r.left())) + 2;
    const int top = static_cast<int>(std::ceil(r.top())) + 2;
    const int right = static_cast<int>(std::floor(r.right())) - 3;
    const int bottom = static_cast<int>(std::floor(r.bottom())) - 3;
    if (right < left || bottom < top)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

long long AreaOf(const QRegion &region)
{
    long long area = 0;
    for (const QRect &r : region)
        area += static_cast<long long>(r.width()) * r.height();
    return area;
}

// Bars and cursors change with every answer of a live cycle. They are not
// plot items: the widget paints them straight over QCustomPlot's buffered
// axes, grid and curves, so a new answer costs a copy of that picture and a
// few filled rectangles only where they moved, and no redrawing of axes and
// labels.
class LivePlot : public QCustomPlot {
public:
    LivePlot(QzGraph *graph) : QCustomPlot(graph), m_graph(graph)
    {
        // The plot's background brush covers every pixel: nothing behind it
        // needs painting first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // After a replot: the background and QCustomPlot's buffers flattened
    // into one opaque picture, as its own paint event would put them on the
    // screen. Copying from it is a plain copy of pixels, where the buffers
    // would be blended over a fill on every paint.
    void flattenFixedLayer()
    {
        m_fixed = QPixmap();
        const double ratio = bufferDevicePixelRatio();
        if (mViewport.isEmpty() || !mBackgroundBrush.isOpaque() || !(ratio > 0))
            return; // painted the plot's own way
        m_fixed = QPixmap(mViewport.size() * ratio);
        m_fixed.setDevicePixelRatio(ratio);
        QCPPainter painter(&m_fixed);
        painter.fillRect(mViewport, mBackgroundBrush);
        drawBackground(&painter);
        for (const QSharedPointer<QCPAbstractPaintBuffer> &buffer : std::as_const(mPaintBuffers))
            buffer->draw(&painter);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        m_graph->notePainted();
        const double ratio = devicePixelRatioF();
        if (m_fixed.isNull() || mViewport != rect() || m_fixed.devicePixelRatio() != ratio ||
            bufferDevicePixelRatio() != ratio) {
            // Not flattened for this size or screen: QCustomPlot also adapts
            // its buffers to a new pixel ratio here.
            QCustomPlot::paintEvent(event);
            QPainter painter(this);
            m_graph->paintShown(painter, rect());
            return;
        }
        // Rectangle by rectangle of what is repainted: within one rectangle
        // the copy and the fills go the painter's straight way, where a
        // region of many would send every scanline through its general one.
        QPainter painter(this);
        for (const QRect &r : event->region()) {
            painter.setClipRect(r);
            painter.drawPixmap(QPointF(0, 0), m_fixed);
            m_graph->paintShown(painter, r);
        }
    }

private:
    QzGraph *m_graph;
    QPixmap m_fixed;
};

} // namespace

QzGraph::QzGraph(QWidget *parent)
    : QWidget(parent), m_plot(new LivePlot(this)), m_frame(new QTimer(this))
{
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(m_plot);
    setMinimumSize(160, 100);

    m_model.xAxis = {true, 0.0, 10.0};
    m_model.yAxis = {true, 0.0, 10.0};
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    // One buffer holds the whole plot: the overlay layer (for selection
    // rectangles, never used here) would cost a second copy on every paint.
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    // Ticks point outwards, where the bars cannot hide them.
    for (QCPAxis *axis : {m_plot->xAxis, m_plot->yAxis}) {
        axis->setTickLength(0, 5);
        axis->setSubTickLength(0, 3);
    }
    syncAxes();
    setGrid(true);

    m_frame->setSingleShot(true);
    connect(m_frame, &QTimer::timeout, this, &QzGraph::drawFrame);
    // Whoever asked for it (a frame, a resize), a new buffer is painted whole
    // on the screen: the marks are taken anew for it, on its axes.
    connect(m_plot, &QCustomPlot::afterReplot, this, [this] {
        ++m_stats.fixedLayer;
        m_fullReplot = m_curvesStale = false;
        noteDrawnRanges();
        buildMarks(m_shown);
        m_shownArea = m_plot->axisRect()->rect();
        static_cast<LivePlot *>(m_plot)->flattenFixedLayer();
        m_plot->update();
    });

    // A right click offers the exports; it raises no program event.
    m_plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_plot, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { graph_export::RunMenu(*this, m_plot->mapToGlobal(pos)); });
}

QString QzGraph::xLabel() const { return m_plot->xAxis->label(); }
QString QzGraph::yLabel() const { return m_plot->yAxis->label(); }

void QzGraph::setXMin(double v)
{
    m_model.xAxis.min = v;
    changed();
}

void QzGraph::setXMax(double v)
{
    m_model.xAxis.max = v;
    changed();
}

void QzGraph::setYMin(double v)
{
    m_model.yAxis.min = v;
    changed();
}

void QzGraph::setYMax(double v)
{
    m_model.yAxis.max = v;
    changed();
}

void QzGraph::setXLabel(const QString &t)
{
    m_plot->xAxis->setLabel(t);
    m_fullReplot = true;
    changed();
}

void QzGraph::setYLabel(const QString &t)
{
    m_plot->yAxis->setLabel(t);
    m_fullReplot = true;
    changed();
}

void QzGraph::setGrid(bool on)
{
    m_grid = on;
    m_fullReplot = true;
    for (QCPAxis *axis : {m_plot->xAxis, m_plot->yAxis}) {
        axis->grid()->setVisible(on);
        axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
    }
    changed();
}

void QzGraph::setCursorCount(int n)
{
    m_cursorCount = std::clamp(n, 0, kMaxCursors);
    changed();
}

int QzGraph::setAxis(int axis, int mode, double min, double max)
{
    if (axis != AXIS_X && axis != AXIS_LEFT_Y)
        return UIE_BAD_ARGUMENT;
    GraphAxis &a = axis == AXIS_X ? m_model.xAxis : m_model.yAxis;
    if (mode == SCALE_AUTO) {
        a.fixed = false;
    } else if (mode == SCALE_FIXED) {
        if (!std::isfinite(min) || !std::isfinite(max) || !(min < max))
            return UIE_BAD_ARGUMENT;
        a = {true, min, max};
    } else {
        return UIE_BAD_ARGUMENT;
    }
    changed();
    return 0;
}

int QzGraph::nextHandle()
{
    // Handles stay positive and unique among the live plots, also after the
    // counter wraps in a cycle that runs for days.
    for (;;) {
        m_lastHandle = m_lastHandle == INT_MAX ? 1 : m_lastHandle + 1;
        bool inUse = false;
        for (int i = 0; i < m_model.plotCount && !inUse; ++i)
            inUse = m_model.plots[static_cast<std::size_t>(i)].handle == m_lastHandle;
        if (!inUse)
            return m_lastHandle;
    }
}

GraphPlot &QzGraph::appendPlot(GraphPlot::Kind kind)
{
    const auto i = static_cast<std::size_t>(m_model.plotCount);
    if (i == m_model.plots.size())
        m_model.plots.emplace_back();
    GraphPlot &p = m_model.plots[i];
    p.kind = kind;
    p.handle = nextHandle();
    ++m_model.plotCount;
    return p;
}

int QzGraph::deletePlot(int handle)
{
    ++m_model.deleteCalls;
    if (handle == ALL_PLOTS) {
        m_model.plotCount = 0; // entries keep their storage for the next plots
        changed();
        return 0;
    }
    for (int i = 0; i < m_model.plotCount; ++i) {
        auto first = m_model.plots.begin() + i;
        if (first->handle != handle)
            continue;
        // Move the entry behind the live ones, keeping the drawing order.
        std::rotate(first, first + 1, m_model.plots.begin() + m_model.plotCount);
        --m_model.plotCount;
        changed();
        return 0;
    }
    return UIE_BAD_ARGUMENT;
}

GraphPlot *QzGraph::newCurve(int count, int plotStyle, int pointStyle, int lineStyle, int color)
{
    if (m_model.plotCount >= kMaxPlots || count <= 0 || !ValidColor(color))
        return nullptr;
    GraphPlot &p = appendPlot(GraphPlot::Curve);
    p.color = color;
    p.fillColor = color;
    p.plotStyle = plotStyle;
    p.pointStyle = pointStyle;
    p.lineStyle = lineStyle;
    p.x.resize(static_cast<std::size_t>(count));
    p.y.resize(static_cast<std::size_t>(count));
    p.x1 = p.y1 = p.x2 = p.y2 = 0;
    ++m_model.curvesDrawn;
    changed();
    return &p;
}

int QzGraph::plotRectangle(double x1, double y1, double x2, double y2, int lineColor,
                           int fillColor)
{
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2) ||
        !ValidColor(lineColor) || !ValidColor(fillColor))
        return UIE_BAD_ARGUMENT;
    if (m_model.plotCount >= kMaxPlots)
        return UIE_TOO_MANY_PLOTS;
    GraphPlot &p = appendPlot(GraphPlot::Rectangle);
    p.color = lineColor;
    p.fillColor = fillColor;
    p.plotStyle = p.pointStyle = p.lineStyle = 0;
    p.x.clear(); // keeps capacity for when this entry holds a curve again
    p.y.clear();
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    ++m_model.rectanglesDrawn;
    changed();
    return p.handle;
}

int QzGraph::setCursor(int cursor, double x, double y)
{
    if (cursor < 1 || cursor > m_cursorCount || !std::isfinite(x) || !std::isfinite(y))
        return UIE_BAD_ARGUMENT;
    m_model.cursorX[cursor - 1] = x;
    m_model.cursorY[cursor - 1] = y;
    changed();
    return 0;
}

int QzGraph::plottableCount() const { return m_plot->plottableCount(); }
int QzGraph::itemCount() const { return m_plot->itemCount(); }

void QzGraph::changed()
{
    m_dirty = true;
    if (!m_frame->isActive())
        startFrame();
}

// A change draws in the next pass of the event loop, together with the other
// widgets it changed, unless the last frame is younger than a frame time:
// then it waits, and every change until then joins that frame.
void QzGraph::startFrame()
{
    const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : kFrameMs;
    m_frame->start(static_cast<int>(std::clamp<qint64>(kFrameMs - since, 0, kFrameMs)));
}

void QzGraph::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_dirty && !m_frame->isActive())
        startFrame();
}

void QzGraph::syncAxes()
{
    const GraphAxis *axes[] = {&m_model.xAxis, &m_model.yAxis};
    QCPAxis *plotAxes[] = {m_plot->xAxis, m_plot->yAxis};
    for (int i = 0; i < 2; ++i) {
        if (axes[i]->fixed) {
            if (axes[i]->min < axes[i]->max)
                plotAxes[i]->setRange(axes[i]->min, axes[i]->max);
        } else {
            plotAxes[i]->rescale(true);
        }
    }
}

void QzGraph::noteDrawnRanges()
{
    const QCPRange x = m_plot->xAxis->range(), y = m_plot->yAxis->range();
    m_drawnRange[0] = x.lower;
    m_drawnRange[1] = x.upper;
    m_drawnRange[2] = y.lower;
    m_drawnRange[3] = y.upper;
}

bool QzGraph::rangesDrawn() const
{
    const QCPRange x = m_plot->xAxis->range(), y = m_plot->yAxis->range();
    return m_drawnRange[0] == x.lower && m_drawnRange[1] == x.upper &&
           m_drawnRange[2] == y.lower && m_drawnRange[3] == y.upper;
}

void QzGraph::drawFrame()
{
    if (!isVisible())
        return; // stays dirty; showEvent draws it
    m_dirty = false;
    m_lastFrame.start();
    syncPlot();
    // Axes, labels, grid and curves lie in QCustomPlot's buffer: a change to
    // any of them draws it anew, and the whole plot reaches the screen.
    if (m_fullReplot || m_curvesStale || !rangesDrawn()) {
        m_plot->replot(QCustomPlot::rpQueuedRefresh); // afterReplot takes the marks
        return;
    }
    // Only marks changed: repaint the pixels they left or reached.
    const QRect area = m_plot->axisRect()->rect();
    buildMarks(m_next);
    const QRegion moved = area == m_shownArea ? MovedRegion(m_shown, m_next) & area : QRegion(area);
    m_shown.swap(m_next);
    m_shownArea = area;
    if (moved.isEmpty()) {
        ++m_stats.stillFrames;
        return;
    }
    ++m_stats.movingLayer;
    m_stats.lastMovingArea = AreaOf(moved);
    m_stats.movingArea += m_stats.lastMovingArea;
    m_plot->update(moved);
}

void QzGraph::buildMarks(std::vector<Mark> &marks) const
{
    marks.clear();
    const QRect area = m_plot->axisRect()->rect();
    QCPAxis *x = m_plot->xAxis, *y = m_plot->yAxis;
    for (int i = 0; i < m_model.plotCount; ++i) {
        const GraphPlot &p = m_model.plots[static_cast<std::size_t>(i)];
        if (p.kind != GraphPlot::Rectangle)
            continue;
        Mark m;
        m.kind = p.color != p.fillColor ? Mark::FramedBar : Mark::Bar;
        m.rect = QRectF(QPointF(Pixel(x, p.x1), Pixel(y, p.y1)),
                        QPointF(Pixel(x, p.x2), Pixel(y, p.y2)))
                     .normalized();
        m.fill = static_cast<unsigned>(p.fillColor);
        m.line = static_cast<unsigned>(p.color);
        marks.push_back(m);
    }
    for (int i = 0; i < m_cursorCount; ++i) {
        const double at = Pixel(x, m_model.cursorX[i]);
        Mark m;
        m.kind = Mark::Cursor;
        m.style = i == 0 ? 0 : 1;
        m.rect = QRectF(QPointF(at, area.top()), QPointF(at, area.bottom()));
        marks.push_back(m);
    }
}

QRegion QzGraph::MovedRegion(const std::vector<Mark> &before, const std::vector<Mark> &after)
{
    // Marks are paired by their place in the drawing order. A pixel can only
    // change where one of a pair differs; a bar that kept its colour keeps
    // the pixels it filled before and still fills, and marks drawn over them
    // that changed bring their own pixels.
    QRegion moved;
    const std::size_t n = std::max(before.size(), after.size());
    for (std::size_t i = 0; i < n; ++i) {
        const Mark *a = i < before.size() ? &before[i] : nullptr;
        const Mark *b = i < after.size() ? &after[i] : nullptr;
        if (a && b && *a == *b)
            continue;
        QRegion touched;
        if (a)
            touched += Cover(*a);
        if (b)
            touched += Cover(*b);
        if (a && b && a->kind == Mark::Bar && b->kind == Mark::Bar && a->fill == b->fill)
            touched -= QRegion(Inside(*a)) & QRegion(Inside(*b));
        moved += touched;
    }
    return moved;
}

void QzGraph::PaintMarks(QPainter &painter, const std::vector<Mark> &marks, const QRect &area)
{
    if (area.isEmpty())
        return;
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing, false); // upright edges only
    for (const Mark &m : marks) {
        if (m.kind == Mark::Cursor) {
            // Cursor 1 marks the evaluated position, 2 and 3 bound the
            // evaluation window: a solid blue line against two dashed
            // magenta ones.
            painter.setPen(m.style == 0 ? QPen(QColor(0, 0, 200), 2, Qt::SolidLine)
                                        : QPen(QColor(190, 0, 190), 2, Qt::DashLine));
            painter.drawLine(m.rect.topLeft(), m.rect.bottomLeft());
            continue;
        }
        painter.fillRect(m.rect, Rgb(static_cast<int>(m.fill)));
        if (m.kind == Mark::FramedBar) {
            painter.setPen(QPen(Rgb(static_cast<int>(m.line)), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(m.rect);
        }
    }
    painter.restore();
}

void QzGraph::paintLive(QPainter &painter) const
{
    std::vector<Mark> marks;
    buildMarks(marks);
    PaintMarks(painter, marks, m_plot->axisRect()->rect());
}

void QzGraph::paintShown(QPainter &painter, const QRect &clip)
{
    PaintMarks(painter, m_shown, m_shownArea & clip);
}

void QzGraph::syncPlot()
{
    if (syncCurves())
        m_curvesStale = true;
    syncAxes();
}

bool QzGraph::syncCurves()
{
    // Hand the curves to pooled graph objects in drawing order, hide the rest;
    // bars and cursors are painted from the model. Whether anything the
    // buffer shows differs now is the answer.
    bool changed = false;
    std::size_t curves = 0;
    QVector<QCPGraphData> points;
    for (int i = 0; i < m_model.plotCount; ++i) {
        const GraphPlot &p = m_model.plots[static_cast<std::size_t>(i)];
        if (p.kind != GraphPlot::Curve)
            continue;
        if (curves == m_curves.size()) {
            m_curves.push_back(m_plot->addGraph());
            m_curves.back()->setLineStyle(QCPGraph::lsLine);
            changed = true;
        }
        QCPGraph *g = m_curves[curves++];
        const QPen pen(Rgb(p.color), p.plotStyle == PLOT_FAT_LINE ? 2 : 1);
        const bool dots = p.pointStyle != POINT_NONE;
        if (!g->visible() || g->pen() != pen ||
            (g->scatterStyle().shape() == QCPScatterStyle::ssDisc) != dots) {
            g->setVisible(true);
            g->setPen(pen);
            g->setScatterStyle(dots ? QCPScatterStyle(QCPScatterStyle::ssDisc, 3)
                                    : QCPScatterStyle(QCPScatterStyle::ssNone));
            changed = true;
        }
        auto data = g->data();
        const bool sorted = std::is_sorted(p.x.begin(), p.x.end());
        if (sorted && static_cast<std::size_t>(data->size()) == p.x.size()) {
            auto it = data->begin(); // same length: overwrite in place
            for (std::size_t k = 0; k < p.x.size(); ++k, ++it) {
                if (it->key == p.x[k] && it->value == p.y[k])
                    continue;
                it->key = p.x[k];
                it->value = p.y[k];
                changed = true;
            }
        } else {
            points.resize(static_cast<qsizetype>(p.x.size()));
            for (std::size_t k = 0; k < p.x.size(); ++k)
                points[static_cast<qsizetype>(k)] = QCPGraphData(p.x[k], p.y[k]);
            data->set(points, sorted);
            changed = true;
        }
    }
    for (std::size_t k = curves; k < m_curves.size(); ++k) {
        if (m_curves[k]->visible()) {
            m_curves[k]->setVisible(false);
            changed = true;
        }
    }
    return changed;
}
