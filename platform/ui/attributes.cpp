// Control attributes (dimming, visibility, text look, timer settings) and
// text messages created at run time.
#include "platform/ui/graph.h"
#include "platform/ui/registry.h"
#include "platform/ui/widgets.h"

#include <QApplication>
#include <QLabel>

#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr int kMaxPixelSize = 400;

bool ValidColor(int rgb) { return rgb >= 0 && rgb <= 0xFFFFFF; }

void SetTextColor(QWidget *w, int rgb)
{
    QPalette pal = w->palette();
    const QColor c = QColor::fromRgb(static_cast<QRgb>(rgb));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, c);
    w->setPalette(pal);
}

void SetBackgroundColor(QWidget *w, int rgb)
{
    QPalette pal = w->palette();
    const QColor c = QColor::fromRgb(static_cast<QRgb>(rgb));
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        pal.setColor(role, c);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// The size is the height of a line of text in pixels, as on the panels this
// program was first laid out for: the information texts sit at fixed pixel
// positions and must not run into each other, whatever the font and dpi.
QFont FontOfHeight(QFont f, int height)
{
    for (int px = height; px > 1; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).height() <= height)
            return f;
    }
    f.setPixelSize(1);
    return f;
}

// A text message grows with its text and font; other controls keep their
// place in the panel's layout.
void Refit(const ui::Control &c)
{
    if (c.kind == ui::Kind::TextMessage)
        c.widget->adjustSize();
}

int SetInt(ui::Control &c, int attribute, int value)
{
    QWidget *w = c.widget;
    switch (attribute) {
    case ATTR_DIMMED:
        w->setEnabled(value == 0);
        return 0;
    case ATTR_ENABLED:
        if (c.kind != ui::Kind::Timer)
            return UIE_BAD_ATTRIBUTE;
        static_cast<QzTimer *>(w)->setTicking(value != 0);
        return 0;
    case ATTR_VISIBLE:
        if (c.kind != ui::Kind::Timer) // a timer has nothing to show
            w->setVisible(value != 0);
        return 0;
    case ATTR_TEXT_COLOR:
        if (!ValidColor(value))
            return UIE_BAD_ARGUMENT;
        SetTextColor(w, value);
        return 0;
    case ATTR_TEXT_BGCOLOR:
        if (!ValidColor(value))
            return UIE_BAD_ARGUMENT;
        SetBackgroundColor(w, value);
        return 0;
    case ATTR_TEXT_POINT_SIZE:
        if (value <= 0 || value > kMaxPixelSize)
            return UIE_BAD_ARGUMENT;
        w->setFont(FontOfHeight(w->font(), value));
        w->setProperty("textHeight", value);
        Refit(c);
        return 0;
    case ATTR_GRAPH_LIVE:
        if (c.kind != ui::Kind::Graph)
            return UIE_BAD_ATTRIBUTE;
        // Our graphs always show every plot; the setting is only kept.
        w->setProperty("graphLive", value);
        return 0;
    case ATTR_INTERVAL:
        return UIE_BAD_ATTRIBUTE; // seconds: the double overload
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

} // namespace

int SetCtrlAttribute(int panel, int control, int attribute, int value)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    if (attribute == ATTR_INTERVAL)
        return SetCtrlAttribute(panel, control, attribute, static_cast<double>(value));
    return SetInt(*c, attribute, value);
}

int SetCtrlAttribute(int panel, int control, int attribute, double value)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    if (attribute == ATTR_INTERVAL) {
        if (c->kind != ui::Kind::Timer)
            return UIE_BAD_ATTRIBUTE;
        if (std::isnan(value) || value <= 0)
            return UIE_BAD_ARGUMENT;
        const double ms = std::fmin(std::round(value * 1000.0), static_cast<double>(INT_MAX));
        static_cast<QzTimer *>(c->widget.data())->setInterval(static_cast<int>(std::fmax(ms, 1.0)));
        return 0;
    }
    // An integer attribute given as a double must be a whole number.
    if (std::isnan(value) || std::nearbyint(value) != value || value < INT_MIN || value > INT_MAX)
        return UIE_BAD_ARGUMENT;
    return SetInt(*c, attribute, static_cast<int>(value));
}

int SetCtrlAttribute(int panel, int control, int attribute, const char *value)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    if (!value)
        return UIE_BAD_ARGUMENT;
    QWidget *w = c->widget;
    switch (attribute) {
    case ATTR_TEXT_FONT: {
        QFont f = w->font();
        f.setFamily(std::strcmp(value, FONT_APPLICATION) == 0 ? QApplication::font().family()
                                                              : QString::fromUtf8(value));
        const QVariant height = w->property("textHeight");
        w->setFont(height.isValid() ? FontOfHeight(f, height.toInt()) : f);
        Refit(*c);
        return 0;
    }
    case ATTR_TOOLTIP:
        w->setToolTip(QString::fromUtf8(value));
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int &value)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    const QWidget *w = c->widget;
    switch (attribute) {
    case ATTR_DIMMED:
        value = w->isEnabled() ? 0 : 1;
        return 0;
    case ATTR_ENABLED:
        if (c->kind != ui::Kind::Timer)
            return UIE_BAD_ATTRIBUTE;
        value = static_cast<const QzTimer *>(w)->isTicking() ? 1 : 0;
        return 0;
    case ATTR_VISIBLE:
        value = (c->kind == ui::Kind::Timer || !w->isHidden()) ? 1 : 0;
        return 0;
    case ATTR_TEXT_COLOR:
        value = static_cast<int>(w->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu);
        return 0;
    case ATTR_TEXT_BGCOLOR:
        value = static_cast<int>(w->palette().color(QPalette::Window).rgb() & 0xFFFFFFu);
        return 0;
    case ATTR_TEXT_POINT_SIZE: {
        const QVariant set = w->property("textHeight");
        value = set.isValid() ? set.toInt() : QFontMetrics(w->font()).height();
        return 0;
    }
    case ATTR_GRAPH_LIVE:
        if (c->kind != ui::Kind::Graph)
            return UIE_BAD_ATTRIBUTE;
        value = w->property("graphLive").toInt();
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int NewCtrl(int panel, int style, const char *label, int top, int left)
{
    ui::Panel *p = ui::FindPanel(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    if (style != CTRL_TEXT_MSG || p->nextNewControlId == INT_MAX)
        return UIE_BAD_ARGUMENT;
    // Placed by pixel position over whatever the layout put there.
    auto *text = new QLabel(label ? QString::fromUtf8(label) : QString(), p->widget);
    text->move(left, top);
    text->adjustSize();
    text->show();
    text->raise();
    const int id = p->nextNewControlId++;
    p->controls.push_back({id, text, ui::Kind::TextMessage, true});
    return id;
}
