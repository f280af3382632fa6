// Showing, hiding and discarding loaded panels.
#include "platform/ui/registry.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The first time a child panel is shown it is placed beside its parent when
// the screen has room, else over the parent's lower right, where the graphs
// are, rather than over the controls at the left where any window would land.
void PlaceBesideParent(QWidget *child, const QWidget *parent)
{
    if (!parent || child->property("qzanPlaced").toBool())
        return;
    child->setProperty("qzanPlaced", true);
    child->adjustSize();
    const QRect frame = parent->frameGeometry();
    const QRect screen = parent->screen() ? parent->screen()->availableGeometry() : frame;
    const QSize size = child->frameGeometry().size();
    int x = frame.right() + 8;
    int y = frame.top() + 60;
    if (x + size.width() > screen.right()) {
        // Over the lower right, where the graphs are, leaving the read-outs free.
        x = frame.right() - size.width() - 16;
        y = frame.bottom() - size.height() - 40;
    }
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() - size.height()));
    child->move(std::max(x, screen.left()), y);
}

} // namespace

int DisplayPanel(int panel)
{
    ui::Panel *p = ui::FindPanel(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    if (p->parent != 0)
        if (ui::Panel *parent = ui::FindPanel(p->parent))
            PlaceBesideParent(p->widget, parent->widget);
    p->widget->show();
    p->widget->raise();
    return 0;
}

int SetPanelAttribute(int panel, int attribute, const char *value)
{
    ui::Panel *p = ui::FindPanel(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    if (attribute != ATTR_TITLE)
        return UIE_BAD_ATTRIBUTE;
    if (!value)
        return UIE_BAD_ARGUMENT;
    p->widget->setWindowTitle(QString::fromUtf8(value));
    return 0;
}

int HidePanel(int panel)
{
    ui::Panel *p = ui::FindPanel(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    p->widget->hide();
    return 0;
}

int DiscardPanel(int panel)
{
    if (!ui::FindPanel(panel))
        return UIE_BAD_HANDLE;
    // Forgotten at once, with the panels it owns: their handles are invalid
    // from here on, whichever of them is discarded first.
    QWidget *w = ui::RemovePanel(panel);
    if (!w)
        return 0;
    w->hide();
    // A callback may discard the panel whose widget raised it, from inside
    // that widget's own event handling: then delete it once back in the loop.
    if (ui::CallbackDepth() > 0)
        w->deleteLater();
    else
        delete w;
    return 0;
}
