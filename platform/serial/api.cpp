// The serial-port operations the program calls: port numbers, argument
// checks and error codes in front of the numbered ports.
#include "platform/rs232.h"

#include "platform/serial/names.h"
#include "platform/serial/netaddress.h"
#include "platform/serial/netport.h"
#include "platform/serial/port.h"
#include "platform/serial/tap.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int kMinQueue = 64;
constexpr int kMaxQueue = 1 << 20;
constexpr double kMaxTimeoutSeconds = INT_MAX / 1000.0;

struct Slot {
    QPointer<ComLine> port;
    QByteArray device; // what ComPortDevice last answered
    QByteArray detail; // a failure before there was a port to keep it
};
Slot g_slots[kLastComPort + 1];
QByteArray g_outsideDetail;
ComTap g_tap = nullptr;
void *g_tapData = nullptr;

ComLine *Existing(int port) { return ValidComPort(port) ? g_slots[port].port.data() : nullptr; }

ComLine *Opened(int port)
{
    ComLine *com = Existing(port);
    return com && com->isOpen() ? com : nullptr;
}

bool Vanished(int port)
{
    const ComLine *com = Existing(port);
    return com && com->hasVanished();
}

int Refuse(ComLine &com, int code, const QByteArray &why)
{
    com.setDetail(why);
    return code;
}

bool ToParity(int parity, QSerialPort::Parity &out)
{
    static const QSerialPort::Parity kParities[] = {
        QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    if (parity < 0 || parity > 4)
        return false;
    out = kParities[parity];
    return true;
}

bool ToDataBits(int bits, QSerialPort::DataBits &out)
{
    if (bits < 5 || bits > 8)
        return false;
    out = static_cast<QSerialPort::DataBits>(bits);
    return true;
}

bool ToStopBits(int bits, QSerialPort::StopBits &out)
{
    if (bits != 1 && bits != 2)
        return false;
    out = bits == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop;
    return true;
}

int QueueSize(int size)
{
    return size < kMinQueue ? kMinQueue : size > kMaxQueue ? kMaxQueue : size;
}

} // namespace

int OpenComConfig(int port, const char *deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    Slot &slot = g_slots[port];
    if (!QCoreApplication::instance()) {
        slot.detail = "COM" + QByteArray::number(port) + ": the run-time is not started";
        return COM_UNKNOWN_SYSTEM_ERROR;
    }
    QByteArray device;
    const bool named = ComDeviceFor(port, deviceName, device);
    // A serial device and a serial server are reached by different kinds of port.
    const bool network = named && LooksLikeNetAddress(device);
    if (slot.port && network != (dynamic_cast<NetPort *>(slot.port.data()) != nullptr)) {
        slot.port->close();
        slot.port->deleteLater(); // a callback of it may be running further up
        slot.port.clear();
    }
    if (!slot.port) {
        if (network)
            slot.port = new NetPort(port, QCoreApplication::instance());
        else
            slot.port = new ComPort(port, QCoreApplication::instance());
    }
    ComLine &com = *slot.port;
    com.close();
    slot.detail.clear();

    ComSettings settings{};
    if (baudRate <= 0 || baudRate > INT_MAX)
        return Refuse(com, COM_ERROR,
                      "baud rate " + QByteArray::number(qlonglong(baudRate)) + " is not possible");
    settings.baudRate = static_cast<qint32>(baudRate);
    if (!ToParity(parity, settings.parity) || !ToDataBits(dataBits, settings.dataBits) ||
        !ToStopBits(stopBits, settings.stopBits))
        return Refuse(com, COM_ERROR,
                      "parity " + QByteArray::number(parity) + ", data bits " +
                          QByteArray::number(dataBits) + ", stop bits " +
                          QByteArray::number(stopBits) + " are not possible");
    if (inputQueueSize < 0 || outputQueueSize < 0)
        return Refuse(com, COM_ERROR, "a queue size is negative");
    settings.inputQueue = QueueSize(inputQueueSize);
    settings.outputQueue = QueueSize(outputQueueSize);

    if (!named)
        return Refuse(com, COM_CANNOT_OPEN, device);
    return com.open(device, settings);
}

