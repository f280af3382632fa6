// The histogram of the measured values beside the trend: how often each
// value came, with the setpoint and the tolerance limits as vertical lines.
#ifndef VIEWS_HISTOGRAM_H
#define VIEWS_HISTOGRAM_H

#include "core/quality/stats.h"

#include <QString>
#include <QWidget>

#include <span>

class QCustomPlot;
class QCPBars;
class QCPItemStraightLine;

class HistogramView : public QWidget {
    Q_OBJECT
public:
    explicit HistogramView(QWidget *parent = nullptr);

    // Counts `pixels` in bins that suit them and shows them in `unit`
    // (`scale` turns pixels into it), with the band of `limits`.
    void ShowValues(std::span<const float> pixels, const qzan::quality::Limits &limits,
                    double scale, const QString &unit);

    // Writes the histogram to `path` as the file's suffix says: a PNG
    // picture, an SVG drawing or the bins as CSV (from, to, count in the
    // shown unit). The file appears whole or not at all. False, with the
    // reason in `error` when given, on failure.
    bool Export(const QString &path, QString *error);

    // The bins shown, in pixels (for tests).
    const qzan::quality::Bins &ShownBins() const { return bins_; }
    QCustomPlot *Plot() const { return plot_; }

private:
    QCustomPlot *plot_;
    QCPBars *bars_;
    QCPItemStraightLine *lower_, *setpoint_, *upper_;
    qzan::quality::Bins bins_;
    double scale_ = 1;
    QString unit_ = QStringLiteral("px");
};

#endif
