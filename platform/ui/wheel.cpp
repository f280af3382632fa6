// The wheel guard of the value controls. A wheel turn is not aimed: the
// pointer merely rests where the operator left it, so a turn meant for
// something else must not switch a port or a mode on the way.
#include "platform/ui/wheel.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

namespace ui {
namespace {

bool TakesTheWheel(const QWidget *w)
{
    return qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
           qobject_cast<const QAbstractSlider *>(w);
}

class WheelGuard : public QObject {
public:
    explicit WheelGuard(QObject *parent) : QObject(parent) {}

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() != QEvent::Wheel)
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (w->hasFocus()) // through the focus proxy: a spin box's editor
            return false;
        // Ignored, the turn goes on to the parents (a scroll area scrolls);
        // the control itself never sees it.
        e->ignore();
        return true;
    }
};

} // namespace

void GuardWheel(QWidget *panel)
{
    if (!panel)
        return;
    auto *guard = new WheelGuard(panel);
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        if (!TakesTheWheel(w))
            continue;
        // Qt gives the focus to a control with WheelFocus under a turning
        // wheel before the guard could say no: click and Tab only.
        if ((w->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
            w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(guard);
    }
}

} // namespace ui
