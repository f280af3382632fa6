// The quality panel: two columns of figures, the limit alarm and its rule.
// Built on Qt Widgets directly, like the other windows of views/.
#include "views/quality_panel.h"

#include "core/quality/alarm.h"
#include "platform/ui/wheel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace q = qzan::quality;

namespace {

enum Row { COUNT, MEAN, SD, MIN, MAX, RANGE, OUTSIDE, CP, CPK };

const char *const kRowNames[QualityPanel::ROWS] = {
    "Count", "Mean", "Std. deviation", "Minimum", "Maximum", "Range", "Outside tolerance",
    "Cp",    "Cpk"};

// Lengths with two decimals, the spread with three, Cp and Cpk with two.
constexpr int LENGTH_DECIMALS = 2, SD_DECIMALS = 3, CAPABILITY_DECIMALS = 2;

QString Text(const std::optional<double> &value, int decimals)
{
    return QString::fromStdString(q::FigureText(value, decimals));
}

// A length in the shown unit; not defined where there is no value to give.
QString Length(bool defined, double pixels, double scale, int decimals, const QString &unit)
{
    if (!defined)
        return Text(std::nullopt, decimals);
    const QString number = Text(pixels * scale, decimals);
    return number == QLatin1String(q::NOT_DEFINED) ? number : number + u' ' + unit;
}

QString OutsideText(const q::Figures &f)
{
    return QString::number(f.outside) + QStringLiteral(" (") + Text(f.outsideShare * 100, 1) +
           QStringLiteral(" %)");
}

const char *const kLatchedStyle =
    "#qualityAlarm { background: #c00000; border: 2px solid #800000; }"
    "#qualityAlarm QLabel#qualityAlarmText { color: white; font-weight: bold; }";
const char *const kActiveStyle = "#qualityAlarm { border: 2px solid #c00000; }"
                                 "#qualityAlarm QLabel#qualityAlarmText { color: #a00000; }";

} // namespace

QualityPanel::QualityPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName("QualityPanel");

    auto *figures = new QGridLayout;
    figures->setHorizontalSpacing(16);
    const char *const headings[2] = {"Shown span", "Since reset"};
    for (int c = 0; c < 2; ++c) {
        auto *heading = new QLabel(QString::fromUtf8(headings[c]), this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        heading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        figures->addWidget(heading, 0, c + 1);
    }
    const char *const columnNames[2] = {"span", "reset"};
    for (int r = 0; r < ROWS; ++r) {
        auto *name = new QLabel(QString::fromUtf8(kRowNames[r]), this);
        figures->addWidget(name, r + 1, 0);
        for (int c = 0; c < 2; ++c) {
            auto *value = new QLabel(this);
            value->setObjectName(QStringLiteral("quality_%1_%2").arg(columnNames[c]).arg(r));
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            value->setAccessibleName(QString::fromUtf8(kRowNames[r]) + QStringLiteral(", ") +
                                     QString::fromUtf8(headings[c]));
            figures->addWidget(value, r + 1, c + 1);
            values_[r][c] = value;
        }
    }
    figures->setColumnStretch(0, 1);

    reset_ = new QPushButton("&Reset statistics", this);
    reset_->setObjectName("BTNQualityReset");
    reset_->setToolTip("Start the figures since reset afresh");
    connect(reset_, &QPushButton::clicked, this, &QualityPanel::resetRequested);

    // The alarm: its text, the rule and the acknowledgement, in one box
    // that turns red.
    alarmBox_ = new QFrame(this);
    alarmBox_->setObjectName("qualityAlarm");
    alarmBox_->setFrameShape(QFrame::StyledPanel);
    alarmText_ = new QLabel(alarmBox_);
    alarmText_->setObjectName("qualityAlarmText");
    alarmText_->setWordWrap(true);
    k_ = new QSpinBox(alarmBox_);
    k_->setObjectName("qualityAlarmK");
    k_->setRange(1, 5);
    k_->setValue(3);
    k_->setAccessibleName("Answers outside that raise the alarm");
    n_ = new QSpinBox(alarmBox_);
    n_->setObjectName("qualityAlarmN");
    n_->setRange(1, q::LimitAlarm::MOST_ANSWERS);
    n_->setValue(5);
    n_->setAccessibleName("Of the last answers");
    auto *kLabel = new QLabel("Alarm &when", alarmBox_);
    kLabel->setBuddy(k_);
    auto *nLabel = new QLabel("of the &last", alarmBox_);
    nLabel->setBuddy(n_);
    auto *tail = new QLabel("answers are outside", alarmBox_);
    acknowledge_ = new QPushButton("&Acknowledge", alarmBox_);
    acknowledge_->setObjectName("BTNQualityAcknowledge");
    acknowledge_->setToolTip("Clear the alarm; it is raised again when the rule holds anew");
    acknowledge_->setEnabled(false);
    connect(acknowledge_, &QPushButton::clicked, this, &QualityPanel::acknowledgeRequested);
    connect(k_, &QSpinBox::valueChanged, this, &QualityPanel::RuleEdited);
    connect(n_, &QSpinBox::valueChanged, this, &QualityPanel::RuleEdited);

    auto *rule = new QHBoxLayout;
    rule->addWidget(kLabel);
    rule->addWidget(k_);
    rule->addWidget(nLabel);
    rule->addWidget(n_);
    rule->addWidget(tail);
    rule->addStretch(1);
    auto *alarmLayout = new QVBoxLayout(alarmBox_);
    alarmLayout->addWidget(alarmText_);
    alarmLayout->addLayout(rule);
    alarmLayout->addWidget(acknowledge_, 0, Qt::AlignLeft);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(figures);
    layout->addWidget(reset_, 0, Qt::AlignLeft);
    layout->addWidget(alarmBox_);
    layout->addStretch(1);

    setTabOrder(reset_, k_);
    setTabOrder(k_, n_);
    setTabOrder(n_, acknowledge_);
    // A wheel turn over k or n changes them only when they have the focus.
    ui::GuardWheel(this);

    ShowFigures({}, {}, 1, QStringLiteral("px"));
    ShowAlarm(false, false, k_->value(), n_->value());
}

