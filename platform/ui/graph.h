// The graph control: a model of what the program plotted (readable by tests)
// drawn with QCustomPlot. Drawing is coalesced into frames; curves are pooled
// plot objects and bars and cursors are painted from the model, so deleting
// and re-plotting on every answer costs no allocation.
// Its context menu saves the picture or the curves' data (ui_graph_export).
#ifndef PLATFORM_UI_GRAPH_H
#define PLATFORM_UI_GRAPH_H

#include "platform/inspect.h"

#include <QElapsedTimer>
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
    // Paints the bars and cursors over the plot, in its widget coordinates
    // (the screen paints them so, and exports do the same after the plot).
    void paintLive(QPainter &painter) const;
    void notePainted() { ++m_model.repaints; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    GraphPlot &appendPlot(GraphPlot::Kind kind);
    int nextHandle();
    void changed();
    void startFrame();
    void drawFrame();
    void syncAxes();

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
    long long m_curvesDrawn = 0;  // curves plotted up to the last full drawing
    int m_curveCount = 0;         // curves shown in it
};

#endif
