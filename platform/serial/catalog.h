// The serial devices present on this machine and the port numbers the COM
// drop-down offers for them: its own numbers as they are mapped, and from 17
// up one number for each device present that none of those reaches. Those
// numbers stay with their device for the rest of the run, so that a choice
// made in the list still means the same adapter when the list is read again.
#ifndef PLATFORM_SERIAL_CATALOG_H
#define PLATFORM_SERIAL_CATALOG_H

#include <QByteArray>
#include <QString>

#include <vector>

struct SerialDevice {
    QString path;         // the system's node, e.g. /dev/ttyUSB0
    QString byId;         // its /dev/serial/by-id link, or empty
    QString manufacturer; // each empty when unknown
    QString description;
    QString serialNumber;
};

// Fills `out` with the serial devices present; false when the system's list
// cannot be read.
using SerialScan = bool (*)(std::vector<SerialDevice> &out);
bool ScanSerialDevices(std::vector<SerialDevice> &out);
// Tests put a machine of their own in place of the real one; nullptr
// restores the real scan.
void SetSerialScanForTests(SerialScan scan);

constexpr int kFirstExtraPort = 17;

struct PortChoice {
    int number = 0;
    QString device; // what opening the number reaches
    QString label;  // e.g. "COM3 — /dev/ttyUSB0 (FTDI, serial A1B2C3)"
    bool present = false;
};

// The choices for the numbers in `fixed`, in that order, then those for the
// devices present that none of them reaches, by number. False, with `out`
// empty, when the devices present cannot be listed.
bool ListPortChoices(const std::vector<int> &fixed, std::vector<PortChoice> &out);

// The device that number `port` (17 or above) was given in this run.
bool ExtraPortDevice(int port, QByteArray &device);
// Forgets every number given (tests start from a clean table).
void ForgetExtraPorts();

#endif
