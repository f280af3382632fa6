// A machine of the test's own in place of the system's list of serial
// devices: what it "has" is what the test puts in `devices`, and its list
// cannot be read while `readable` is false. While one is installed no test
// sees the real machine's ports.
#ifndef TESTS_SUPPORT_FAKE_SERIAL_MACHINE_H
#define TESTS_SUPPORT_FAKE_SERIAL_MACHINE_H

#include "platform/serial/catalog.h"

#include <QString>

#include <vector>

namespace qzan::test {

class FakeSerialMachine {
public:
    FakeSerialMachine() = default;
    ~FakeSerialMachine() { Remove(); }
    FakeSerialMachine(const FakeSerialMachine &) = delete;
    FakeSerialMachine &operator=(const FakeSerialMachine &) = delete;

    // Puts this machine in place of the real one, with no devices, a list
    // that can be read and no port numbers from 17 up given yet.
    void Install();
    // The real machine again; the numbers given are forgotten.
    void Remove();

    // A device at `path` with an optional /dev/serial/by-id link.
    static SerialDevice Device(const QString &path, const QString &byId = {});
    // Port number `port` reaches `device` (QZAN_COM<port>).
    static void Map(int port, const QString &device);
    // Ports 1 to `last` back to their system devices.
    static void UnmapAll(int last);

    std::vector<SerialDevice> devices;
    bool readable = true;

private:
    static bool Scan(std::vector<SerialDevice> &out);
    bool installed_ = false;
};

} // namespace qzan::test

#endif
