// Control values: SetCtrlVal and GetCtrlVal for every kind of control.
// A value set by the program raises no event; a number that does not fit is
// clamped to the control's range, never converted with undefined behaviour.
#include "platform/ui/graph.h"
#include "platform/ui/readout.h"
#include "platform/ui/registry.h"
#include "platform/ui/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// Rounds `v` into [lo, hi]; false for NaN, which has no integer.
bool ToInt(double v, int lo, int hi, int &out)
{
    if (std::isnan(v))
        return false;
    v = std::clamp(v, static_cast<double>(lo), static_cast<double>(hi));
    out = static_cast<int>(std::lround(v));
    return true;
}

QString NumberText(double v)
{
    if (std::nearbyint(v) == v && std::fabs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    return QString::number(v, 'g', 10);
}

int SetNumber(ui::Control &c, double v)
{
    QWidget *w = c.widget;
    int i = 0;
    switch (c.kind) {
    case ui::Kind::Numeric: {
        auto *box = static_cast<QSpinBox *>(w);
        if (!ToInt(v, box->minimum(), box->maximum(), i))
            return UIE_BAD_ARGUMENT;
        const QSignalBlocker block(box);
        box->setValue(i);
        return 0;
    }
    case ui::Kind::Readout:
        if (!ToInt(v, INT_MIN, INT_MAX, i))
            return UIE_BAD_ARGUMENT;
        static_cast<QzReadout *>(w)->setValue(i);
        return 0;
    case ui::Kind::NumericFloat: {
        auto *box = static_cast<QDoubleSpinBox *>(w);
        if (std::isnan(v))
            return UIE_BAD_ARGUMENT;
        const QSignalBlocker block(box);
        box->setValue(std::clamp(v, box->minimum(), box->maximum()));
        return 0;
    }
    case ui::Kind::Slide: {
        auto *slide = static_cast<QzSlide *>(w);
        const bool exact = slide->isIndicator();
        if (!ToInt(v, exact ? INT_MIN : slide->minimum(), exact ? INT_MAX : slide->maximum(), i))
            return UIE_BAD_ARGUMENT;
        slide->setValue(i);
        return 0;
    }
    case ui::Kind::Ring: {
        auto *box = static_cast<QComboBox *>(w);
        if (std::isnan(v) || std::nearbyint(v) != v || v < INT_MIN || v > INT_MAX)
            return UIE_BAD_ARGUMENT;
        const int index = box->findData(static_cast<int>(v));
        if (index < 0)
            return UIE_BAD_ARGUMENT; // not one of its items: left as it is
        const QSignalBlocker block(box);
        box->setCurrentIndex(index);
        return 0;
    }
    case ui::Kind::Switch:
        if (std::isnan(v))
            return UIE_BAD_ARGUMENT;
        // Not blocked: labels that show the switch's state follow it.
        static_cast<QzSwitch *>(w)->setChecked(v != 0);
        return 0;
    case ui::Kind::Radio: {
        if (std::isnan(v))
            return UIE_BAD_ARGUMENT;
        const QSignalBlocker block(w);
        static_cast<QRadioButton *>(w)->setChecked(v != 0);
        return 0;
    }
    case ui::Kind::Led:
        if (std::isnan(v))
            return UIE_BAD_ARGUMENT;
        static_cast<QzLed *>(w)->setOn(v != 0);
        return 0;
    case ui::Kind::TextBox:
        static_cast<QLineEdit *>(w)->setText(NumberText(v));
        return 0;
    case ui::Kind::TextMessage:
        static_cast<QLabel *>(w)->setText(NumberText(v));
        w->adjustSize();
        return 0;
    default:
        return UIE_BAD_ARGUMENT; // buttons, graphs and timers hold no value
    }
}

int GetNumber(const ui::Control &c, double &v)
{
    const QWidget *w = c.widget;
    switch (c.kind) {
    case ui::Kind::Numeric:
        v = static_cast<const QSpinBox *>(w)->value();
        return 0;
    case ui::Kind::Readout:
        v = static_cast<const QzReadout *>(w)->value();
        return 0;
    case ui::Kind::NumericFloat:
        v = static_cast<const QDoubleSpinBox *>(w)->value();
        return 0;
    case ui::Kind::Slide:
        v = static_cast<const QzSlide *>(w)->value();
        return 0;
    case ui::Kind::Ring: {
        const QVariant data = static_cast<const QComboBox *>(w)->currentData();
        if (!data.isValid())
            return UIE_BAD_ARGUMENT; // an empty ring
        v = data.toInt();
        return 0;
    }
    case ui::Kind::Switch:
        v = static_cast<const QzSwitch *>(w)->isChecked() ? 1 : 0;
        return 0;
    case ui::Kind::Radio:
        v = static_cast<const QRadioButton *>(w)->isChecked() ? 1 : 0;
        return 0;
    case ui::Kind::Led:
        v = static_cast<const QzLed *>(w)->isOn() ? 1 : 0;
        return 0;
    default:
        return UIE_BAD_ARGUMENT;
    }
}

// Whole numbers of every control kind; a float control's value is
// truncated toward zero like a C conversion, within the int range.
int GetInteger(int panel, int control, int &value)
{
    ui::Control *c = nullptr;
    double v = 0;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    if (int rc = GetNumber(*c, v); rc != 0)
        return rc;
    v = std::clamp(std::trunc(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX));
    value = static_cast<int>(v);
    return 0;
}

int Set(int panel, int control, double v)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    return SetNumber(*c, v);
}

} // namespace

