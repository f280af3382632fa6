// The trend window.
//
// It reads the answers the feed collected (views/trend_live.h) and never
// talks to the sensor. A day of answers is never handed to the plot point
// by point: one plottable of its own draws, per pixel column, the range of
// the answers whose times fall into it, from the store's block summaries.
// The window repaints twice a second while it is shown and something
// changed, right after an answer so that the drawing runs while the line
// carries the next request: the cycle's path carries nothing but the feed.
// Qt's and the C++ library's headers bring POSIX's sync(); this file needs
// none of the frame's leading word.
#define QZAN_WITHOUT_SYNC
#include "views/trend.h"

#include "core/globals.h"
#include "core/quality/series.h"
#include "core/quality/stats.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"
#include "platform/ui/graph_export.h"
#include "platform/ui/wheel.h"
#include "views/histogram.h"
#include "views/quality_panel.h"
#include "views/trend_live.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using qzan::quality::Band;
using qzan::quality::Channel;
using qzan::quality::Column;
using qzan::quality::Figures;
using qzan::quality::Series;

// Repaints at most this often while answers come.
constexpr int kFrameMs = 500;
// A longer pause between two answers breaks the line.
constexpr double kBreakMs = 5000;
// The span figures are worked out again at most every this many ms, and
// at most a thirtieth of the time: started afresh over a day of answers
// they take some tens of milliseconds.
constexpr qint64 kFiguresMs = 1000;
constexpr qint64 kFiguresShare = 30;

struct Span {
    const char *name;
    double ms; // 0: all
};
constexpr Span kSpans[] = {{"1 min", 60e3}, {"10 min", 600e3}, {"1 h", 3600e3}, {"All", 0}};
constexpr int kDefaultSpan = 1;

const QColor kMeasuredColor(0x10, 0x40, 0xc0);
const QColor kEdge1Color(0xc0, 0x60, 0x00);
const QColor kEdge2Color(0x80, 0x00, 0x80);
const QColor kBandColor(0x20, 0xa0, 0x20, 0x38);
const QColor kSetpointColor(0x10, 0x80, 0x10);

// The unit of the main panel's switch: values are pixels times `scale`.
struct Unit {
    double scale = 1;
    QString name = QStringLiteral("px");
    bool operator==(const Unit &) const = default;
};

Unit PanelUnit()
{
    int pixels = 1;
    GetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, pixels);
    if (pixels == 1)
        return {};
    // The measured value and the setpoint take the operator's scale factor,
    // as the read-outs do; the band keeps its shape with one factor for all.
    double scale = static_cast<double>(scaleF) * PPITCH / 1000.0;
    if (!std::isfinite(scale) || scale <= 0)
        scale = PPITCH / 1000.0;
    return {scale, QStringLiteral("µm")};
}

// Draws the answers of the shown time from the store: lines through the
// points when there are fewer than half as many as pixel columns, else per
// column a stroke over the range of its answers, joined to its neighbour.
class TrendCurve : public QCPAbstractPlottable {
public:
    TrendCurve(QCPAxis *key, QCPAxis *value) : QCPAbstractPlottable(key, value)
    {
        setAntialiased(false);
    }

    double originS = 0; // the key of the series' time 0: seconds since 1970
    double scale = 1;
    bool edges = false;

    double selectTest(const QPointF &, bool, QVariant *) const override { return -1; }
    QCPRange getKeyRange(bool &found, QCP::SignDomain) const override
    {
        const Series &s = trend::TheLive().series;
        found = s.Size() > 0;
        if (!found)
            return {};
        return {Key(s.Times().front()), Key(s.Times().back())};
    }
    QCPRange getValueRange(bool &found, QCP::SignDomain, const QCPRange &) const override
    {
        const Series &s = trend::TheLive().series;
        float low = 0, high = 0;
        found = s.Measured().Range(0, s.Size(), low, high);
        return {low * scale, high * scale};
    }
    void drawLegendIcon(QCPPainter *, const QRectF &) const override {}

