// The COM drop-down of the real panel: opening it reads the serial devices
// again and shows what each port number reaches, devices that no number
// reaches become choices from 17 up, and none of it changes the items'
// names, their values, the current choice or the events a choice raises.
#include "support.h"

#include "fake_serial_machine.h"

#include "platform/serial/catalog.h"
#include "platform/ui/portlist.h"

#include <QAbstractItemView>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <string>

namespace {

using qzan::test::FakeSerialMachine;

using Events = std::vector<int>;

class ComDropDown : public PanelsTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        machine.Install();
        // Every number reaches a file of the test's, so the system's own
        // ports play no part.
        for (int n = 1; n <= 16; ++n)
            Map(n, dir.filePath(QStringLiteral("absent%1").arg(n)));
        PanelsTest::SetUp();
        ClearEvents();
    }
    void TearDown() override
    {
        Box()->hidePopup();
        PanelsTest::TearDown();
        machine.Remove();
        FakeSerialMachine::UnmapAll(16);
    }

    QzComboBox *Box() const { return qobject_cast<QzComboBox *>(Control(panel, PANEL_DropDCom)); }

    QString Node(const QString &name)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    static void Map(int port, const QString &device) { FakeSerialMachine::Map(port, device); }
    static SerialDevice Device(const QString &path) { return FakeSerialMachine::Device(path); }

    // Opens the list as the operator does.
    void Open()
    {
        QTest::mouseClick(Box(), Qt::LeftButton);
        ASSERT_TRUE(Box()->view()->isVisible());
    }
    QString Label(int index) const { return Box()->itemData(index, QzComboBox::kLabelRole).toString(); }
    int Value() const
    {
        int port = 0;
        GetCtrlVal(panel, PANEL_DropDCom, port);
        return port;
    }

    QTemporaryDir dir;
    FakeSerialMachine machine;
};

const QString kDash = QString(QChar(0x2014));

TEST_F(ComDropDown, openingShowsTheDeviceOfEachNumberAndKeepsNamesAndValues)
{
    SerialDevice adapter = Device(Node("ttyUSB0"));
    adapter.manufacturer = "FTDI";
    adapter.serialNumber = "A1B2C3";
    machine.devices = {adapter};
    Map(3, adapter.path);

    Open();
    ASSERT_EQ(Box()->count(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Box()->itemText(i), QStringLiteral("COM%1").arg(i + 1));
        EXPECT_EQ(Box()->itemData(i).toInt(), i + 1);
    }
    EXPECT_EQ(Label(2), "COM3 " + kDash + " " + adapter.path + " (FTDI, serial A1B2C3)");
    EXPECT_FALSE(Box()->itemData(2, QzComboBox::kAbsentRole).toBool());
    EXPECT_EQ(Label(0), "COM1 " + kDash + " " + dir.filePath("absent1") + " (not present)");
    EXPECT_TRUE(Box()->itemData(0, QzComboBox::kAbsentRole).toBool());
    EXPECT_EQ(Box()->itemData(2, Qt::ToolTipRole).toString(), Label(2));
    // The list is wide enough for its longest label.
    const QFontMetrics metrics(Box()->view()->font());
    EXPECT_GE(Box()->view()->width(), metrics.horizontalAdvance(Label(2)));
    // Reading the devices raised nothing and chose nothing.
    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_LEFT_CLICK}));
    EXPECT_EQ(Value(), 1);
}

TEST_F(ComDropDown, aDeviceNoNumberReachesIsChosenAsNumber17)
{
    const QString stray = Node("ttyACM0");
    machine.devices = {Device(stray)};

    Open();
    ASSERT_EQ(Box()->count(), 17);
    EXPECT_EQ(Box()->itemText(16), "COM17");
    EXPECT_EQ(Label(16), "COM17 " + kDash + " " + stray);
    ClearEvents();
    QTest::keyClick(Box()->view(), Qt::Key_End);
    QTest::keyClick(Box()->view(), Qt::Key_Return);

    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_VALUE_CHANGED, EV_COMMIT}));
    EXPECT_EQ(Value(), 17);
    QByteArray device;
    ASSERT_TRUE(ExtraPortDevice(17, device));
    EXPECT_EQ(QString::fromLocal8Bit(device), stray);
}

TEST_F(ComDropDown, theChoiceStaysWhenItsDeviceIsGoneAtTheNextOpening)
{
    const QString stray = Node("ttyUSB4");
    machine.devices = {Device(stray)};
    Open();
    Box()->hidePopup();
    ASSERT_EQ(SetCtrlVal(panel, PANEL_DropDCom, 17), 0);
    ClearEvents();

    machine.devices.clear(); // unplugged
    Open();
    ASSERT_EQ(Box()->count(), 17);
    EXPECT_EQ(Box()->currentIndex(), 16);
    EXPECT_EQ(Value(), 17);
    EXPECT_EQ(Label(16), "COM17 " + kDash + " " + stray + " (not present)");
    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_LEFT_CLICK}));

    // Another choice lets the absent one go at the next opening.
    Box()->hidePopup();
    ASSERT_EQ(SetCtrlVal(panel, PANEL_DropDCom, 2), 0);
    Open();
    EXPECT_EQ(Box()->count(), 16);
    EXPECT_EQ(Value(), 2);
}

TEST_F(ComDropDown, aListThatCannotBeReadLeavesThePlainItems)
{
    machine.devices = {Device(Node("ttyUSB0"))};
    Open();
    Box()->hidePopup();
    ASSERT_EQ(Box()->count(), 17);

    machine.readable = false;
    Open();
    EXPECT_EQ(Box()->count(), 16);
    for (int i = 0; i < Box()->count(); ++i) {
        EXPECT_EQ(Box()->itemText(i), QStringLiteral("COM%1").arg(i + 1));
        EXPECT_FALSE(Box()->itemData(i, QzComboBox::kLabelRole).isValid()) << i;
        EXPECT_FALSE(Box()->itemData(i, Qt::ToolTipRole).isValid()) << i;
    }
    // And choosing from it is as before.
    ClearEvents();
    QTest::keyClick(Box()->view(), Qt::Key_Down);
    QTest::keyClick(Box()->view(), Qt::Key_Return);
    EXPECT_EQ(EventsOf(PANEL_DropDCom), (Events{EV_VALUE_CHANGED, EV_COMMIT}));
    EXPECT_EQ(Value(), 2);
}

} // namespace