int SetCtrlVal(int panel, int control, int value)
{
    return Set(panel, control, static_cast<double>(value));
}

int SetCtrlVal(int panel, int control, unsigned int value)
{
    return Set(panel, control, static_cast<double>(value));
}

int SetCtrlVal(int panel, int control, double value) { return Set(panel, control, value); }

int SetCtrlVal(int panel, int control, const char *text)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    if (!text)
        return UIE_BAD_ARGUMENT;
    const QString s = QString::fromUtf8(text);
    if (c->kind == ui::Kind::TextBox) {
        auto *box = static_cast<QLineEdit *>(c->widget.data());
        box->setText(s);
        box->setCursorPosition(0); // a long status shows its beginning
        return 0;
    }
    if (c->kind == ui::Kind::TextMessage) {
        static_cast<QLabel *>(c->widget.data())->setText(s);
        c->widget->adjustSize();
        return 0;
    }
    return UIE_BAD_ARGUMENT;
}

int GetCtrlVal(int panel, int control, int &value) { return GetInteger(panel, control, value); }

int GetCtrlVal(int panel, int control, unsigned short &value)
{
    int v = 0;
    if (int rc = GetInteger(panel, control, v); rc != 0)
        return rc;
    value = static_cast<unsigned short>(static_cast<unsigned int>(v) & 0xFFFFu);
    return 0;
}

int GetCtrlVal(int panel, int control, float &value)
{
    double v = 0;
    if (int rc = GetCtrlVal(panel, control, v); rc != 0)
        return rc;
    value = static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX),
                                          static_cast<double>(FLT_MAX)));
    return 0;
}

int GetCtrlVal(int panel, int control, double &value)
{
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    return GetNumber(*c, value);
}

int GetCtrlVal(int panel, int control, char *text, std::size_t size)
{
    if (!text || size == 0)
        return UIE_BAD_ARGUMENT;
    text[0] = '\0';
    ui::Control *c = nullptr;
    if (int rc = ui::FindControl(panel, control, c); rc != 0)
        return rc;
    QString s;
    if (c->kind == ui::Kind::TextBox)
        s = static_cast<QLineEdit *>(c->widget.data())->text();
    else if (c->kind == ui::Kind::TextMessage)
        s = static_cast<QLabel *>(c->widget.data())->text();
    else
        return UIE_BAD_ARGUMENT;
    const QByteArray bytes = s.toUtf8();
    std::size_t n = std::min(static_cast<std::size_t>(bytes.size()), size - 1);
    // Cut on a character boundary: never leave half a UTF-8 sequence.
    if (n < static_cast<std::size_t>(bytes.size()))
        while (n > 0 && (static_cast<unsigned char>(bytes[static_cast<qsizetype>(n)]) & 0xC0) == 0x80)
            --n;
    std::memcpy(text, bytes.constData(), n);
    text[n] = '\0';
    return 0;
}