    double Key(std::uint32_t ms) const { return originS + ms / 1000.0; }
    double Ms(double key) const { return (key - originS) * 1000.0; }

protected:
    void draw(QCPPainter *painter) override
    {
        const Series &s = trend::TheLive().series;
        if (s.Size() == 0 || !keyAxis() || !valueAxis())
            return;
        DrawBands(painter, s);
        if (edges) {
            DrawChannel(painter, s, s.Edge1(), kEdge1Color);
            DrawChannel(painter, s, s.Edge2(), kEdge2Color);
        }
        DrawChannel(painter, s, s.Measured(), kMeasuredColor);
    }

private:
    double X(std::uint32_t ms) const { return keyAxis()->coordToPixel(Key(ms)); }
    double Y(float v) const { return valueAxis()->coordToPixel(v * scale); }

    void DrawBands(QCPPainter *painter, const Series &s)
    {
        const QCPRange range = keyAxis()->range();
        const std::size_t first = s.IndexAt(Ms(range.lower));
        const std::size_t last = std::min(s.Size(), s.IndexAt(Ms(range.upper)) + 1);
        const auto &runs = s.Bands();
        auto run = std::upper_bound(runs.begin(), runs.end(), first,
                                    [](std::size_t i, const qzan::quality::BandRun &r) {
                                        return i < r.first;
                                    });
        if (run != runs.begin())
            --run;
        const QRect rect = keyAxis()->axisRect()->rect();
        double lastPixel = -1e9;
        painter->setPen(Qt::NoPen);
        std::vector<QLineF> setpoints;
        for (; run != runs.end() && run->first < last; ++run) {
            const auto next = std::next(run);
            const std::size_t end = next == runs.end() ? s.Size() : next->first;
            const double x1 = std::max<double>(rect.left(), X(s.Times()[run->first]));
            const double x2 = std::min<double>(rect.right() + 1, X(s.Times()[end - 1]) + 1);
            if (x2 <= lastPixel || x2 < x1)
                continue; // a run narrower than a pixel: the one before stands for it
            lastPixel = x2;
            const Band &b = run->band;
            const double top = Y(b.setpoint + b.tolerance), bottom = Y(b.setpoint - b.tolerance);
            painter->fillRect(QRectF(QPointF(x1, top), QPointF(x2, bottom)), kBandColor);
            setpoints.emplace_back(x1, Y(b.setpoint), x2, Y(b.setpoint));
        }
        painter->setPen(QPen(kSetpointColor, 1, Qt::DashLine));
        painter->drawLines(setpoints.data(), static_cast<int>(setpoints.size()));
    }

    void DrawChannel(QCPPainter *painter, const Series &s, const Channel &channel, QColor color)
    {
        const QCPRange range = keyAxis()->range();
        const QRect rect = keyAxis()->axisRect()->rect();
        const int width = rect.width();
        if (width <= 0)
            return;
        const double fromMs = Ms(range.lower), toMs = Ms(range.upper);
        const std::size_t first = s.IndexAt(fromMs), last = s.IndexAt(toMs);
        painter->setPen(QPen(color, 1));
        if (last - first <= static_cast<std::size_t>(width) / 2) {
            DrawPoints(painter, s, channel, first, last, last - first <= static_cast<std::size_t>(width) / 6);
            return;
        }
        columns_.resize(static_cast<std::size_t>(width));
        s.Summarise(channel, fromMs, toMs, columns_);
        lines_.clear();
        const Column *previous = nullptr;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            const Column &col = columns_[c];
            if (col.Empty()) {
                previous = nullptr;
                continue;
            }
            double top = Y(col.high), bottom = Y(col.low);
            if (previous) {
                const double joined = Y(channel[previous->last - 1]);
                top = std::min(top, joined);
                bottom = std::max(bottom, joined);
            }
            const double x = rect.left() + static_cast<double>(c) + 0.5;
            lines_.emplace_back(x, top, x, std::max(bottom, top + 1));
            previous = &col;
        }
        painter->drawLines(lines_.data(), static_cast<int>(lines_.size()));
    }

    // Few answers: a line through them (one beyond each end, so that it
    // leaves the plot at its edges), broken at long pauses, dots when sparse.
    void DrawPoints(QCPPainter *painter, const Series &s, const Channel &channel,
                    std::size_t first, std::size_t last, bool dots)
    {
        first = first > 0 ? first - 1 : 0;
        last = std::min(s.Size(), last + 1);
        points_.clear();
        auto flush = [&] {
            if (points_.size() > 1)
                painter->drawPolyline(points_.data(), static_cast<int>(points_.size()));
            points_.clear();
        };
        for (std::size_t i = first; i < last; ++i) {
            if (i > first && s.Times()[i] - s.Times()[i - 1] > kBreakMs)
                flush();
            const QPointF p(X(s.Times()[i]), Y(channel[i]));
            points_.push_back(p);
            if (dots)
                painter->drawRect(QRectF(p.x() - 1.5, p.y() - 1.5, 3, 3));
        }
        flush();
    }

    std::vector<Column> columns_;
    std::vector<QLineF> lines_;
    std::vector<QPointF> points_;
};

