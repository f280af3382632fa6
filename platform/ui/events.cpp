// Turns what the user does to a control or a panel window into the program's
// callback events, by the control's kind.
//
// Callbacks may run long nested loops (the measurement cycle runs inside the
// Run button's commit) and may dim, hide or discard what raised them, so
// after a callback returns nothing here trusts the widget without checking.
#include "platform/ui/events.h"

#include "platform/runtime/internal.h"
#include "platform/ui/widgets.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

namespace ui {
namespace {

// Runs the program's callback unless its panel was discarded meanwhile.
void CallControl(int panel, int control, CtrlCallback callback, int event)
{
    if (!FindPanel(panel))
        return;
    // After a close, a press released later must not start a cycle.
    if (rt::Quitting() && event != EV_TIMER_TICK)
        return;
    CallbackScope scope;
    callback(panel, control, event, nullptr, 0, 0);
}

class ControlEvents : public QObject {
public:
    ControlEvents(QWidget *w, Kind kind, int panel, int control, CtrlCallback callback)
        : QObject(w), m_widget(w), m_kind(kind), m_panel(panel), m_control(control),
          m_callback(callback)
    {
        watch(w);
        for (QWidget *child : w->findChildren<QWidget *>())
            watch(child);
        connectKind();
    }

    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void watch(QWidget *w) { w->installEventFilter(this); }
    void connectKind();

    bool enabled() const { return m_widget && m_widget->isEnabled(); }

    // Events go through the run-time's dispatch: while another run-time
    // operation (a serial read, a modal popup) is in progress they wait.
    void raise(int event)
    {
        const int panel = m_panel, control = m_control;
        const CtrlCallback callback = m_callback;
        rt::Dispatch(this, event, [=] { CallControl(panel, control, callback, event); });
    }
    void raiseIfEnabled(int event)
    {
        if (enabled())
            raise(event);
    }
    // A change the user made to a ring, switch or radio button: both events
    // belong to one action, so the second follows even when the first one's
    // callback dimmed the control.
    void raiseChangeAndCommit()
    {
        if (!enabled())
            return;
        const QPointer<ControlEvents> self(this);
        raise(EV_VALUE_CHANGED);
        if (self)
            raise(EV_COMMIT);
    }

    bool pressOnButton(QMouseEvent *e);
    bool releaseOnButton(QMouseEvent *e);
    void keyboardClick();

    QPointer<QWidget> m_widget;
    Kind m_kind;
    int m_panel, m_control;
    CtrlCallback m_callback;

    // A press propagated from a child to the control arrives a second time.
    quint64 m_lastPressTime = ~quint64{0};
    QPointF m_lastPressPos;

    bool m_edited = false;       // a numeric entry changed since it was last confirmed
    bool m_enterPressed = false; // the entry's editingFinished comes from Enter

