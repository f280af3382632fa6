// A port on a serial server: the connection is made with a bounded wait
// that keeps the windows painted, Telnet is spoken when asked, data bytes
// wait in a queue of the input queue's size, and a connection that ends is
// taken as an unplugged cable: reported once, closed quietly.
#include "platform/serial/netport.h"

#include "platform/runtime/internal.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>

#if defined(Q_OS_UNIX)
#include <sys/ioctl.h>
#endif

namespace {

constexpr int kDefaultTimeoutMs = 2000;
constexpr int kConnectTimeoutMs = 4000;

// How long after the line should have carried the last write a purge of
// the server's transmit buffer is still sent.
constexpr double kLineSlackMs = 10.0;

double LineMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

int Clamped(long long value) { return static_cast<int>(std::min<long long>(value, INT_MAX)); }

// Bytes the system holds for the socket that Qt has not fetched yet.
long long SystemPending(qintptr descriptor)
{
#if defined(Q_OS_UNIX)
    int count = 0;
    if (descriptor >= 0 && ::ioctl(static_cast<int>(descriptor), FIONREAD, &count) == 0)
        return count;
#else
    (void)descriptor;
#endif
    return 0;
}

} // namespace

NetPort::NetPort(int number, QObject *parent)
    : ComLine(number, parent)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetPort::onReadyRead);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &NetPort::onBytesWritten);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetPort::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_open && !m_vanished && !m_closing)
            vanish("the server closed the connection");
    });
}

NetPort::~NetPort()
{
    m_events.remove();
    closeSocket();
}

int NetPort::ConnectTimeoutMs() { return kConnectTimeoutMs; }

int NetPort::open(const QByteArray &device, const ComSettings &settings)
{
    close();
    m_device = device;
    m_detail.clear();
    QByteArray why;
    if (!ParseNetAddress(device, m_address, why)) {
        m_detail = device + ": " + why;
        return COM_CANNOT_OPEN;
    }
    rt::OperationScope scope;
    m_inputQueue = settings.inputQueue;
    m_outputQueue = settings.outputQueue;
    m_in.clear();
    m_telnet = telnet::Session{};
    const QDeadlineTimer deadline(kConnectTimeoutMs);
    if (!connectTo(m_address, deadline)) {
        closeSocket();
        return COM_CANNOT_OPEN;
    }
    m_open = true;
    if (m_address.kind == NetAddress::Kind::Telnet && !setUpLine(settings, deadline)) {
        const QByteArray reason = m_detail;
        close();
        m_detail = reason;
        return COM_CANNOT_OPEN;
    }
    // A start bit, the data bits, a parity bit when there is one, the stop bits.
    const int bits = 1 + settings.dataBits + (settings.parity == QSerialPort::NoParity ? 0 : 1) +
                     (settings.stopBits == QSerialPort::TwoStop ? 2 : 1);
    m_msPerByte = 1000.0 * bits / settings.baudRate;
    m_lineBusyUntilMs = 0;
    m_timeoutMs = kDefaultTimeoutMs;
    return 0;
}

bool NetPort::connectTo(const NetAddress &address, const QDeadlineTimer &deadline)
{
    m_failed = false;
    m_connecting = true;
    m_socket.setReadBufferSize(m_inputQueue); // a reader that stalls stalls the server, not memory
    m_socket.connectToHost(QString::fromUtf8(address.host), address.port);
    const bool connected = waitFor(
        [this] { return m_failed || m_socket.state() == QAbstractSocket::ConnectedState; },
        deadline);
    m_connecting = false;
    if (connected && !m_failed) {
        // Each request is one small write: send it now, not after an acknowledgement.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        return true;
    }
    if (m_failed)
        m_detail = m_device + ": " + failure(m_error);
    else
        m_detail = m_device + ": no connection within " +
                   QByteArray::number(kConnectTimeoutMs / 1000) + " s (timed out)";
    return false;
}

QByteArray NetPort::failure(QAbstractSocket::SocketError error) const
{
    const QByteArray qt = m_socket.errorString().toLocal8Bit();
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return "connection refused: no server listens on port " +
               QByteArray::number(m_address.port) + " of " + m_address.host;
    case QAbstractSocket::HostNotFoundError:
        return "host \"" + m_address.host + "\" unknown (" + qt + ")";
    case QAbstractSocket::NetworkError:
        return "host or network unreachable (" + qt + ")";
    case QAbstractSocket::SocketTimeoutError:
        return "timed out (" + qt + ")";
    default:
        return qt;
    }
}

