// Which serial devices the COM drop-down offers and under which numbers:
// labels that tell the operator what a number reaches, numbers from 17 up
// for devices no lower number reaches (kept for the whole run), and opening
// a port by such a number. Devices are files in a temporary folder; the
// machine's list of serial devices is the test's own.
#include "support.h"

#include "fake_serial_machine.h"

#include "platform/rs232.h"
#include "platform/serial/catalog.h"
#include "platform/serial/names.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <unistd.h>

// Readable failures.
void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using qzan::test::FakeSerialMachine;

const QString kDash = QString(QChar(0x2014));

class PortList : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        machine.Install();
        FakeSerialMachine::UnmapAll(40);
    }
    void TearDown() override
    {
        machine.Remove();
        FakeSerialMachine::UnmapAll(40);
    }

    // A file standing in for a device node.
    QString Node(const QString &name)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    QString Link(const QString &name, const QString &target)
    {
        QDir().mkpath(QFileInfo(dir.filePath(name)).absolutePath());
        const QString path = dir.filePath(name);
        EXPECT_TRUE(QFile::link(target, path));
        return path;
    }
    static void Map(int port, const QString &device) { FakeSerialMachine::Map(port, device); }
    static SerialDevice Device(const QString &path, const QString &byId = {})
    {
        return FakeSerialMachine::Device(path, byId);
    }
    static std::vector<int> Numbers(const std::vector<PortChoice> &choices)
    {
        std::vector<int> out;
        for (const PortChoice &c : choices)
            out.push_back(c.number);
        return out;
    }
    static QString DeviceOf(int port)
    {
        QByteArray device;
        return ComDeviceFor(port, nullptr, device) ? QString::fromLocal8Bit(device) : QString();
    }

    QTemporaryDir dir;
    FakeSerialMachine machine;
};

TEST_F(PortList, labelsTellWhichDeviceANumberReachesAndWhatIsKnownOfIt)
{
    const QString adapter = Node("ttyUSB0");
    const QString byId = Link("by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", adapter);
    SerialDevice d = Device(adapter, byId);
    d.manufacturer = "FTDI";
    d.description = "FT232R USB UART";
    d.serialNumber = "A1B2C3";
    machine.devices = {d};
    PtyPair pty;
    const QString simulator = Link("qzan-com1", QString::fromStdString(pty.slave));
    Map(1, simulator);
    Map(2, dir.filePath("unplugged"));
    Map(3, adapter);
    Map(4, byId);

    std::vector<PortChoice> choices;
    ASSERT_TRUE(ListPortChoices({1, 2, 3, 4}, choices));
    ASSERT_EQ(choices.size(), 4u); // the adapter is reached: no extra item
    EXPECT_EQ(choices[0].label, "COM1 " + kDash + " " + simulator + " (" +
                                    QString::fromStdString(pty.slave) + ")");
    EXPECT_TRUE(choices[0].present); // a pseudo-terminal is no system-listed port, yet there
    EXPECT_EQ(choices[1].label, "COM2 " + kDash + " " + dir.filePath("unplugged") + " (not present)");
    EXPECT_FALSE(choices[1].present);
    EXPECT_EQ(choices[2].label,
              "COM3 " + kDash + " " + adapter +
                  " (usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0, FTDI, FT232R USB UART, serial A1B2C3)");
    // Reached through its by-id name, the node it leads to is what is new.
    EXPECT_EQ(choices[3].label, "COM4 " + kDash + " " + byId + " (" + adapter +
                                    ", FTDI, FT232R USB UART, serial A1B2C3)");
    EXPECT_EQ(choices[3].device, byId);
}