int CloseCom(int port)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    if (ComLine *com = Existing(port))
        com->close();
    return 0;
}

int SetComTime(int port, double seconds)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    ComLine *com = Opened(port);
    if (!com)
        return COM_NOT_OPEN;
    if (!(seconds >= 0.0)) // also refuses NaN
        return COM_ERROR;
    com->setTimeout(static_cast<int>(std::lround(std::min(seconds, kMaxTimeoutSeconds) * 1000.0)));
    return 0;
}

int SetCTSMode(int port, int mode)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    ComLine *com = Opened(port);
    if (!com)
        return COM_NOT_OPEN;
    if (mode != 0 && mode != 1)
        return COM_ERROR;
    return com->setHandshake(mode == 1);
}

int FlushInQ(int port)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    ComLine *com = Opened(port);
    if (!com)
        return COM_NOT_OPEN;
    if (g_tap) {
        const int unread = com->waiting();
        g_tap(port, COM_TAP_DISCARDED, nullptr, unread > 0 ? unread : 0, g_tapData);
    }
    return com->flushInput();
}

int FlushOutQ(int port)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    ComLine *com = Opened(port);
    return com ? com->flushOutput() : COM_NOT_OPEN;
}

int ComWrt(int port, const char *buffer, int count)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    ComLine *com = Opened(port);
    if (!com)
        return COM_NOT_OPEN;
    if (count < 0 || (count > 0 && !buffer))
        return COM_ERROR;
    if (count == 0)
        return 0;
    const int queued = com->write(buffer, count);
    if (g_tap && queued > 0)
        g_tap(port, COM_TAP_SENT, buffer, queued, g_tapData);
    return queued;
}

int ComRd(int port, char *buffer, int count)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    if (Vanished(port))
        return 0; // nothing will come; the caller's own wait runs into its time-out
    ComLine *com = Opened(port);
    if (!com)
        return COM_NOT_OPEN;
    if (count < 0 || (count > 0 && !buffer))
        return COM_ERROR;
    if (count == 0)
        return 0;
    const int got = com->read(buffer, count);
    if (g_tap && got > 0)
        g_tap(port, COM_TAP_RECEIVED, buffer, got, g_tapData);
    return got;
}

int GetInQLen(int port)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    if (Vanished(port))
        return 0;
    ComLine *com = Opened(port);
    return com ? com->waiting() : COM_NOT_OPEN;
}

int InstallComCallback(int port, int eventMask, int notifyCount, int eventCharacter,
                       ComCallback callback, void *callbackData)
{
    if (!ValidComPort(port))
        return COM_INVALID_PORT;
    if (eventMask == 0 || !callback) {
        if (ComLine *com = Existing(port))
            com->removeCallback();
        return 0;
    }
    ComLine *com = Opened(port);
    if (!com)
        return COM_NOT_OPEN;
    com->installCallback(eventMask, notifyCount, eventCharacter, callback, callbackData);
    return 0;
}

const char *ComPortDevice(int port)
{
    if (!ValidComPort(port))
        return "";
    Slot &slot = g_slots[port];
    const ComLine *com = slot.port.data();
    if (com && (com->isOpen() || com->hasVanished()))
        slot.device = com->device();
    else if (!ComDeviceFor(port, nullptr, slot.device))
        slot.device.clear();
    return slot.device.constData();
}

const char *ComLastErrorDetail(int port)
{
    if (!ValidComPort(port)) {
        g_outsideDetail = "COM" + QByteArray::number(port) + ": port numbers run from " +
                          QByteArray::number(kFirstComPort) + " to " +
                          QByteArray::number(kLastComPort);
        return g_outsideDetail.constData();
    }
    const Slot &slot = g_slots[port];
    if (slot.port)
        return slot.port->detail().constData();
    return slot.detail.constData();
}

void SetComTap(ComTap tap, void *tapData)
{
    g_tap = tap;
    g_tapData = tap ? tapData : nullptr;
}