    // Buttons: the state of the mouse press that raised left-click.
    bool m_pressArmed = false;
    bool m_inPressCallback = false;
    bool m_releasedInPress = false;
    bool m_releasedInside = false;
    // Buttons: a keyboard click's left-click callback is running.
    bool m_inKeyClick = false;
};

void ControlEvents::connectKind()
{
    QWidget *w = m_widget;
    switch (m_kind) {
    case Kind::Button:
        // Only the keyboard (space, a mnemonic) clicks: the mouse's press and
        // release are taken in the event filter.
        connect(static_cast<QAbstractButton *>(w), &QAbstractButton::clicked, this,
                [this] { keyboardClick(); });
        break;
    case Kind::Radio:
        connect(static_cast<QAbstractButton *>(w), &QAbstractButton::clicked, this,
                [this] { raiseChangeAndCommit(); });
        break;
    case Kind::Ring:
        // `activated` comes for every choice the user makes, the same item
        // again included, and never for the program's own changes.
        connect(static_cast<QComboBox *>(w), &QComboBox::activated, this,
                [this] { raiseChangeAndCommit(); });
        break;
    case Kind::Switch:
        connect(static_cast<QzSwitch *>(w), &QzSwitch::toggledByUser, this,
                [this] { raiseChangeAndCommit(); });
        break;
    case Kind::Slide: {
        auto *slide = static_cast<QzSlide *>(w);
        connect(slide, &QzSlide::valueEdited, this, [this] { raiseIfEnabled(EV_VALUE_CHANGED); });
        connect(slide, &QzSlide::editFinished, this, [this] { raiseIfEnabled(EV_COMMIT); });
        break;
    }
    case Kind::Numeric:
    case Kind::NumericFloat: {
        auto *box = static_cast<QAbstractSpinBox *>(w);
        auto changed = [this] {
            m_edited = true;
            raiseIfEnabled(EV_VALUE_CHANGED);
        };
        auto stepped = [this] {
            m_edited = false;
            raiseIfEnabled(EV_COMMIT);
        };
        if (m_kind == Kind::Numeric) {
            auto *spin = static_cast<QzSpinBox *>(w);
            connect(spin, &QSpinBox::valueChanged, this, changed);
            connect(spin, &QzSpinBox::stepped, this, stepped);
        } else {
            auto *spin = static_cast<QzDoubleSpinBox *>(w);
            connect(spin, &QDoubleSpinBox::valueChanged, this, changed);
            connect(spin, &QzDoubleSpinBox::stepped, this, stepped);
        }
        // Enter confirms always; leaving the field confirms an edit only.
        connect(box, &QAbstractSpinBox::editingFinished, this, [this] {
            const bool enter = m_enterPressed;
            m_enterPressed = false;
            if (!enter && !m_edited)
                return;
            m_edited = false;
            raiseIfEnabled(EV_COMMIT);
        });
        break;
    }
    case Kind::Timer:
        connect(static_cast<QzTimer *>(w), &QzTimer::tick, this,
                [this] { raise(EV_TIMER_TICK); });
        break;
    default:
        break;
    }
}

bool ControlEvents::eventFilter(QObject *watched, QEvent *e)
{
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(e);
        if (me->button() != Qt::LeftButton || !enabled())
            return false;
        if (me->timestamp() == m_lastPressTime && me->globalPosition() == m_lastPressPos)
            return false; // the same press, passed on from a child
        m_lastPressTime = me->timestamp();
        m_lastPressPos = me->globalPosition();
        if (m_kind == Kind::Button && watched == m_widget)
            return pressOnButton(me);
        raise(EV_LEFT_CLICK);
        return false;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (watched == m_widget && (key == Qt::Key_Return || key == Qt::Key_Enter))
            m_enterPressed = true;
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (m_kind == Kind::Button && watched == m_widget)
            return releaseOnButton(static_cast<QMouseEvent *>(e));
        return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        // Focus moving into a drop-down's own list is no focus change.
        if (watched == m_widget &&
            static_cast<QFocusEvent *>(e)->reason() != Qt::PopupFocusReason)
            raiseIfEnabled(e->type() == QEvent::FocusIn ? EV_GOT_FOCUS : EV_LOST_FOCUS);
        return false;
    default:
        return false;
    }
}

// Left-click is raised before the button sees the press. Its callback may
// run a nested loop (a background teach) or a modal popup (the send
// command's file popup), during which the release comes and goes.
bool ControlEvents::pressOnButton(QMouseEvent *)
{
    if (m_inPressCallback || m_inKeyClick)
        return true; // a second press while the first click's callback runs
    m_pressArmed = true;
    m_releasedInPress = false;
    m_inPressCallback = true;
    const long long modalBefore = ModalDialogCount();
    const QPointer<ControlEvents> self(this);
    raise(EV_LEFT_CLICK);
    if (!self)
        return true;
    m_inPressCallback = false;

    if (m_releasedInPress) {
        // The release already happened: the press is over, commit now, and
        // keep the button from going down for a release that will not come.
        m_pressArmed = false;
        if (m_releasedInside)
            raise(EV_COMMIT);
        return true;
    }
    if (ModalDialogCount() != modalBefore) {
        m_pressArmed = false; // the dialog took the release
        return true;
    }
    return false; // the button goes down and waits for its release
}

// The commit of a mouse press is raised here rather than from `clicked`, so
// that it also comes when the press's own callback dimmed the button (the
// background teach dims its button and ends on the commit).
bool ControlEvents::releaseOnButton(QMouseEvent *me)
{
    if (me->button() != Qt::LeftButton || !m_pressArmed)
        return false;
    const bool inside = m_widget && m_widget->rect().contains(me->position().toPoint());
    if (m_inPressCallback) {
        m_releasedInPress = true;
        m_releasedInside = inside;
        return true;
    }
    m_pressArmed = false;
    // Up without a click: QAbstractButton then clicks for keys only.
    if (auto *button = qobject_cast<QAbstractButton *>(m_widget.data()))
        button->setDown(false);
    if (inside)
        raise(EV_COMMIT);
    return false;
}

// A keyboard click is a whole click, as the mouse delivers one: left-click,
// then commit once the left-click's callback has returned, also when that
// callback ran a nested loop (the background teach) or dimmed the button.
void ControlEvents::keyboardClick()
{
    if (!enabled() || m_inKeyClick || m_inPressCallback)
        return; // a key repeated while the first click's callback still runs
    m_inKeyClick = true;
    const QPointer<ControlEvents> self(this);
    raise(EV_LEFT_CLICK);
    if (!self)
        return;
    m_inKeyClick = false;
    raise(EV_COMMIT);
}

class PanelEvents : public QObject {
public:
    PanelEvents(QWidget *w, int panel, PanelCallback callback)
        : QObject(w), m_panel(panel), m_callback(callback)
    {
        w->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::Close:
            // The program decides what closing means (quit, or hide the popup).
            e->ignore();
            raise(EV_CLOSE);
            return true;
        case QEvent::WindowActivate:
            raise(EV_GOT_FOCUS);
            return false;
        case QEvent::WindowDeactivate:
            raise(EV_LOST_FOCUS);
            return false;
        default:
            return false;
        }
    }

private:
    void raise(int event)
    {
        if (!m_callback)
            return;
        const int panel = m_panel;
        const PanelCallback callback = m_callback;
        rt::Dispatch(this, event, [=] {
            if (!FindPanel(panel) || rt::Quitting())
                return;
            CallbackScope scope;
            callback(panel, event, nullptr, 0, 0);
        });
    }

    int m_panel;
    PanelCallback m_callback;
};

} // namespace

void BindControlEvents(QWidget *widget, Kind kind, int panel, int control, CtrlCallback callback)
{
    if (widget && callback)
        new ControlEvents(widget, kind, panel, control, callback);
}

void BindPanelEvents(QWidget *panelWidget, int panel, PanelCallback callback)
{
    if (panelWidget)
        new PanelEvents(panelWidget, panel, callback);
}

} // namespace ui
