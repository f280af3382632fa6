// The serial devices present, and the port numbers offered for them.
#include "platform/serial/catalog.h"

#include "platform/serial/names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>
#include <map>

namespace {

SerialScan g_scan = nullptr;
// Index i holds the device that port number kFirstExtraPort + i reaches.
std::vector<QByteArray> g_extra;

constexpr int kMaxExtra = kLastComPort - kFirstExtraPort + 1;

QString Canonical(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

// Orders ttyUSB2 before ttyUSB10, as a person reads them.
bool NaturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Leading zeros aside, the longer run is the larger number.
            QStringView na = QStringView(a).mid(i, ei - i), nb = QStringView(b).mid(j, ej - j);
            while (na.size() > 1 && na.front() == u'0')
                na = na.mid(1);
            while (nb.size() > 1 && nb.front() == u'0')
                nb = nb.mid(1);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (const int c = na.compare(nb); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// A legacy UART node (/dev/ttyS<n>) exists on most machines whether or not
// a UART is behind it; the kernel tells which ones have one.
bool IsLegacyUart(const QString &canonical)
{
    static const QRegularExpression pattern(QStringLiteral("^/dev/ttyS[0-9]+$"));
    return pattern.match(canonical).hasMatch();
}

bool UartBehind(const QString &canonical)
{
    QFile type(QStringLiteral("/sys/class/tty/") + QFileInfo(canonical).fileName() +
               QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    const QByteArray value = type.read(16).trimmed();
    return !value.isEmpty() && value != "0";
}

QString DeviceText(const QByteArray &device) { return QFile::decodeName(device); }

QString Label(int number, const QString &device, const QString &canonical,
              const SerialDevice *found, bool present)
{
    QString label = QStringLiteral("COM%1 ").arg(number) + QChar(0x2014) + u' ' + device;
    if (!present)
        return label + QStringLiteral(" (not present)");
    QStringList parts;
    if (!canonical.isEmpty() && canonical != device)
        parts << canonical;
    if (found) {
        if (!found->byId.isEmpty() && found->byId != device)
            parts << QFileInfo(found->byId).fileName();
        if (!found->manufacturer.isEmpty())
            parts << found->manufacturer;
        if (!found->description.isEmpty() && found->description != found->manufacturer)
            parts << found->description;
        if (!found->serialNumber.isEmpty())
            parts << QStringLiteral("serial ") + found->serialNumber;
    }
    if (!parts.isEmpty())
        label += QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + u')';
    return label;
}

QString KeyOf(const SerialDevice &d) { return d.byId.isEmpty() ? d.path : d.byId; }

// The extra number a device already has, or 0. A device is known by the name
// it was given, or by the node that name leads to now: its by-id link may
// appear only after its first listing, or lead to a new node after a re-plug.
int NumberOf(const SerialDevice &d, const QString &canonical)
{
    for (std::size_t i = 0; i < g_extra.size(); ++i) {
        const QString known = DeviceText(g_extra[i]);
        if (known == KeyOf(d) || known == d.path ||
            (!canonical.isEmpty() && Canonical(known) == canonical))
            return kFirstExtraPort + static_cast<int>(i);
    }
    return 0;
}

} // namespace

bool ScanSerialDevices(std::vector<SerialDevice> &out)
{
    out.clear();
    if (g_scan)
        return g_scan(out);
#if defined(Q_OS_UNIX)
    if (!QFileInfo(QStringLiteral("/dev")).isReadable())
        return false;
    // The stable names udev gives adapters, by the node they lead to; the
    // first name in order when there are several.
    std::map<QString, QString> byId;
    const QDir links(QStringLiteral("/dev/serial/by-id"));
    const QFileInfoList entries = links.entryInfoList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : entries) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            byId.emplace(target, link.absoluteFilePath());
    }
#endif
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice d;
        d.path = info.systemLocation();
        d.manufacturer = info.manufacturer().trimmed();
        d.description = info.description().trimmed();
        d.serialNumber = info.serialNumber().trimmed();
#if defined(Q_OS_UNIX)
        if (auto it = byId.find(Canonical(d.path)); it != byId.end()) {
            d.byId = it->second;
            byId.erase(it);
        }
#endif
        out.push_back(d);
    }
#if defined(Q_OS_UNIX)
    // A device that has a by-id name is a serial device even where the
    // system's list missed it.
    for (const auto &[target, link] : byId) {
        SerialDevice d;
        d.path = target;
        d.byId = link;
        out.push_back(d);
    }
#endif
    return true;
}

void SetSerialScanForTests(SerialScan scan) { g_scan = scan; }

bool ListPortChoices(const std::vector<int> &fixed, std::vector<PortChoice> &out)
{
    out.clear();
    std::vector<SerialDevice> devices;
    if (!ScanSerialDevices(devices))
        return false;
    std::vector<QString> nodes; // the canonical node of each device
    nodes.reserve(devices.size());
    for (const SerialDevice &d : devices)
        nodes.push_back(Canonical(d.path));
    std::vector<bool> reached(devices.size(), false);

    for (const int number : fixed) {
        PortChoice c;
        c.number = number;
        QByteArray device;
        if (!ValidComPort(number) || !ComDeviceFor(number, nullptr, device)) {
            c.device = ValidComPort(number) ? DeviceText(device) : QString();
            c.label = QStringLiteral("COM%1").arg(number);
            out.push_back(c);
            continue;
        }
        c.device = DeviceText(device);
        const QString canonical = Canonical(c.device);
        const SerialDevice *found = nullptr;
        for (std::size_t i = 0; i < devices.size() && !canonical.isEmpty(); ++i) {
            if (nodes[i] == canonical) {
                reached[i] = true;
                found = &devices[i];
            }
        }
        c.present = !canonical.isEmpty() &&
                    (found || !IsLegacyUart(canonical) || UartBehind(canonical));
        c.label = Label(number, c.device, canonical, found, c.present);
        out.push_back(c);
    }

    // Devices new to this run get the next free numbers, in the order of
    // their nodes; those seen before keep theirs.
    std::vector<std::size_t> fresh;
    std::map<int, std::size_t> numbered; // number -> device index
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (reached[i] || devices[i].path.isEmpty())
            continue;
        if (const int number = NumberOf(devices[i], nodes[i]); number != 0)
            numbered.emplace(number, i);
        else
            fresh.push_back(i);
    }
    std::sort(fresh.begin(), fresh.end(), [&](std::size_t a, std::size_t b) {
        return NaturalLess(devices[a].path, devices[b].path);
    });
    for (const std::size_t i : fresh) {
        if (static_cast<int>(g_extra.size()) >= kMaxExtra)
            break; // every number is taken; the rest stays unlisted
        g_extra.push_back(QFile::encodeName(KeyOf(devices[i])));
        numbered.emplace(kFirstExtraPort + static_cast<int>(g_extra.size()) - 1, i);
    }
    for (const auto &[number, i] : numbered) {
        PortChoice c;
        c.number = number;
        c.device = DeviceText(g_extra[static_cast<std::size_t>(number - kFirstExtraPort)]);
        c.present = true;
        c.label = Label(number, c.device, nodes[i], &devices[i], true);
        out.push_back(c);
    }
    return true;
}

bool ExtraPortDevice(int port, QByteArray &device)
{
    if (port < kFirstExtraPort || port - kFirstExtraPort >= static_cast<int>(g_extra.size()))
        return false;
    device = g_extra[static_cast<std::size_t>(port - kFirstExtraPort)];
    return true;
}

void ForgetExtraPorts() { g_extra.clear(); }