// Adds the measured values [first, last) to `sums`, each held against its
// own band.
void AddAnswers(qzan::quality::Running &sums, const Series &s, std::size_t first, std::size_t last)
{
    const auto &runs = s.Bands();
    auto run = std::upper_bound(runs.begin(), runs.end(), first,
                                [](std::size_t i, const qzan::quality::BandRun &r) { return i < r.first; });
    if (run != runs.begin())
        --run;
    const Channel &values = s.Measured();
    while (first < last && run != runs.end()) {
        const auto next = std::next(run);
        const std::size_t end = std::min(last, next == runs.end() ? last : next->first);
        const qzan::quality::Limits limits = trend::LimitsOf(run->band);
        for (; first < end; ++first)
            sums.Add(values[first], limits);
        run = next;
    }
}

class TrendWindow : public QDialog {
public:
    explicit TrendWindow(QWidget *parent);
    void Start();
    bool Export(TrendExport what, const QString &path, QString *error);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

public:
    // An answer was fed: when a frame is due, it is drawn once the program
    // has sent its next request and waits for the line.
    void AnswerFed();

private:
    void OnFrame();
    void Tick();
    void Redraw();
    void Follow();
    void FitValues();
    void UpdateFigures();
    void UpdateAlarm();
    void SetPaused(bool paused);
    void Pointer(QMouseEvent *event);
    void AskExport(TrendExport what, graph_export::Format format);
    // The answers of the shown time, [first, last).
    void Shown(std::size_t &first, std::size_t &last) const;
    QByteArray CsvOfShown() const;

    QCustomPlot *plot_;
    TrendCurve *curve_;
    QualityPanel *figures_;
    HistogramView *histogram_;
    QComboBox *span_;
    QPushButton *pause_, *export_, *close_;
    QCheckBox *edges_, *auto_, *bell_;
    QDoubleSpinBox *from_, *to_;
    QLabel *cursor_, *status_;
    QTimer frame_;
    QMenu *menu_;
    std::uint64_t frameAnswers_ = 0; // answers at the last frame tick
    bool frameWaits_ = false;        // a frame is due at the next answer

    Unit unit_;
    Unit shownUnit_{0, {}}; // of the figures as last shown
    std::uint64_t drawn_ = ~std::uint64_t{0}; // answers when last drawn
    std::uint64_t bellAt_ = 0;                 // alarm starts already rung for
    bool applying_ = false; // the window itself sets the axes
    bool figuresDue_ = true;
    bool figuresNow_ = true; // at the next update, whatever the pace
    QElapsedTimer sinceFigures_;
    qint64 figuresCostMs_ = 0;
    Figures spanFigures_;
    // The sums behind the span's figures: answers [first, upTo) of the
    // store as it was after `dropped` answers had gone from its front.
    struct SpanSums {
        qzan::quality::Running sums;
        std::uint64_t dropped = 0;
        std::size_t first = 0, upTo = 0;
        bool valid = false;
    } spanSums_;
    struct AlarmLook {
        bool latched = false, active = false;
        int k = 0, n = 0;
        bool operator==(const AlarmLook &) const = default;
    };
    AlarmLook alarmLook_{false, false, -1, -1}; // as last shown
};

QPointer<TrendWindow> g_window;

