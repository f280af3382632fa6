// The control widgets that Qt lacks or that need one more signal: slide,
// binary switch, LED, timer placeholder, and spin boxes that report a step.
#include "platform/ui/widgets.h"

#include "platform/ui/accessible.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include <algorithm>
#include <cmath>

// ---- Slide -------------------------------------------------------------------

QzSlide::QzSlide(QWidget *parent)
    : QWidget(parent), m_slider(new QSlider(Qt::Horizontal, this)), m_number(new QLabel(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(m_slider, 1);
    row->addWidget(m_number);
    m_number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_number->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_number->setFrameShape(QFrame::StyledPanel);
    m_number->setFrameShadow(QFrame::Sunken);
    // Room for any 16-bit value, so the bar does not jump as digits come and go.
    m_number->setMinimumWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("-65535")) + 8);
    m_slider->setRange(0, 100);
    setFocusProxy(m_slider);
    ui::InstallAccessibleWidgets();

    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        if (m_indicator)
            return;
        m_value = v;
        showValue();
        emit valueEdited(v);
        if (!m_slider->isSliderDown())
            emit editFinished(); // a key or a click on the groove: done at once
    });
    connect(m_slider, &QSlider::sliderReleased, this, [this] {
        if (!m_indicator)
            emit editFinished();
    });
    showValue();
}

int QzSlide::minimum() const { return m_slider->minimum(); }
int QzSlide::maximum() const { return m_slider->maximum(); }
int QzSlide::pageStep() const { return m_slider->pageStep(); }
void QzSlide::setPageStep(int v) { m_slider->setPageStep(v); }

void QzSlide::setMinimum(int v)
{
    const QSignalBlocker block(m_slider);
    m_slider->setMinimum(v);
    setValue(m_value);
}

void QzSlide::setMaximum(int v)
{
    const QSignalBlocker block(m_slider);
    m_slider->setMaximum(v);
    setValue(m_value);
}

void QzSlide::setValue(int v)
{
    const QSignalBlocker block(m_slider);
    if (!m_indicator)
        v = std::clamp(v, m_slider->minimum(), m_slider->maximum());
    m_value = v;
    m_slider->setValue(v); // QSlider clamps the bar itself
    showValue();
}

void QzSlide::setIndicator(bool on)
{
    m_indicator = on;
    // The bar of an indicator follows the program only: no mouse, no keys.
    m_slider->setAttribute(Qt::WA_TransparentForMouseEvents, on);
    m_slider->setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    setValue(m_value);
}

void QzSlide::editValue(int v)
{
    if (!m_indicator)
        m_slider->setValue(v);
}

QString QzSlide::shownText() const { return m_number->text(); }

void QzSlide::showValue()
{
    const QString text = QString::number(m_value);
    if (text == m_number->text())
        return;
    m_number->setText(text);
    ui::NotifyValueShown(this, m_value);
}

// ---- Switch ------------------------------------------------------------------

namespace {
constexpr int kTrackWidth = 40;
constexpr int kTrackHeight = 20;
constexpr int kGap = 6;
} // namespace

