// Showing, hiding and discarding loaded panels.
#include "platform/ui_registry.h"

#include <QWidget>

int DisplayPanel(int panel)
{
    ui::Panel *p = ui::FindPanel(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    p->widget->show();
    p->widget->raise();
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
