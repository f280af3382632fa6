// The graph control: a model of what the program plotted (readable by tests)
// drawn with QCustomPlot. Drawing is coalesced into frames and kept in two
// layers: the plot's buffer holds what rarely changes (frame, axes, grid,
// labels, curves), and the marks (bars and cursors) are painted over it. A
// frame in which only marks moved repaints just the pixels they left or
// reached. Curves are pooled plot objects and marks plain values, so deleting
// and re-plotting on every answer costs no allocation.
// Its context menu saves the picture or the curves' data (ui_graph_export).
#ifndef PLATFORM_UI_GRAPH_H
#define PLATFORM_UI_GRAPH_H

#include "platform/inspect.h"

#include <QElapsedTimer>
#include <QRectF>
#include <QRegion>
#include <QWidget>

#include <vector>

class QCustomPlot;
class QCPGraph;
class QPainter;
class QTimer;

class QzGraph : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double xMin READ xMin WRITE setXMin)
    Q_PROPERTY(double xMax READ xMax WRITE setXMax)
    Q_PROPERTY(double yMin READ yMin WRITE setYMin)
    Q_PROPERTY(double yMax READ yMax WRITE setYMax)
    Q_PROPERTY(QString xLabel READ xLabel WRITE setXLabel)
    Q_PROPERTY(QString yLabel READ yLabel WRITE setYLabel)
    Q_PROPERTY(bool grid READ grid WRITE setGrid)
    Q_PROPERTY(int cursorCount READ cursorCount WRITE setCursorCount)

public:
    // Upper bound of live plots on one graph: a program that plots without
    // ever deleting gets an error instead of eating the memory.
    static constexpr int kMaxPlots = 4096;
    static constexpr int kMaxCursors = 3;

    explicit QzGraph(QWidget *parent = nullptr);

    const GraphModel &model() const { return m_model; }

    double xMin() const { return m_model.xAxis.min; }
    double xMax() const { return m_model.xAxis.max; }
    double yMin() const { return m_model.yAxis.min; }
    double yMax() const { return m_model.yAxis.max; }
    QString xLabel() const;
    QString yLabel() const;
    bool grid() const { return m_grid; }
    int cursorCount() const { return m_cursorCount; }
    void setXMin(double v);
    void setXMax(double v);
    void setYMin(double v);
    void setYMax(double v);
    void setXLabel(const QString &t);
    void setYLabel(const QString &t);
    void setGrid(bool on);
    void setCursorCount(int n);

    // The operations behind the graph functions; each returns 0, a new plot
    // handle, or a negative UIE_ code. The model changes at once, the screen
    // at the next frame.
    int setAxis(int axis, int mode, double min, double max);
    int deletePlot(int handle);
    // A new curve entry with x and y sized to `count`, for the caller to fill
    // in place; nullptr when the graph holds kMaxPlots already.
    GraphPlot *newCurve(int count, int plotStyle, int pointStyle, int lineStyle, int color);
    int plotRectangle(double x1, double y1, double x2, double y2, int lineColor, int fillColor);
    int setCursor(int cursor, double x, double y);

    // The QCustomPlot objects in use, pooled ones included (for tests).
    int plottableCount() const;
    int itemCount() const;

    // The drawing, for exports; syncPlot brings it up to date with the model
    // at once, since a picture must hold what the model holds, not the last
    // frame drawn.
    QCustomPlot *plot() const { return m_plot; }
    void syncPlot();
    // Paints the bars and cursors the model holds over the plot, in its
    // widget coordinates (exports, after the plot's own picture).
    void paintLive(QPainter &painter) const;

    // What reaching the screen cost so far.
    const GraphPaintStats &paintStats() const { return m_stats; }

    // One bar or cursor as painted, in the plot's widget coordinates.
    struct Mark {
        enum Kind : unsigned char { Bar, FramedBar, Cursor } kind = Bar;
        unsigned char style = 0; // cursors: 0 solid, 1 dashed
        QRectF rect;             // cursors: a line from top to bottom at left
        unsigned fill = 0, line = 0;
        bool operator==(const Mark &) const = default;
    };
    // The pixels that may differ between painting `before` and `after`.
    static QRegion MovedRegion(const std::vector<Mark> &before, const std::vector<Mark> &after);

    // For the plot widget: paints the marks as the screen shows them, over
    // its buffer, within `clip` (and the region being painted).
    void paintShown(QPainter &painter, const QRect &clip);
    void notePainted() { ++m_model.repaints; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    GraphPlot &appendPlot(GraphPlot::Kind kind);
    int nextHandle();
    void changed();
    void startFrame();
    void drawFrame();
    bool syncCurves();
    void syncAxes();
    void noteDrawnRanges();
    bool rangesDrawn() const;
    void buildMarks(std::vector<Mark> &marks) const;
    static void PaintMarks(QPainter &painter, const std::vector<Mark> &marks, const QRect &area);

    GraphModel m_model;
    QCustomPlot *m_plot;
    QTimer *m_frame;
    QElapsedTimer m_lastFrame;
    std::vector<QCPGraph *> m_curves;
    int m_cursorCount = 0;
    int m_lastHandle = 0;
    bool m_grid = true;
    bool m_dirty = false;
    bool m_fullReplot = true;     // axes, labels or grid changed
    bool m_curvesStale = false;   // curves changed since the plot's buffer was drawn
    double m_drawnRange[4] = {0, 0, 0, 0}; // the axes as the buffer shows them
    // The marks as the screen shows them (or is about to, in the region
    // handed to update); every paint of the plot paints these.
    std::vector<Mark> m_shown, m_next;
    QRect m_shownArea;
    GraphPaintStats m_stats;
};

#endif
