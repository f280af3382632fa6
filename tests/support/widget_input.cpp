// Widget input through Qt Test.
#include "widget_input.h"

#include "platform/inspect.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

namespace qzan::test {

bool Press(int panel, int control)
{
    QWidget *w = ControlWidget(panel, control);
    if (!w)
        return false;
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
    return true;
}

bool Release(int panel, int control)
{
    QWidget *w = ControlWidget(panel, control);
    if (!w)
        return false;
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
    return true;
}

bool Click(int panel, int control) { return Press(panel, control) && Release(panel, control); }

bool PressKey(int panel, int control, int key)
{
    QWidget *w = ControlWidget(panel, control);
    if (!w)
        return false;
    w->setFocus();
    QTest::keyClick(w, static_cast<Qt::Key>(key));
    return true;
}

bool ChooseItem(int panel, int control, int index)
{
    auto *combo = qobject_cast<QComboBox *>(ControlWidget(panel, control));
    if (!combo || index < 0 || index >= combo->count())
        return false;
    combo->setFocus();
    combo->showPopup();
    combo->view()->setCurrentIndex(combo->model()->index(index, 0));
    QTest::keyClick(combo->view(), Qt::Key_Return);
    return true;
}

bool TypeNumber(int panel, int control, double value)
{
    QWidget *w = ControlWidget(panel, control);
    auto *edit = w ? w->findChild<QLineEdit *>() : nullptr;
    if (!edit)
        return false;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(value));
    QTest::keyClick(edit, Qt::Key_Return);
    return true;
}

} // namespace qzan::test
