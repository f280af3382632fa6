// The accessibility interfaces of the read-out, the slide, the switch and
// the lamp, and how a control finds the label that names it.
#include "platform/ui/accessible.h"

#include "platform/ui/readout.h"
#include "platform/ui/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>

#include <limits>

namespace ui {
namespace {

// A label's text as read aloud: a mnemonic's '&' is no character of it.
QString WithoutMnemonic(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (++i >= text.size())
                break;
        }
        out += text[i];
    }
    return out;
}

QLayout *LayoutHolding(QLayout *layout, const QWidget *w)
{
    if (!layout)
        return nullptr;
    if (layout->indexOf(const_cast<QWidget *>(w)) >= 0)
        return layout;
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout *found = LayoutHolding(layout->itemAt(i)->layout(), w))
            return found;
    return nullptr;
}

const QLabel *LabelBefore(const QWidget *w)
{
    const QWidget *parent = w->parentWidget();
    QLayout *layout = parent ? LayoutHolding(parent->layout(), w) : nullptr;
    if (!layout)
        return nullptr;
    if (auto *form = qobject_cast<QFormLayout *>(layout))
        return qobject_cast<const QLabel *>(form->labelForField(const_cast<QWidget *>(w)));
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(const_cast<QWidget *>(w)), &row, &column, &rows,
                              &columns);
        for (int c = column - 1; c >= 0; --c) {
            const QLayoutItem *item = grid->itemAtPosition(row, c);
            if (item && item->widget())
                return qobject_cast<const QLabel *>(item->widget());
        }
        return nullptr;
    }
    const int at = layout->indexOf(const_cast<QWidget *>(w));
    for (int i = at - 1; i >= 0; --i)
        if (QWidget *before = layout->itemAt(i)->widget())
            return qobject_cast<const QLabel *>(before);
    return nullptr;
}

// The part every interface here shares: the name from the label, the shown
// text as the value, and the value interface over a whole number.
class ShownValue : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    ShownValue(QWidget *w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return LabelText(widget());
        if (t == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = readOnly();
        return s;
    }

    QVariant currentValue() const override { return number(); }
    void setCurrentValue(const QVariant &) override {}
    QVariant minimumValue() const override { return std::numeric_limits<int>::min(); }
    QVariant maximumValue() const override { return std::numeric_limits<int>::max(); }
    QVariant minimumStepSize() const override { return 1; }

protected:
    virtual QString shown() const = 0;
    virtual int number() const = 0;
    virtual bool readOnly() const { return true; }
};

class ReadoutInterface : public ShownValue {
public:
    explicit ReadoutInterface(QzReadout *w) : ShownValue(w, QAccessible::StaticText) {}

protected:
    QzReadout *readout() const { return static_cast<QzReadout *>(widget()); }
    QString shown() const override { return readout()->text(); }
    int number() const override { return readout()->value(); }
};

// An input slide is a slider; an indicator slide shows what the program
// sets, exactly even beyond the bar's range.
class SlideInterface : public ShownValue {
public:
    explicit SlideInterface(QzSlide *w) : ShownValue(w, QAccessible::Slider) {}

    QAccessible::Role role() const override
    {
        return slide()->isIndicator() ? QAccessible::Indicator : QAccessible::Slider;
    }
    QVariant minimumValue() const override { return slide()->minimum(); }
    QVariant maximumValue() const override { return slide()->maximum(); }
    // An assistive tool moves an input slide as the operator would.
    void setCurrentValue(const QVariant &v) override
    {
        if (!slide()->isIndicator())
            slide()->editValue(v.toInt());
    }

protected:
    QzSlide *slide() const { return static_cast<QzSlide *>(widget()); }
    QString shown() const override { return slide()->shownText(); }
    int number() const override { return slide()->value(); }
    bool readOnly() const override { return slide()->isIndicator(); }
};

// A switch reads as a check box that shows the text of its state, and
// toggles as the operator's click or Space does.
class SwitchInterface : public QAccessibleWidget {
public:
    explicit SwitchInterface(QzSwitch *w) : QAccessibleWidget(w, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return LabelText(widget());
        if (t == QAccessible::Value)
            return sw()->isChecked() ? sw()->onText() : sw()->offText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = sw()->isChecked();
        return s;
    }
    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << toggleAction();
    }
    void doAction(const QString &name) override
    {
        if (name == toggleAction() && sw()->isEnabled())
            sw()->toggleByUser();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QzSwitch *sw() const { return static_cast<QzSwitch *>(widget()); }
};

class LedInterface : public QAccessibleWidget {
public:
    explicit LedInterface(QzLed *w) : QAccessibleWidget(w, QAccessible::Indicator) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return LabelText(widget());
        if (t == QAccessible::Value)
            return led()->isOn() ? QStringLiteral("on") : QStringLiteral("off");
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = led()->isOn();
        s.readOnly = true;
        return s;
    }

private:
    QzLed *led() const { return static_cast<QzLed *>(widget()); }
};

// Qt asks with each class name of the object's ancestry, most derived first.
QAccessibleInterface *Factory(const QString &key, QObject *object)
{
    if (key == QLatin1String("QzReadout"))
        return new ReadoutInterface(static_cast<QzReadout *>(object));
    if (key == QLatin1String("QzSlide"))
        return new SlideInterface(static_cast<QzSlide *>(object));
    if (key == QLatin1String("QzSwitch"))
        return new SwitchInterface(static_cast<QzSwitch *>(object));
    if (key == QLatin1String("QzLed"))
        return new LedInterface(static_cast<QzLed *>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleWidgets()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

QString LabelText(const QWidget *w)
{
    if (!w)
        return {};
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    if (const QWidget *parent = w->parentWidget()) {
        for (const QObject *o : parent->children()) {
            const auto *label = qobject_cast<const QLabel *>(o);
            if (label && label->buddy() == w)
                return WithoutMnemonic(label->text());
        }
    }
    const QLabel *before = LabelBefore(w);
    return before ? WithoutMnemonic(before->text()) : QString();
}

void NotifyValueShown(QWidget *w, int value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(w, value);
    QAccessible::updateAccessibility(&event);
}

void NotifyCheckedShown(QWidget *w)
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(w, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace ui