TrendWindow::TrendWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName("TrendWindow");
    setWindowTitle(TXT_TREND_TITLE);
    setModal(false);
    setSizeGripEnabled(true);

    span_ = new QComboBox(this);
    span_->setObjectName("trendSpan");
    for (const Span &s : kSpans)
        span_->addItem(QString::fromUtf8(s.name));
    span_->setCurrentIndex(kDefaultSpan);
    auto *spanLabel = new QLabel(QStringLiteral("&Span"), this);
    spanLabel->setBuddy(span_);
    pause_ = new QPushButton(QStringLiteral("&Pause"), this);
    pause_->setObjectName("BTNTrendPause");
    pause_->setCheckable(true);
    pause_->setToolTip(QStringLiteral("Freeze the view; the answers are still collected"));
    edges_ = new QCheckBox(QStringLiteral("&Edges"), this);
    edges_->setObjectName("trendEdges");
    edges_->setToolTip(QStringLiteral("Draw both edges beside the measured value"));
    auto_ = new QCheckBox(QStringLiteral("A&uto value axis"), this);
    auto_->setObjectName("trendAutoAxis");
    auto_->setChecked(true);
    from_ = new QDoubleSpinBox(this);
    to_ = new QDoubleSpinBox(this);
    from_->setObjectName("trendAxisFrom");
    to_->setObjectName("trendAxisTo");
    for (QDoubleSpinBox *b : {from_, to_}) {
        b->setRange(-100000, 100000);
        b->setDecimals(1);
        b->setEnabled(false);
        b->setKeyboardTracking(false);
    }
    to_->setValue(1024);
    auto *fromLabel = new QLabel(QStringLiteral("&from"), this);
    fromLabel->setBuddy(from_);
    auto *toLabel = new QLabel(QStringLiteral("t&o"), this);
    toLabel->setBuddy(to_);
    bell_ = new QCheckBox(QStringLiteral("&Bell on alarm"), this);
    bell_->setObjectName("trendBell");

    plot_ = new QCustomPlot(this);
    plot_->setObjectName("trendPlot");
    plot_->setMinimumSize(480, 300);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    plot_->xAxis->setTicker(ticker);
    plot_->xAxis->setLabel(QStringLiteral("Time"));
    curve_ = new TrendCurve(plot_->xAxis, plot_->yAxis);
    plot_->setContextMenuPolicy(Qt::CustomContextMenu);
    // The keyboard does what the mouse does: arrows pan, + and - zoom the
    // time (and the value axis with Shift, when it is fixed).
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->setToolTip(QStringLiteral("Drag or arrow keys: pan; wheel or + and -: zoom"));
    plot_->installEventFilter(this);

    figures_ = new QualityPanel(this);
    histogram_ = new HistogramView(this);
    histogram_->setMinimumSize(300, 200);

    cursor_ = new QLabel(this);
    cursor_->setObjectName("trendCursor");
    cursor_->setMinimumWidth(cursor_->fontMetrics().horizontalAdvance(
        QStringLiteral("Cursor: 00.00. 00:00:00.000   -00000.00 µm")));
    status_ = new QLabel(this);
    status_->setObjectName("trendStatus");

    export_ = new QPushButton(QStringLiteral("E&xport"), this);
    export_->setObjectName("BTNTrendExport");
    menu_ = new QMenu(this);
    struct Item {
        const char *text;
        TrendExport what;
        graph_export::Format format;
    };
    static const Item items[] = {
        {"Trend as PNG\u2026", TrendExport::Trend, graph_export::Format::Png},
        {"Trend as SVG\u2026", TrendExport::Trend, graph_export::Format::Svg},
        {"Trend data as CSV\u2026", TrendExport::Trend, graph_export::Format::Csv},
        {"Histogram as PNG\u2026", TrendExport::Histogram, graph_export::Format::Png},
        {"Histogram as SVG\u2026", TrendExport::Histogram, graph_export::Format::Svg},
        {"Histogram data as CSV\u2026", TrendExport::Histogram, graph_export::Format::Csv},
    };
    for (const Item &item : items) {
        const Item copy = item;
        menu_->addAction(QString::fromUtf8(item.text), this,
                         [this, copy] { AskExport(copy.what, copy.format); });
    }
    export_->setMenu(menu_);
    close_ = new QPushButton(QStringLiteral("&Close"), this);
    close_->setObjectName("BTNTrendClose");
    for (QPushButton *b : {pause_, export_, close_})
        b->setAutoDefault(false);

    auto *controls = new QHBoxLayout;
    controls->addWidget(spanLabel);
    controls->addWidget(span_);
    controls->addWidget(pause_);
    controls->addWidget(edges_);
    controls->addSpacing(12);
    controls->addWidget(auto_);
    controls->addWidget(fromLabel);
    controls->addWidget(from_);
    controls->addWidget(toLabel);
    controls->addWidget(to_);
    controls->addSpacing(12);
    controls->addWidget(bell_);
    controls->addStretch(1);

    auto *left = new QVBoxLayout;
    left->addWidget(plot_, 1);
    left->addWidget(cursor_);
    auto *right = new QVBoxLayout;
    right->addWidget(figures_);
    right->addWidget(histogram_, 1);
    auto *middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addLayout(right);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(export_);
    bottom->addWidget(close_);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    // A wheel turn changes a spin box or the span only with the focus; over
    // the plot it zooms the time.
    ui::GuardWheel(this);

    connect(span_, &QComboBox::currentIndexChanged, this, [this] {
        figuresNow_ = true;
        SetPaused(false);
        Redraw();
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool on) { SetPaused(on); });
    connect(edges_, &QCheckBox::toggled, this, [this] { Redraw(); });
    connect(auto_, &QCheckBox::toggled, this, [this](bool on) {
        from_->setEnabled(!on);
        to_->setEnabled(!on);
        plot_->axisRect()->setRangeDrag(on ? Qt::Horizontal : Qt::Horizontal | Qt::Vertical);
        plot_->axisRect()->setRangeZoom(on ? Qt::Horizontal : Qt::Horizontal | Qt::Vertical);
        Redraw();
    });
    auto fixedChanged = [this] {
        if (!auto_->isChecked())
            Redraw();
    };
    connect(from_, &QDoubleSpinBox::valueChanged, this, fixedChanged);
    connect(to_, &QDoubleSpinBox::valueChanged, this, fixedChanged);
    connect(close_, &QPushButton::clicked, this, [this] { close(); });
    connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent *e) { Pointer(e); });
    connect(plot_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { menu_->popup(plot_->mapToGlobal(at)); });
    // A drag or a wheel turn over the plot holds the view where the
    // operator put it: the view pauses.
    connect(plot_->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this] {
        if (applying_)
            return;
        pause_->setChecked(true);
        figuresDue_ = true;
    });
    connect(plot_->yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange &r) {
                if (applying_ || auto_->isChecked())
                    return;
                applying_ = true;
                from_->setValue(r.lower);
                to_->setValue(r.upper);
                applying_ = false;
            });

    connect(figures_, &QualityPanel::resetRequested, this, [this] {
        trend::TheLive().sinceReset.Reset();
        figuresNow_ = true;
        UpdateFigures();
    });
    connect(figures_, &QualityPanel::acknowledgeRequested, this, [this] {
        trend::TheLive().alarm.Acknowledge();
        UpdateAlarm();
    });
    connect(figures_, &QualityPanel::ruleChanged, this, [this](int k, int n) {
        trend::TheLive().alarm.SetRule(k, n);
        UpdateAlarm();
    });

    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, [this] { OnFrame(); });
    sinceFigures_.start();
    resize(1100, 560);
}