QzSwitch::QzSwitch(QWidget *parent) : QWidget(parent)
{
    ui::InstallAccessibleWidgets();
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QzSwitch::setChecked(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
    ui::NotifyCheckedShown(this);
    emit stateChanged(on);
}

void QzSwitch::setOnText(const QString &t)
{
    m_onText = t;
    updateGeometry();
    update();
}

void QzSwitch::setOffText(const QString &t)
{
    m_offText = t;
    updateGeometry();
    update();
}

QSize QzSwitch::sizeHint() const
{
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    const int w = fm.horizontalAdvance(m_offText) + kGap + kTrackWidth + kGap +
                  fm.horizontalAdvance(m_onText) + 4;
    return {w, std::max(kTrackHeight + 4, fm.height() + 4)};
}

QRect QzSwitch::trackRect() const
{
    QFont bold = font();
    bold.setBold(true);
    const int x = QFontMetrics(bold).horizontalAdvance(m_offText) + kGap + 2;
    return {x, (height() - kTrackHeight) / 2, kTrackWidth, kTrackHeight};
}

void QzSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const bool enabled = isEnabled();
    const QRect track = trackRect();

    // The active state's label is bold and in the text colour, the other faint.
    QFont normal = font(), bold = font();
    bold.setBold(true);
    const QColor active = pal.color(enabled ? QPalette::Active : QPalette::Disabled,
                                    QPalette::WindowText);
    const QColor faint = pal.color(QPalette::Disabled, QPalette::WindowText);
    const QRect left(0, 0, track.left() - kGap, height());
    const QRect right(track.right() + kGap + 1, 0, width() - track.right() - kGap - 1, height());
    p.setFont(m_on ? normal : bold);
    p.setPen(m_on ? faint : active);
    p.drawText(left, Qt::AlignRight | Qt::AlignVCenter, m_offText);
    p.setFont(m_on ? bold : normal);
    p.setPen(m_on ? active : faint);
    p.drawText(right, Qt::AlignLeft | Qt::AlignVCenter, m_onText);

    QColor fill = m_on ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid);
    if (!enabled)
        fill = pal.color(QPalette::Disabled, QPalette::Button);
    p.setPen(QPen(pal.color(QPalette::Dark), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(track).adjusted(0.5, 0.5, -0.5, -0.5), kTrackHeight / 2.0,
                      kTrackHeight / 2.0);
    const int d = kTrackHeight - 4;
    const int knobX = m_on ? track.right() - d - 1 : track.left() + 2;
    p.setBrush(pal.color(QPalette::Base));
    p.drawEllipse(QRect(knobX, track.top() + 2, d, d));

    if (hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = track.adjusted(-2, -2, 2, 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

void QzSwitch::toggleByUser()
{
    m_on = !m_on;
    update();
    ui::NotifyCheckedShown(this);
    emit stateChanged(m_on);
    emit toggledByUser(m_on);
}

void QzSwitch::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    toggleByUser();
}

void QzSwitch::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        toggleByUser();
        return;
    }
    QWidget::keyPressEvent(e);
}

// ---- LED -----------------------------------------------------------------------

QzLed::QzLed(QWidget *parent) : QWidget(parent)
{
    ui::InstallAccessibleWidgets();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QzLed::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
    ui::NotifyCheckedShown(this);
}

void QzLed::setOnColor(const QColor &c)
{
    m_onColor = c;
    update();
}

void QzLed::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::min(width(), height()) - 2;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    QColor fill = m_on ? m_onColor : palette().color(QPalette::Mid);
    if (!isEnabled())
        fill = fill.lighter(150);
    p.setPen(QPen(palette().color(QPalette::Dark), 1));
    p.setBrush(fill);
    p.drawEllipse(r);
}

// ---- Timer ---------------------------------------------------------------------

QzTimer::QzTimer(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    // A coarse timer may stretch a tick by 5%; every wait is counted in ticks.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &QzTimer::tick);
    setFocusPolicy(Qt::NoFocus);
    resize(0, 0);
    setVisible(false);
}

int QzTimer::interval() const { return m_timer->interval(); }

void QzTimer::setInterval(int ms) { m_timer->setInterval(std::max(ms, 1)); }

bool QzTimer::isTicking() const { return m_timer->isActive(); }

void QzTimer::setTicking(bool on)
{
    if (on == m_timer->isActive())
        return; // enabling a running timer must not restart its period
    if (on)
        m_timer->start();
    else
        m_timer->stop();
}

// ---- Spin boxes ----------------------------------------------------------------

void QzSpinBox::stepBy(int steps)
{
    QSpinBox::stepBy(steps);
    emit stepped();
}

void QzDoubleSpinBox::stepBy(int steps)
{
    QDoubleSpinBox::stepBy(steps);
    emit stepped();
}

QString QzDoubleSpinBox::textFromValue(double value) const
{
    const int held = decimals();
    QString text = locale().toString(value, 'f', held);
    // Drop trailing zeros down to three decimals (or fewer when fewer are held).
    const int shown = std::min(held, 3);
    const QChar point = locale().decimalPoint().at(0);
    const int dot = static_cast<int>(text.indexOf(point));
    if (dot >= 0) {
        while (text.size() - dot - 1 > shown && text.endsWith(QLatin1Char('0')))
            text.chop(1);
    }
    if (!locale().numberOptions().testFlag(QLocale::OmitGroupSeparator))
        text.remove(locale().groupSeparator());
    return text;
}
