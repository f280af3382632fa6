// The loaded panels and their controls: handles, identifiers, kinds, and the
// rules that keep a discarded panel from being touched again.
#include "platform/ui/registry.h"
#include "platform/ui/readout.h"

#include "platform/inspect.h"
#include "platform/ui/graph.h"
#include "platform/ui/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <map>

namespace ui {
namespace {

std::map<int, Panel> g_panels; // a map keeps Panel pointers stable
int g_lastHandle = 0;
int g_callbackDepth = 0;
long long g_modalDialogs = 0;

} // namespace

Kind KindOf(const QWidget *w)
{
    if (qobject_cast<const QzTimer *>(w))
        return Kind::Timer;
    if (qobject_cast<const QzGraph *>(w))
        return Kind::Graph;
    if (qobject_cast<const QzSlide *>(w))
        return Kind::Slide;
    if (qobject_cast<const QzSwitch *>(w))
        return Kind::Switch;
    if (qobject_cast<const QzLed *>(w))
        return Kind::Led;
    if (qobject_cast<const QzReadout *>(w))
        return Kind::Readout;
    if (qobject_cast<const QDoubleSpinBox *>(w))
        return Kind::NumericFloat;
    if (qobject_cast<const QSpinBox *>(w))
        return Kind::Numeric;
    if (qobject_cast<const QComboBox *>(w))
        return Kind::Ring;
    if (qobject_cast<const QRadioButton *>(w))
        return Kind::Radio;
    if (qobject_cast<const QPushButton *>(w))
        return Kind::Button;
    if (qobject_cast<const QLineEdit *>(w))
        return Kind::TextBox;
    if (qobject_cast<const QLabel *>(w))
        return Kind::TextMessage;
    return Kind::Other;
}

int AddPanel(Panel panel)
{
    panel.handle = ++g_lastHandle;
    const int handle = panel.handle;
    g_panels.emplace(handle, std::move(panel));
    return handle;
}

Panel *FindPanel(int handle)
{
    auto it = g_panels.find(handle);
    if (it == g_panels.end() || it->second.widget.isNull())
        return nullptr;
    return &it->second;
}

QWidget *RemovePanel(int handle)
{
    auto it = g_panels.find(handle);
    if (it == g_panels.end())
        return nullptr;
    QWidget *widget = it->second.widget.data();
    g_panels.erase(it);
    // Owned panels go with their owner's widget, so forget them too.
    std::vector<int> owned;
    for (const auto &[h, p] : g_panels)
        if (p.parent == handle)
            owned.push_back(h);
    for (int h : owned)
        RemovePanel(h);
    return widget;
}

std::vector<int> PanelHandles()
{
    std::vector<int> handles;
    for (const auto &[h, p] : g_panels)
        if (!p.widget.isNull())
            handles.push_back(h);
    return handles;
}

int FindControl(int panel, int control, Control *&out)
{
    out = nullptr;
    Panel *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    for (Control &c : p->controls) {
        if (c.id == control) {
            if (c.widget.isNull())
                return UIE_BAD_CONTROL;
            out = &c;
            return 0;
        }
    }
    return UIE_BAD_CONTROL;
}

CallbackScope::CallbackScope() { ++g_callbackDepth; }
CallbackScope::~CallbackScope() { --g_callbackDepth; }
int CallbackDepth() { return g_callbackDepth; }

void NoteModalDialog() { ++g_modalDialogs; }
long long ModalDialogCount() { return g_modalDialogs; }

} // namespace ui

QWidget *PanelWidget(int panel)
{
    ui::Panel *p = ui::FindPanel(panel);
    return p ? p->widget.data() : nullptr;
}

QWidget *ControlWidget(int panel, int control)
{
    ui::Control *c = nullptr;
    return ui::FindControl(panel, control, c) == 0 ? c->widget.data() : nullptr;
}
