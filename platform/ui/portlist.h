// The panel file's combo boxes. One with the dynamic property `portList`
// (the COM drop-down) reads the serial devices again each time it opens and
// shows beside each port number the device it reaches; devices that none of
// its numbers reaches get items numbered from 17 up. The items' texts, their
// values and the events of a choice stay as the panel file made them.
#ifndef PLATFORM_UI_PORTLIST_H
#define PLATFORM_UI_PORTLIST_H

#include <QComboBox>

class QzComboBox : public QComboBox {
    Q_OBJECT
public:
    // What the list shows for an item (its text stays the port's name), and
    // which items the device list added and which name no device present.
    static constexpr int kLabelRole = Qt::UserRole + 1;
    static constexpr int kAddedRole = Qt::UserRole + 2;
    static constexpr int kAbsentRole = Qt::UserRole + 3;

    explicit QzComboBox(QWidget *parent = nullptr);

    bool isPortList() const;
    void showPopup() override;
    // Reads the devices present and updates the items; the current choice
    // stays, and no event is raised.
    void refreshPorts();

private:
    void fitPopupWidth();
};

#endif
