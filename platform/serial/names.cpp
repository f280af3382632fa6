// Port numbers to device paths.
#include "platform/serial/names.h"

#include "platform/serial/catalog.h"
#include "platform/serial/netaddress.h"

#include <QtGlobal>

#include <cstring>

namespace {

QByteArray SystemDefault(int port)
{
#if defined(Q_OS_WIN)
    return "COM" + QByteArray::number(port);
#else
    return "/dev/ttyS" + QByteArray::number(port - 1);
#endif
}

// Qt reads a bare name such as "ttyUSB0" as a device under /dev; say so in
// the path we show and lock, so that both name the same file.
QByteArray Normalised(const QByteArray &name)
{
    if (LooksLikeNetAddress(name))
        return name; // a serial server on the network, not a file
#if defined(Q_OS_UNIX)
    if (!name.startsWith('/') && !name.startsWith("./") && !name.startsWith("../"))
        return "/dev/" + name;
#endif
    return name;
}

} // namespace

bool ComDeviceFor(int port, const char *override, QByteArray &device)
{
    if (override && override[0] != '\0') {
        const std::size_t length = strnlen(override, kMaxDeviceName + 1);
        if (length > kMaxDeviceName) {
            device = "device name longer than " + QByteArray::number(kMaxDeviceName) + " bytes";
            return false;
        }
        device = Normalised(QByteArray(override, static_cast<qsizetype>(length)));
        return true;
    }
    const QByteArray name = "QZAN_COM" + QByteArray::number(port);
    const QByteArray variable = qgetenv(name.constData());
    if (variable.isEmpty()) {
        // Numbers above the drop-down's own reach the devices its list gave them.
        if (port >= kFirstExtraPort && ExtraPortDevice(port, device))
            return true;
        device = SystemDefault(port);
        return true;
    }
    if (variable.size() > kMaxDeviceName) {
        device = name + " longer than " + QByteArray::number(kMaxDeviceName) + " bytes";
        return false;
    }
    device = Normalised(variable);
    return true;
}