void TrendWindow::Start()
{
    show();
    raise();
    activateWindow();
}

void TrendWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    frame_.start();
    SetTrendWake([] {
        if (g_window)
            g_window->AnswerFed();
    });
    figuresNow_ = true;
    UpdateAlarm();
    Redraw();
}

void TrendWindow::hideEvent(QHideEvent *event)
{
    // Closed or hidden: the feed goes on, the window waits without a timer.
    frame_.stop();
    frameWaits_ = false;
    SetTrendWake(nullptr);
    QDialog::hideEvent(event);
}

bool TrendWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != plot_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool values = (key->modifiers() & Qt::ShiftModifier) && !auto_->isChecked();
    QCPAxis *axis = values ? plot_->yAxis : plot_->xAxis;
    const QCPRange r = axis->range();
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        axis->moveRange(-r.size() / 10);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        axis->moveRange(r.size() / 10);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        axis->scaleRange(0.8, r.center());
        break;
    case Qt::Key_Minus:
        axis->scaleRange(1.25, r.center());
        break;
    default:
        return QDialog::eventFilter(watched, event);
    }
    plot_->replot(QCustomPlot::rpQueuedReplot);
    return true;
}

void TrendWindow::SetPaused(bool paused)
{
    if (pause_->isChecked() != paused) {
        pause_->setChecked(paused); // comes back here through toggled
        return;
    }
    status_->setText(paused ? QStringLiteral("Paused: answers are still collected") : QString());
    if (!paused)
        Redraw();
}