bool NetPort::setUpLine(const ComSettings &settings, const QDeadlineTimer &deadline)
{
    send(m_telnet.greeting(true));
    if (!waitFor([this] { return m_telnet.comPortAccepted() || m_telnet.comPortRefused() ||
                                 !isOpen(); },
                 deadline) ||
        !isOpen()) {
        m_detail = m_device + (isOpen() ? ": the server did not answer the Telnet set-up within " +
                                              QByteArray::number(kConnectTimeoutMs / 1000) +
                                              " s (timed out)"
                                        : ": the server closed the connection during set-up");
        return false;
    }
    if (!m_telnet.comPortAccepted()) {
        m_detail = m_device +
                   ": the server refuses to let the line be set (RFC 2217); a raw port is "
                   "reached as tcp://HOST:PORT";
        return false;
    }
    using namespace telnet;
    m_telnet.clearAnswers();
    // Parity and stop bits: the option's codes differ from Qt's for parity.
    unsigned char parity = 1;
    switch (settings.parity) {
    case QSerialPort::OddParity: parity = 2; break;
    case QSerialPort::EvenParity: parity = 3; break;
    case QSerialPort::MarkParity: parity = 4; break;
    case QSerialPort::SpaceParity: parity = 5; break;
    default: parity = 1; break;
    }
    const unsigned char stop = settings.stopBits == QSerialPort::TwoStop ? 2 : 1;
    QByteArray commands = BaudRateCommand(static_cast<std::uint32_t>(settings.baudRate));
    commands += ComPortCommand(SetDataSize, static_cast<unsigned char>(settings.dataBits));
    commands += ComPortCommand(SetParity, parity);
    commands += ComPortCommand(SetStopSize, stop);
    commands += ComPortCommand(SetControl, ControlNoFlow);
    send(commands);
    // The line is ready once the server has answered the last setting.
    if (!waitFor([this] { return m_telnet.answered(SetControl) || !isOpen(); }, deadline) ||
        !isOpen()) {
        m_detail = m_device + (isOpen() ? ": the server did not confirm the line settings within " +
                                              QByteArray::number(kConnectTimeoutMs / 1000) +
                                              " s (timed out)"
                                        : ": the server closed the connection during set-up");
        return false;
    }
    const std::uint32_t baud = m_telnet.answer(SetBaudRate);
    if (m_telnet.answered(SetBaudRate) && baud != 0 &&
        baud != static_cast<std::uint32_t>(settings.baudRate)) {
        m_detail = m_device + ": the server set " + QByteArray::number(baud) +
                   " baud instead of " + QByteArray::number(settings.baudRate);
        return false;
    }
    return true;
}

bool NetPort::waitFor(const std::function<bool()> &done, const QDeadlineTimer &deadline)
{
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto wake = [&loop] { loop.quit(); };
    const QMetaObject::Connection links[] = {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &loop, wake),
        QObject::connect(&m_socket, &QTcpSocket::connected, &loop, wake),
        QObject::connect(&m_socket, &QTcpSocket::disconnected, &loop, wake),
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &loop, wake),
    };
    bool met = done();
    while (!met && !deadline.hasExpired()) {
        limit.start(Clamped(std::max<qint64>(deadline.remainingTime(), 1)));
        // The windows keep painting; the operator's input waits for the end.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        met = done();
    }
    for (const auto &link : links)
        QObject::disconnect(link);
    return met;
}

void NetPort::close()
{
    m_events.remove();
    closeSocket();
    m_vanished = false;
}

void NetPort::closeSocket()
{
    rt::OperationScope scope;
    m_closing = true;
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_socket.abort();
    }
    m_closing = false;
    m_open = false;
    m_in.clear();
}

void NetPort::send(const QByteArray &bytes)
{
    if (bytes.isEmpty() || m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    (void)m_socket.write(bytes);
    (void)m_socket.flush(); // to the system now, not on a later pass of the event loop
}

int NetPort::setHandshake(bool on)
{
    if (m_address.kind != NetAddress::Kind::Telnet)
        return on ? COM_IO_ERROR : 0; // the server owns a raw port's line
    rt::OperationScope scope;
    send(telnet::ComPortCommand(telnet::SetControl,
                                on ? telnet::ControlHardware : telnet::ControlNoFlow));
    settle();
    return 0;
}

int NetPort::flushInput()
{
    rt::OperationScope scope;
    fetchPending();
    QByteArray raw = m_socket.readAll();
    bool stray = !m_in.isEmpty();
    if (m_address.kind == NetAddress::Kind::Telnet) {
        QByteArray data, reply; // commands still count; the data goes
        m_telnet.feed(raw.constData(), raw.size(), data, reply);
        send(reply);
        stray = stray || !data.isEmpty();
        // The server's own buffer of what the line brought, when the line
        // brought something nobody asked for: a server that passes bytes on
        // at once holds nothing else, and its purge holds back the request
        // that follows by several milliseconds (a twentieth of the cycle's
        // rate at 19200 baud).
        if (stray)
            send(telnet::ComPortCommand(telnet::PurgeData, telnet::PurgeReceive));
    }
    m_in.clear();
    settle();
    return 0;
}

int NetPort::flushOutput()
{
    rt::OperationScope scope;
    // Every write went to the system at once; what the server may still
    // hold for the line is purged where it can be asked to. Once the line
    // has had the time to carry the last write there is nothing left, and
    // the purge would only hold back the next request.
    if (m_address.kind == NetAddress::Kind::Telnet && LineMs() < m_lineBusyUntilMs + kLineSlackMs)
        send(telnet::ComPortCommand(telnet::PurgeData, telnet::PurgeTransmit));
    settle();
    return 0;
}

int NetPort::write(const char *data, int count)
{
    rt::OperationScope scope;
    if (!isOpen())
        return COM_IO_ERROR;
    if (m_address.kind == NetAddress::Kind::Telnet)
        send(telnet::Escape(data, count));
    else
        send(QByteArray(data, count));
    m_lineBusyUntilMs = std::max(m_lineBusyUntilMs, LineMs()) + count * m_msPerByte;
    // A server that does not take bytes holds the writer as a full line would.
    const QDeadlineTimer deadline(m_timeoutMs);
    bool late = false;
    while (isOpen() && m_socket.bytesToWrite() > m_outputQueue) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !m_socket.waitForBytesWritten(Clamped(left))) {
            late = true;
            break;
        }
    }
    if (isOpen() && m_socket.bytesToWrite() == 0) {
        m_events.noteOutputEmpty();
        scheduleDelivery();
    }
    const bool lost = !isOpen();
    settle();
    if (lost)
        return COM_IO_ERROR;
    return late ? COM_TIMEOUT : count;
}

