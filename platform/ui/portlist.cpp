// The COM drop-down's list of devices.
#include "platform/ui/portlist.h"

#include "platform/serial/catalog.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <vector>

namespace {

// Paints an item's device label in place of its text, and an item whose
// device is missing greyed: still a choice, since the program then tells why
// it cannot open it.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString label = index.data(QzComboBox::kLabelRole).toString();
        if (!label.isEmpty())
            option->text = label;
        if (index.data(QzComboBox::kAbsentRole).toBool()) {
            option->font.setItalic(true);
            option->palette.setColor(QPalette::Text,
                                     option->palette.color(QPalette::Disabled, QPalette::Text));
        }
    }
};

struct Added {
    int number;
    QString label;
    bool absent;
};

} // namespace

QzComboBox::QzComboBox(QWidget *parent) : QComboBox(parent) {}

bool QzComboBox::isPortList() const { return property("portList").toBool(); }

void QzComboBox::showPopup()
{
    if (isPortList()) {
        refreshPorts();
        fitPopupWidth();
    }
    QComboBox::showPopup();
}

void QzComboBox::refreshPorts()
{
    if (!dynamic_cast<PortItemDelegate *>(itemDelegate()))
        setItemDelegate(new PortItemDelegate(this));

    const QVariant current = currentData();
    // The panel file's own items, and the items the device list added before.
    const QSignalBlocker block(this); // the program hears only what the user chooses
    for (int i = count() - 1; i >= 0; --i)
        if (itemData(i, kAddedRole).toBool())
            removeItem(i);
    std::vector<int> fixed;
    for (int i = 0; i < count(); ++i)
        fixed.push_back(itemData(i).toInt());

    std::vector<PortChoice> choices;
    const bool listed = ListPortChoices(fixed, choices);
    // A list that cannot be read leaves the plain items.
    for (int i = 0; i < count(); ++i) {
        const PortChoice *c = listed ? &choices[static_cast<std::size_t>(i)] : nullptr;
        setItemData(i, c ? QVariant(c->label) : QVariant(), kLabelRole);
        setItemData(i, c ? QVariant(c->label) : QVariant(), Qt::ToolTipRole);
        setItemData(i, c ? QVariant(!c->present) : QVariant(), kAbsentRole);
    }
    std::vector<Added> added;
    for (std::size_t k = fixed.size(); k < choices.size(); ++k)
        added.push_back({choices[k].number, choices[k].label, !choices[k].present});
    // The current choice stays a choice, also when its device went away.
    const int currentNumber = current.isValid() ? current.toInt() : 0;
    const bool currentListed =
        !current.isValid() ||
        std::find(fixed.begin(), fixed.end(), currentNumber) != fixed.end() ||
        std::any_of(added.begin(), added.end(),
                    [&](const Added &a) { return a.number == currentNumber; });
    if (!currentListed) {
        QByteArray device;
        const QString where = ExtraPortDevice(currentNumber, device)
                                  ? QString::fromLocal8Bit(device)
                                  : QStringLiteral("no device");
        added.push_back({currentNumber,
                         QStringLiteral("COM%1 ").arg(currentNumber) + QChar(0x2014) + u' ' +
                             where + QStringLiteral(" (not present)"),
                         true});
        std::sort(added.begin(), added.end(),
                  [](const Added &a, const Added &b) { return a.number < b.number; });
    }
    for (const Added &a : added) {
        addItem(QStringLiteral("COM%1").arg(a.number), a.number);
        const int i = count() - 1;
        setItemData(i, true, kAddedRole);
        setItemData(i, a.label, kLabelRole);
        setItemData(i, a.label, Qt::ToolTipRole);
        setItemData(i, a.absent, kAbsentRole);
    }
    setCurrentIndex(current.isValid() ? findData(current) : -1);
}

void QzComboBox::fitPopupWidth()
{
    // Device names are longer than the box: the list is as wide as they need.
    QAbstractItemView *list = view();
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, list->sizeHintForIndex(model()->index(i, modelColumn())).width());
    const int frame = 2 * list->frameWidth();
    const int bar = list->verticalScrollBar()->isVisible() || count() > maxVisibleItems()
                        ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list)
                        : 0;
    list->setMinimumWidth(widest + frame + bar);
}