// While answers come, drawing right when one has arrived would hold back
// the next request by the drawing's time: the frame waits for the next
// answer and is drawn after it, while the line carries the request. When
// no answers come, the frame is drawn at once.
void TrendWindow::OnFrame()
{
    const std::uint64_t answers = trend::TheLive().answers;
    if (answers != frameAnswers_) {
        frameAnswers_ = answers;
        frameWaits_ = true;
        return;
    }
    frameWaits_ = false;
    Tick();
}

void TrendWindow::AnswerFed()
{
    if (!frameWaits_)
        return;
    frameWaits_ = false;
    QMetaObject::invokeMethod(this, [this] { Tick(); }, Qt::QueuedConnection);
}

void TrendWindow::Tick()
{
    UpdateAlarm();
    const trend::Live &live = trend::TheLive();
    const Unit unit = PanelUnit();
    if (!(unit == unit_)) {
        Redraw();
        return;
    }
    if (pause_->isChecked()) {
        if (figuresDue_)
            UpdateFigures();
        return;
    }
    if (live.answers != drawn_)
        Redraw();
    else if (figuresDue_)
        UpdateFigures();
}

void TrendWindow::Redraw()
{
    const trend::Live &live = trend::TheLive();
    const Unit unit = PanelUnit();
    if (!(unit == unit_)) {
        // The fixed value axis keeps its place on the line in the new unit.
        const double ratio = unit.scale / unit_.scale;
        applying_ = true;
        from_->setValue(from_->value() * ratio);
        to_->setValue(to_->value() * ratio);
        applying_ = false;
        unit_ = unit;
    }
    curve_->scale = unit_.scale;
    curve_->edges = edges_->isChecked();
    curve_->originS = live.originEpochMs / 1000.0;
    plot_->yAxis->setLabel(QStringLiteral("Measured value [%1]").arg(unit_.name));
    applying_ = true;
    if (!pause_->isChecked())
        Follow();
    FitValues();
    applying_ = false;
    drawn_ = live.answers;
    figuresDue_ = true;
    plot_->replot(QCustomPlot::rpQueuedReplot);
    UpdateFigures();
}

void TrendWindow::Follow()
{
    const Series &s = trend::TheLive().series;
    const double spanMs = kSpans[std::clamp(span_->currentIndex(), 0, 3)].ms;
    double fromMs = 0, toMs = 60e3;
    if (s.Size() > 0) {
        const double lastMs = s.Times().back();
        if (spanMs > 0) {
            toMs = lastMs + spanMs / 50;
            fromMs = toMs - spanMs;
        } else {
            const double firstMs = s.Times().front();
            const double margin = std::max(1000.0, (lastMs - firstMs) / 50);
            fromMs = firstMs - margin;
            toMs = lastMs + margin;
        }
    }
    const double origin = curve_->originS;
    plot_->xAxis->setRange(origin + fromMs / 1000, origin + toMs / 1000);
    auto *ticker = static_cast<QCPAxisTickerDateTime *>(plot_->xAxis->ticker().data());
    ticker->setDateTimeFormat(toMs - fromMs > 86400e3 ? QStringLiteral("dd.MM. hh:mm")
                              : toMs - fromMs > 600e3  ? QStringLiteral("hh:mm")
                                                       : QStringLiteral("hh:mm:ss"));
}

void TrendWindow::FitValues()
{
    if (!auto_->isChecked()) {
        double low = from_->value(), high = to_->value();
        if (!(high > low))
            high = low + 1;
        plot_->yAxis->setRange(low, high);
        return;
    }
    const Series &s = trend::TheLive().series;
    std::size_t first, last;
    Shown(first, last);
    float low = 0, high = 0;
    bool any = s.Measured().Range(first, last, low, high);
    if (any && edges_->isChecked()) {
        for (const Channel *c : {&s.Edge1(), &s.Edge2()}) {
            float l, h;
            if (c->Range(first, last, l, h)) {
                low = std::min(low, l);
                high = std::max(high, h);
            }
        }
    }
    if (any) {
        // The band of the newest answer shown stays in sight.
        const Band b = s.BandAt(last - 1);
        low = std::min(low, b.setpoint - b.tolerance);
        high = std::max(high, b.setpoint + b.tolerance);
    } else {
        low = 0;
        high = 1024;
    }
    double lo = low * unit_.scale, hi = high * unit_.scale;
    const double margin = std::max((hi - lo) * 0.05, unit_.scale);
    lo -= margin;
    hi += margin;
    plot_->yAxis->setRange(lo, hi);
    from_->setValue(lo);
    to_->setValue(hi);
}