int NetPort::read(char *data, int count)
{
    // Qt's wait emits readyRead inside itself; within this scope that only
    // schedules the receive callback, which must not run inside a read.
    rt::OperationScope scope;
    pull();
    long long got = 0;
    const QDeadlineTimer deadline(m_timeoutMs);
    while (true) {
        const long long take = std::min<long long>(count - got, m_in.size());
        if (take > 0) {
            std::copy_n(m_in.constData(), take, data + got);
            m_in.remove(0, take);
            got += take;
            pull();
        }
        if (got >= count || !isOpen())
            break;
        const qint64 left = std::max<qint64>(deadline.remainingTime(), 0);
        if (left == 0 && SystemPending(m_socket.socketDescriptor()) == 0)
            break;
        if (!m_socket.waitForReadyRead(Clamped(left)) &&
            (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState))
            break;
    }
    settle();
    return static_cast<int>(got);
}

int NetPort::waiting()
{
    rt::OperationScope scope;
    fetchPending();
    pull();
    const int count = Clamped(m_in.size());
    settle();
    return count;
}

void NetPort::fetchPending()
{
    // Until the event loop has run, Qt knows nothing of what the system holds.
    if (isOpen() && SystemPending(m_socket.socketDescriptor()) > 0)
        (void)m_socket.waitForReadyRead(0);
}

void NetPort::installCallback(int mask, int notifyCount, int eventCharacter,
                              ComCallback callback, void *callbackData)
{
    rt::OperationScope scope; // the first check runs later, never inside this call
    m_events.install(mask, notifyCount, eventCharacter, callback, callbackData);
    scheduleDelivery();
}

void NetPort::onReadyRead() { pull(); }

void NetPort::pull()
{
    // Only as much as the input queue has room for; the rest waits with Qt
    // and the system, and TCP holds the server back.
    const long long room = m_inputQueue - m_in.size();
    if (room <= 0 || m_socket.bytesAvailable() == 0)
        return;
    const QByteArray raw = m_socket.read(room);
    if (raw.isEmpty())
        return;
    QByteArray data;
    if (m_address.kind == NetAddress::Kind::Telnet) {
        QByteArray reply;
        m_telnet.feed(raw.constData(), raw.size(), data, reply);
        send(reply);
    } else {
        data = raw;
    }
    if (data.isEmpty())
        return;
    m_in.append(data);
    m_events.noteArrival(data.constData(), data.size());
    scheduleDelivery();
}

void NetPort::onBytesWritten()
{
    if (m_socket.bytesToWrite() == 0) {
        m_events.noteOutputEmpty();
        scheduleDelivery();
    }
}

void NetPort::onError(QAbstractSocket::SocketError error)
{
    // Our own waits report time-outs; they end nothing.
    if (error == QAbstractSocket::SocketTimeoutError)
        return;
    if (m_connecting) {
        m_failed = true;
        m_error = error;
        return;
    }
    if (!m_open || m_vanished || m_closing)
        return;
    vanish(error == QAbstractSocket::RemoteHostClosedError
               ? QByteArray("the server closed the connection")
               : m_socket.errorString().toLocal8Bit());
}

void NetPort::vanish(const QByteArray &reason)
{
    m_vanished = true;
    m_events.remove();
    m_detail = m_device + ": " + reason;
    std::fprintf(stderr, "COM%d closed: %s\n", m_number, m_detail.constData());
    std::fflush(stderr);
    // Closed at the end of our own call, or else on the next pass of the loop.
    QMetaObject::invokeMethod(this, [this] { settle(); }, Qt::QueuedConnection);
}

void NetPort::settle()
{
    // A loss is noticed inside a Qt signal; the socket is closed at the end
    // of our own call or on a later pass of the event loop.
    if (m_vanished && m_open)
        closeSocket();
}
