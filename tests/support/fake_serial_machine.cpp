// The test's own list of serial devices.
#include "fake_serial_machine.h"

#include <cstdlib>
#include <string>

namespace qzan::test {

namespace {

// The scan hook is a plain function: it reads the machine installed last.
FakeSerialMachine *g_installed = nullptr;

} // namespace

void FakeSerialMachine::Install()
{
    devices.clear();
    readable = true;
    ForgetExtraPorts();
    g_installed = this;
    installed_ = true;
    SetSerialScanForTests(Scan);
}

void FakeSerialMachine::Remove()
{
    if (!installed_)
        return;
    installed_ = false;
    if (g_installed == this) {
        SetSerialScanForTests(nullptr);
        g_installed = nullptr;
    }
    ForgetExtraPorts();
}

bool FakeSerialMachine::Scan(std::vector<SerialDevice> &out)
{
    if (!g_installed || !g_installed->readable)
        return false;
    out = g_installed->devices;
    return true;
}

SerialDevice FakeSerialMachine::Device(const QString &path, const QString &byId)
{
    SerialDevice d;
    d.path = path;
    d.byId = byId;
    return d;
}

void FakeSerialMachine::Map(int port, const QString &device)
{
    ::setenv(("QZAN_COM" + std::to_string(port)).c_str(), device.toLocal8Bit().constData(), 1);
}

void FakeSerialMachine::UnmapAll(int last)
{
    for (int n = 1; n <= last; ++n)
        ::unsetenv(("QZAN_COM" + std::to_string(n)).c_str());
}

} // namespace qzan::test