void TrendWindow::Shown(std::size_t &first, std::size_t &last) const
{
    const Series &s = trend::TheLive().series;
    const QCPRange r = plot_->xAxis->range();
    first = s.IndexAt(curve_->Ms(r.lower));
    last = s.IndexAt(curve_->Ms(r.upper));
}

void TrendWindow::UpdateFigures()
{
    const trend::Live &live = trend::TheLive();
    const Series &s = live.series;
    const Band newest = s.Size() ? s.BandAt(s.Size() - 1) : Band{};
    const qint64 pace = std::max(kFiguresMs, kFiguresShare * figuresCostMs_);
    // Both columns and the histogram change together, at the figures' pace:
    // text that changes with every frame costs a layout each time.
    if (!figuresNow_ && unit_ == shownUnit_ && !(figuresDue_ && sinceFigures_.elapsed() >= pace))
        return;
    figuresNow_ = false;
    QElapsedTimer cost;
    cost.start();
    std::size_t first, last;
    Shown(first, last);
    // Following, the span's end moves on and (for "All") its start stays:
    // only the new answers are added. Any other change starts the sums
    // afresh.
    if (spanSums_.dropped != s.Dropped() || spanSums_.first != first || spanSums_.upTo > last ||
        !spanSums_.valid) {
        spanSums_.sums.Reset();
        spanSums_.dropped = s.Dropped();
        spanSums_.first = spanSums_.upTo = first;
        spanSums_.valid = true;
    }
    AddAnswers(spanSums_.sums, s, spanSums_.upTo, last);
    spanSums_.upTo = last;
    const Band band = last > first ? s.BandAt(last - 1) : newest;
    spanFigures_ = spanSums_.sums.Now(trend::LimitsOf(band));
    histogram_->ShowValues(s.Measured().Values().subspan(first, last - first),
                           trend::LimitsOf(band), unit_.scale, unit_.name);
    figuresCostMs_ = cost.elapsed();
    sinceFigures_.restart();
    figuresDue_ = false;
    figures_->ShowFigures(spanFigures_, live.sinceReset.Now(trend::LimitsOf(newest)),
                          unit_.scale, unit_.name);
    shownUnit_ = unit_;
}

void TrendWindow::UpdateAlarm()
{
    const trend::Live &live = trend::TheLive();
    const AlarmLook look{live.alarm.Latched(), live.alarm.Active(), live.alarm.K(), live.alarm.N()};
    if (!(look == alarmLook_)) {
        alarmLook_ = look;
        figures_->ShowAlarm(look.latched, look.active, look.k, look.n);
        setWindowTitle(look.latched  ? TXT_TREND_ALARM_TITLE
                       : look.active ? TXT_TREND_ACKNOWLEDGED_TITLE
                                     : TXT_TREND_TITLE);
    }
    if (live.alarmStarts != bellAt_) {
        if (bell_->isChecked() && bellAt_ < live.alarmStarts)
            QApplication::beep();
        bellAt_ = live.alarmStarts;
    }
}

void TrendWindow::Pointer(QMouseEvent *event)
{
    const QRect rect = plot_->axisRect()->rect();
    const QPointF at = event->position();
    if (!rect.contains(at.toPoint())) {
        cursor_->clear();
        return;
    }
    const double key = plot_->xAxis->pixelToCoord(at.x());
    const double value = plot_->yAxis->pixelToCoord(at.y());
    if (!std::isfinite(key) || !std::isfinite(value))
        return;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(
        std::clamp(key * 1000, -8.0e15, 8.0e15))));
    cursor_->setText(QStringLiteral("Cursor: %1   %2 %3")
                         .arg(when.toString(QStringLiteral("dd.MM. hh:mm:ss.zzz")))
                         .arg(value, 0, 'f', 2)
                         .arg(unit_.name));
}

