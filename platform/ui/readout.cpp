// The numeric display widget.
#include "platform/ui/readout.h"

#include "platform/ui/accessible.h"

#include <QEvent>
#include <QPainter>

namespace {
constexpr int kMargin = 4; // between the frame and the digits
}

QzReadout::QzReadout(QWidget *parent) : QWidget(parent)
{
    ui::InstallAccessibleWidgets();
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted below
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_text.setTextFormat(Qt::PlainText);
    m_text.setText(QString::number(m_value));
}

void QzReadout::setValue(int v)
{
    if (v == m_value)
        return;
    m_value = v;
    m_text.setText(QString::number(v)); // digits only: no locale grouping
    update();
    ui::NotifyValueShown(this, v);
}

QSize QzReadout::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(QStringLiteral("88888")) + 2 * kMargin + 2,
            fm.height() + 2 * kMargin};
}

void QzReadout::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::FontChange)
        m_text.prepare(QTransform(), font());
    QWidget::changeEvent(e);
}

void QzReadout::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QRect r = rect();
    p.fillRect(r, palette().color(group, QPalette::Base));
    p.setPen(palette().color(group, QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(group, QPalette::Text));
    p.setFont(font());
    const QSizeF size = m_text.size();
    const QPointF at(r.right() - kMargin - size.width(), (r.height() - size.height()) / 2.0);
    p.drawStaticText(at, m_text);
}
