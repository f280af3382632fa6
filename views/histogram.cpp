// The histogram: a QCustomPlot bar chart of the bin counts, built on Qt
// Widgets directly like the other windows of views/. Its exports go through
// the graphs' own writers, so they are saved the way every graph is.
#include "views/histogram.h"

#include "core/colors.h"
#include "platform/ui/graph_export.h"

#include <QColor>
#include <QFileInfo>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace q = qzan::quality;

namespace {

QCPItemStraightLine *VerticalLine(QCustomPlot *plot, const char *name, int color, Qt::PenStyle style)
{
    auto *line = new QCPItemStraightLine(plot);
    line->setObjectName(QString::fromUtf8(name));
    QPen pen{QColor::fromRgb(static_cast<QRgb>(color))};
    pen.setWidthF(2);
    pen.setStyle(style);
    line->setPen(pen);
    line->point1->setCoords(0, 0);
    line->point2->setCoords(0, 1);
    line->setVisible(false);
    return line;
}

void Place(QCPItemStraightLine *line, bool shown, double x)
{
    line->setVisible(shown && std::isfinite(x));
    if (line->visible()) {
        line->point1->setCoords(x, 0);
        line->point2->setCoords(x, 1);
    }
}

// The export a file's suffix asks for, in any case.
std::optional<graph_export::Format> FormatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return graph_export::Format::Png;
    if (suffix == QLatin1String("svg"))
        return graph_export::Format::Svg;
    if (suffix == QLatin1String("csv"))
        return graph_export::Format::Csv;
    return std::nullopt;
}

} // namespace

HistogramView::HistogramView(QWidget *parent) : QWidget(parent)
{
    setObjectName("HistogramView");
    plot_ = new QCustomPlot(this);
    plot_->setObjectName("histogramPlot");
    plot_->setAccessibleName("Histogram of the measured values");
    bars_ = new QCPBars(plot_->xAxis, plot_->yAxis);
    bars_->setName("Answers");
    bars_->setPen(QPen(QColor::fromRgb(static_cast<QRgb>(COLOR_BLUE))));
    bars_->setBrush(QColor(0, 0, 255, 90));
    bars_->setWidthType(QCPBars::wtPlotCoords);
    lower_ = VerticalLine(plot_, "histogramLower", COLOR_RED, Qt::DashLine);
    setpoint_ = VerticalLine(plot_, "histogramSetpoint", COLOR_DARK_GREEN, Qt::SolidLine);
    upper_ = VerticalLine(plot_, "histogramUpper", COLOR_RED, Qt::DashLine);
    plot_->yAxis->setLabel("Answers");
    plot_->setMinimumSize(240, 160);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);

    ShowValues({}, {}, 1, unit_);
}

void HistogramView::ShowValues(std::span<const float> pixels, const q::Limits &limits,
                               double scale, const QString &unit)
{
    if (!std::isfinite(scale) || scale <= 0)
        scale = 1;
    scale_ = scale;
    unit_ = unit;
    bins_ = q::HistogramOf(pixels);

    const std::size_t count = bins_.counts.size();
    QVector<double> keys(static_cast<qsizetype>(count)), values(static_cast<qsizetype>(count));
    const double width = count ? (bins_.high - bins_.low) / static_cast<double>(count) : 1;
    std::size_t most = 0;
    for (std::size_t i = 0; i < count; ++i) {
        keys[static_cast<qsizetype>(i)] = (bins_.low + (static_cast<double>(i) + 0.5) * width) * scale;
        values[static_cast<qsizetype>(i)] = static_cast<double>(bins_.counts[i]);
        most = std::max(most, bins_.counts[i]);
    }
    bars_->setWidth(width * scale);
    bars_->setData(keys, values, true);

    // The band's lines; a band that makes no sense is not drawn.
    const bool band = limits.setpointValid && std::isfinite(limits.setpoint) &&
                      std::isfinite(limits.tolerance);
    const double half = std::max(limits.tolerance, 0.0);
    Place(setpoint_, band, limits.setpoint * scale);
    Place(lower_, band && half > 0, (limits.setpoint - half) * scale);
    Place(upper_, band && half > 0, (limits.setpoint + half) * scale);

    // The range holds every bin and every line drawn.
    double low = count ? bins_.low * scale : NAN, high = count ? bins_.high * scale : NAN;
    for (const QCPItemStraightLine *line : {lower_, setpoint_, upper_}) {
        if (!line->visible())
            continue;
        const double x = line->point1->coords().x();
        low = std::isnan(low) ? x : std::min(low, x);
        high = std::isnan(high) ? x : std::max(high, x);
    }
    if (std::isnan(low)) {
        low = 0;
        high = 1;
    }
    const double margin = high > low ? (high - low) * 0.05 : 1;
    plot_->xAxis->setRange(low - margin, high + margin);
    plot_->yAxis->setRange(0, std::max<double>(static_cast<double>(most), 1) * 1.1);
    plot_->xAxis->setLabel(QStringLiteral("Measured value (") + unit + u')');
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

bool HistogramView::Export(const QString &path, QString *error)
{
    QString why;
    QByteArray bytes;
    const auto format = FormatOfPath(path);
    if (!format) {
        why = QStringLiteral("unknown file type \"") + QFileInfo(path).suffix() +
              QStringLiteral("\": use .png, .svg or .csv");
    } else if (*format == graph_export::Format::Csv) {
        if (bins_.counts.empty()) {
            why = QStringLiteral("the histogram holds no values");
        } else {
            bytes = (QStringLiteral("from (") + unit_ + QStringLiteral("),to (") + unit_ +
                     QStringLiteral("),count\n"))
                        .toUtf8();
            const double width =
                (bins_.high - bins_.low) / static_cast<double>(bins_.counts.size());
            for (std::size_t i = 0; i < bins_.counts.size(); ++i) {
                const double from = bins_.low + static_cast<double>(i) * width;
                const double to = i + 1 == bins_.counts.size() ? bins_.high : from + width;
                graph_export::AppendCsvNumber(bytes, from * scale_);
                bytes += ',';
                graph_export::AppendCsvNumber(bytes, to * scale_);
                bytes += ',' + QByteArray::number(static_cast<qulonglong>(bins_.counts[i])) + '\n';
            }
        }
    } else {
        // A view not shown yet has had no layout: the picture takes the
        // view's size rather than the plot's first one.
        if (!plot_->isVisible() && size() != plot_->size())
            plot_->resize(size());
        why = graph_export::EncodePlot(*plot_, *format, bytes);
    }
    if (why.isEmpty())
        why = graph_export::SaveBytes(path, bytes);
    if (error)
        *error = why;
    return why.isEmpty();
}