QByteArray TrendWindow::CsvOfShown() const
{
    const trend::Live &live = trend::TheLive();
    const Series &s = live.series;
    std::size_t first, last;
    Shown(first, last);
    const QString u = unit_.name == QStringLiteral("px") ? QStringLiteral("px") : QStringLiteral("um");
    QByteArray out = QStringLiteral("time,measured_%1,setpoint_%1,tolerance_%1,edge1_%1,edge2_%1,"
                                    "outside\n")
                         .arg(u)
                         .toUtf8();
    out.reserve(out.size() + static_cast<qsizetype>((last - first) * 64));
    const double scale = unit_.scale;
    for (std::size_t i = first; i < last; ++i) {
        const qint64 ms = static_cast<qint64>(live.originEpochMs) + s.Times()[i];
        out += QDateTime::fromMSecsSinceEpoch(ms).toString(Qt::ISODateWithMs).toLatin1();
        const Band b = s.BandAt(i);
        for (double v : {s.Measured()[i] * scale, b.setpoint * scale, b.tolerance * scale,
                         s.Edge1()[i] * scale, s.Edge2()[i] * scale}) {
            out += ',';
            graph_export::AppendCsvNumber(out, v);
        }
        out += s.Outside(i) ? ",1\n" : ",0\n";
    }
    return out;
}

bool TrendWindow::Export(TrendExport what, const QString &path, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    graph_export::Format format;
    if (suffix == QLatin1String("png"))
        format = graph_export::Format::Png;
    else if (suffix == QLatin1String("svg"))
        format = graph_export::Format::Svg;
    else if (suffix == QLatin1String("csv"))
        format = graph_export::Format::Csv;
    else {
        if (error)
            *error = QStringLiteral("the name ends in neither .png, .svg nor .csv");
        return false;
    }
    QString failure;
    if (what == TrendExport::Histogram) {
        if (!histogram_->Export(path, &failure) && failure.isEmpty())
            failure = QStringLiteral("the histogram could not be written");
    } else {
        QByteArray bytes;
        if (format == graph_export::Format::Csv)
            bytes = CsvOfShown();
        else
            failure = graph_export::EncodePlot(*plot_, format, bytes);
        if (failure.isEmpty())
            failure = graph_export::SaveBytes(path, bytes);
    }
    if (error)
        *error = failure;
    return failure.isEmpty();
}

void TrendWindow::AskExport(TrendExport what, graph_export::Format format)
{
    static const char *suffixes[] = {"png", "svg", "csv"};
    static const char *filters[] = {"PNG images (*.png)", "SVG drawings (*.svg)", "CSV files (*.csv)"};
    const int f = static_cast<int>(format);
    const QString suffix = QString::fromLatin1(suffixes[f]);
    const QString name = (what == TrendExport::Trend ? QStringLiteral("trend.")
                                                     : QStringLiteral("histogram.")) + suffix;
    // Opened without a loop of its own: the cycle goes on while the
    // operator picks the file.
    auto *dialog = new QFileDialog(this, QStringLiteral("Export"), graph_export::StartDirectory());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({QString::fromLatin1(filters[f]), QStringLiteral("All files (*)")});
    dialog->setDefaultSuffix(suffix);
    dialog->selectFile(name);
    connect(dialog, &QFileDialog::fileSelected, this, [this, what](const QString &chosen) {
        const QString path = QDir::cleanPath(chosen);
        QString error;
        status_->setText(Export(what, path, &error)
                             ? QStringLiteral("Saved to ") + QDir::toNativeSeparators(path)
                             : QStringLiteral("Cannot write ") + QDir::toNativeSeparators(path) +
                                   QStringLiteral(": ") + error);
    });
    dialog->open();
}

} // namespace

void OpenTrendWindow(void)
{
    if (!g_window)
        g_window = new TrendWindow(PanelWidget(panelHandle));
    g_window->Start();
}

QWidget *TrendWindowWidget(void) { return g_window.data(); }

bool ExportTrendWindow(TrendExport what, const QString &path, QString *error)
{
    if (!g_window) {
        if (error)
            *error = QStringLiteral("the trend window is not open");
        return false;
    }
    return g_window->Export(what, path, error);
}