void QualityPanel::ShowFigures(const q::Figures &span, const q::Figures &sinceReset, double scale,
                               const QString &unit)
{
    if (!std::isfinite(scale) || scale <= 0)
        scale = 1; // no unit to turn pixels into: show pixels rather than nonsense
    const q::Figures *columns[2] = {&span, &sinceReset};
    for (int c = 0; c < 2; ++c) {
        const q::Figures &f = *columns[c];
        const bool any = f.count > 0;
        values_[COUNT][c]->setText(QString::number(f.count));
        values_[MEAN][c]->setText(Length(any, f.mean, scale, LENGTH_DECIMALS, unit));
        values_[SD][c]->setText(Length(f.count >= 2, f.sd, scale, SD_DECIMALS, unit));
        values_[MIN][c]->setText(Length(any, f.min, scale, LENGTH_DECIMALS, unit));
        values_[MAX][c]->setText(Length(any, f.max, scale, LENGTH_DECIMALS, unit));
        values_[RANGE][c]->setText(Length(any, f.range, scale, LENGTH_DECIMALS, unit));
        values_[OUTSIDE][c]->setText(OutsideText(f));
        values_[CP][c]->setText(Text(f.cp, CAPABILITY_DECIMALS));
        values_[CPK][c]->setText(Text(f.cpk, CAPABILITY_DECIMALS));
    }
}

void QualityPanel::ShowAlarm(bool latched, bool active, int k, int n)
{
    const QString rule = QStringLiteral("%1 of the last %2 answers").arg(k).arg(n);
    if (latched && active) {
        look_ = QStringLiteral("latched");
        alarmText_->setText(QStringLiteral("Limit alarm: ") + rule + QStringLiteral(" are outside the tolerance"));
    } else if (latched) {
        look_ = QStringLiteral("latched");
        alarmText_->setText(QStringLiteral("Limit alarm: ") + rule +
                            QStringLiteral(" were outside the tolerance; acknowledge it"));
    } else if (active) {
        look_ = QStringLiteral("active");
        alarmText_->setText(rule + QStringLiteral(" are outside the tolerance (acknowledged)"));
    } else {
        look_ = QStringLiteral("none");
        alarmText_->setText(QStringLiteral("No limit alarm"));
    }
    alarmBox_->setStyleSheet(look_ == QLatin1String("latched")  ? QString::fromUtf8(kLatchedStyle)
                             : look_ == QLatin1String("active") ? QString::fromUtf8(kActiveStyle)
                                                                : QString());
    alarmText_->setAccessibleName(alarmText_->text());
    acknowledge_->setEnabled(latched);
}

int QualityPanel::AlarmK() const { return k_->value(); }
int QualityPanel::AlarmN() const { return n_->value(); }

QString QualityPanel::FigureText(int row, int column) const
{
    if (row < 0 || row >= ROWS || column < 0 || column > 1)
        return {};
    return values_[row][column]->text();
}

QString QualityPanel::AlarmLook() const { return look_; }

void QualityPanel::RuleEdited()
{
    // k never exceeds n: n's value bounds k's range (which may lower k and
    // call here once more, with the rule already whole).
    if (k_->maximum() != n_->value())
        k_->setMaximum(n_->value());
    const int k = k_->value(), n = n_->value();
    if (k == ruleK_ && n == ruleN_)
        return;
    ruleK_ = k;
    ruleN_ = n;
    emit ruleChanged(k, n);
}