TEST_F(PortList, devicesNoNumberReachesGetNumbersFrom17InTheOrderOfTheirNames)
{
    const QString reached = Node("ttyUSB0");
    const QString usb10 = Node("ttyUSB10"), usb2 = Node("ttyUSB2"), acm = Node("ttyACM0");
    const QString acmById = Link("by-id/usb-Maker_Meter_42-if00", acm);
    machine.devices = {Device(usb10), Device(reached), Device(usb2), Device(acm, acmById)};
    Map(3, Link("sensor", reached)); // reached under another name is reached all the same

    std::vector<PortChoice> choices;
    ASSERT_TRUE(ListPortChoices({1, 2, 3}, choices));
    EXPECT_EQ(Numbers(choices), (std::vector<int>{1, 2, 3, 17, 18, 19}));
    // A device with a stable by-id name is reached by it, whatever node it
    // gets when it is plugged in again.
    EXPECT_EQ(choices[3].device, acmById);
    EXPECT_EQ(choices[4].device, usb2);
    EXPECT_EQ(choices[5].device, usb10);
    EXPECT_EQ(choices[4].label, "COM18 " + kDash + " " + usb2);
    EXPECT_TRUE(choices[5].present);

    EXPECT_EQ(DeviceOf(17), acmById);
    EXPECT_EQ(DeviceOf(19), usb10);
    EXPECT_EQ(DeviceOf(20), "/dev/ttyS19"); // a number no device was given
}

TEST_F(PortList, aDeviceKeepsItsNumberWhileOthersComeAndGo)
{
    const QString usb0 = Node("ttyUSB0"), usb1 = Node("ttyUSB1"), usb5 = Node("ttyUSB5");
    std::vector<PortChoice> choices;

    machine.devices = {Device(usb1)};
    ASSERT_TRUE(ListPortChoices({1}, choices));
    EXPECT_EQ(Numbers(choices), (std::vector<int>{1, 17}));

    // A device that sorts first but came later takes the next number.
    machine.devices = {Device(usb0), Device(usb1)};
    ASSERT_TRUE(ListPortChoices({1}, choices));
    EXPECT_EQ(Numbers(choices), (std::vector<int>{1, 17, 18}));
    EXPECT_EQ(choices[1].device, usb1);
    EXPECT_EQ(choices[2].device, usb0);

    // Unplugged, it leaves the list but keeps its number for its return.
    machine.devices = {Device(usb0)};
    ASSERT_TRUE(ListPortChoices({1}, choices));
    EXPECT_EQ(Numbers(choices), (std::vector<int>{1, 18}));
    EXPECT_EQ(DeviceOf(17), usb1);
    machine.devices = {Device(usb5), Device(usb0), Device(usb1)};
    ASSERT_TRUE(ListPortChoices({1}, choices));
    EXPECT_EQ(Numbers(choices), (std::vector<int>{1, 17, 18, 19}));
    EXPECT_EQ(choices[1].device, usb1);
    EXPECT_EQ(choices[3].device, usb5);

    // Its by-id name showing up later makes it no new device.
    machine.devices = {Device(usb5, Link("by-id/usb-late-if00", usb5))};
    ASSERT_TRUE(ListPortChoices({1}, choices));
    EXPECT_EQ(Numbers(choices), (std::vector<int>{1, 19}));
}

TEST_F(PortList, theVariableOfANumberWinsOverTheListAndLowNumbersNeverUseIt)
{
    const QString listed = Node("ttyUSB0"), chosen = Node("elsewhere");
    machine.devices = {Device(listed)};
    std::vector<PortChoice> choices;
    ASSERT_TRUE(ListPortChoices({}, choices));
    ASSERT_EQ(Numbers(choices), (std::vector<int>{17}));
    Map(17, chosen);
    EXPECT_EQ(DeviceOf(17), chosen);
    ::unsetenv("QZAN_COM17");
    EXPECT_EQ(DeviceOf(17), listed);
    EXPECT_EQ(DeviceOf(1), "/dev/ttyS0");
}

TEST_F(PortList, aListedNumberOpensItsDevice)
{
    PtyPair pty;
    machine.devices = {Device(QString::fromStdString(pty.slave))};
    std::vector<PortChoice> choices;
    ASSERT_TRUE(ListPortChoices({1}, choices));
    ASSERT_EQ(Numbers(choices), (std::vector<int>{1, 17}));

    ASSERT_EQ(OpenComConfig(17, "", 19200, COM_PARITY_NONE, 8, 1, 4096, 4096), 0)
        << ComLastErrorDetail(17);
    EXPECT_EQ(ComPortDevice(17), pty.slave);
    EXPECT_EQ(ComWrt(17, "hi", 2), 2);
    EXPECT_EQ(pty.receive(2), "hi");
    CloseCom(17);
}

} // namespace
