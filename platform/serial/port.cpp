// A numbered serial port on Qt SerialPort: opening, the queues, reads that
// wait without letting program callbacks in, the receive callback's events,
// and a quiet close when the device goes away.
#include "platform/serial/port.h"

#include "platform/runtime/internal.h"
#include "platform/serial/explain.h"
#include "platform/serial/os.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

constexpr int kDefaultTimeoutMs = 2000;
// Errors in a row with no byte moving, after which a device that does not
// look hung up is taken for gone all the same: better closed than a storm.
constexpr int kErrorRunLimit = 64;

int Clamped(long long value) { return static_cast<int>(std::min<long long>(value, INT_MAX)); }

} // namespace

ComPort::ComPort(int number, QObject *parent)
    : ComLine(number, parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &ComPort::onReadyRead);
    connect(&m_port, &QSerialPort::bytesWritten, this, &ComPort::onBytesWritten);
    connect(&m_port, &QSerialPort::errorOccurred, this, &ComPort::onError);
}

ComPort::~ComPort()
{
    m_events.remove();
    closeDevice();
}

int ComPort::open(const QByteArray &device, const ComSettings &settings)
{
    close();
    m_device = device;
    m_detail.clear();
    QByteArray reason;
    if (!serial_os::Claim(device, m_claim, reason)) {
        m_detail = device + ": " + reason;
        return COM_CANNOT_OPEN;
    }
    rt::OperationScope scope; // Qt reports (harmless) errors while it opens
    m_port.setPortName(QString::fromLocal8Bit(device));
    if (!m_port.open(QIODevice::ReadWrite)) {
        serial_os::Release(m_claim); // first: the holder named below must not be us
        m_detail = device + ": " + m_port.errorString().toLocal8Bit();
        // Qt refuses a device whose lock file another program holds with a
        // text that does not say so.
        if (m_port.error() == QSerialPort::PermissionError)
            m_detail += " (busy or not permitted): " + serial_explain::Holder(device);
        return COM_CANNOT_OPEN;
    }
    m_open = true;
    if (!m_port.setBaudRate(settings.baudRate) || !m_port.setDataBits(settings.dataBits) ||
        !m_port.setParity(settings.parity) || !m_port.setStopBits(settings.stopBits)) {
        const QByteArray why = m_port.errorString().toLocal8Bit();
        close();
        m_detail = device + ": the line settings were refused: " + why;
        return COM_CANNOT_OPEN;
    }
    (void)m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_inputQueue = settings.inputQueue;
    m_outputQueue = settings.outputQueue;
    m_port.setReadBufferSize(m_inputQueue); // nobody reading must not mean memory growing
    m_peek.assign(static_cast<std::size_t>(m_inputQueue), '\0');
    serial_os::RequestLowLatency(m_port.handle());
    m_timeoutMs = kDefaultTimeoutMs;
    m_scanned = 0;
    m_errorRun = 0;
    return 0;
}

void ComPort::close()
{
    m_events.remove();
    closeDevice();
    m_vanished = false;
}

void ComPort::closeDevice()
{
    if (m_open) {
        rt::OperationScope scope;
        m_closing = true; // closing a hung-up device reports errors of its own
        m_port.close();
        m_closing = false;
        m_open = false;
    }
    serial_os::Release(m_claim);
    m_scanned = 0;
}

int ComPort::setHandshake(bool on)
{
    rt::OperationScope scope;
    const bool done =
        m_port.setFlowControl(on ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    settle();
    // A device without modem lines (a pseudo-terminal) has no handshake to switch off.
    return done || !on ? 0 : COM_IO_ERROR;
}

int ComPort::flushInput()
{
    rt::OperationScope scope;
    const bool done = m_port.clear(QSerialPort::Input); // Qt's buffer and the driver's
    m_scanned = 0;
    resumeReading();
    settle();
    return done ? 0 : COM_IO_ERROR;
}

int ComPort::flushOutput()
{
    rt::OperationScope scope;
    const bool done = m_port.clear(QSerialPort::Output);
    settle();
    return done ? 0 : COM_IO_ERROR;
}

int ComPort::write(const char *data, int count)
{
    rt::OperationScope scope; // Qt signals bytes written from inside its own calls
    long long queued = 0;
    bool lost = false;
    const QDeadlineTimer deadline(m_timeoutMs);
    while (queued < count && isOpen()) {
        // The live cycle answers each frame with the next request: hand it
        // to the system now rather than on a later pass of the event loop.
        if (serial_os::kWritesNow && m_port.bytesToWrite() == 0) {
            QByteArray error;
            const long long took =
                serial_os::WriteNow(m_port.handle(), data + queued, count - queued, error);
            if (took == -1) {
                vanish(error);
                lost = true;
                break;
            }
            if (took > 0) {
                queued += took;
                continue;
            }
        }
        const long long room = m_outputQueue - m_port.bytesToWrite();
        if (room > 0) {
            const qint64 put = m_port.write(data + queued, std::min(room, count - queued));
            if (put <= 0)
                break;
            queued += put;
            if (!serial_os::kWritesNow)
                (void)m_port.flush(); // where we cannot write ourselves, Qt pushes now
            continue;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !m_port.waitForBytesWritten(Clamped(left)))
            break;
    }
    if (queued > 0 && isOpen() && m_port.bytesToWrite() == 0) {
        m_events.noteOutputEmpty();
        scheduleDelivery();
    }
    settle();
    if (queued > 0 || count == 0)
        return static_cast<int>(queued);
    return lost || !isOpen() ? COM_IO_ERROR : COM_TIMEOUT;
}

int ComPort::read(char *data, int count)
{
    // Qt's wait emits readyRead inside itself; within this scope that only
    // schedules the receive callback, which must not run inside a read.
    rt::OperationScope scope;
    long long got = readBuffered(data, count);
    const QDeadlineTimer deadline(m_timeoutMs);
    while (got < count && isOpen()) {
        // With no time left, still take what the system already holds.
        const qint64 left = std::max<qint64>(deadline.remainingTime(), 0);
        if (left == 0 && serial_os::PendingInput(m_port.handle()) == 0)
            break;
        if (!m_port.waitForReadyRead(Clamped(left)))
            break;
        got += readBuffered(data + got, count - got);
    }
    resumeReading();
    settle();
    return static_cast<int>(got);
}

long long ComPort::readBuffered(char *data, long long count)
{
    const qint64 got = m_port.read(data, count);
    if (got <= 0)
        return 0;
    m_scanned = std::max<long long>(0, m_scanned - got);
    return got;
}

int ComPort::waiting()
{
    const int count = Clamped(waitingNow());
    settle();
    return count;
}

long long ComPort::waitingNow()
{
    // Until the event loop has run, Qt's count misses what the system holds.
    return m_port.bytesAvailable() + serial_os::PendingInput(m_port.handle());
}

void ComPort::installCallback(int mask, int notifyCount, int eventCharacter, ComCallback callback,
                              void *callbackData)
{
    rt::OperationScope scope; // the first check runs later, never inside this call
    m_events.install(mask, notifyCount, eventCharacter, callback, callbackData);
    // What waits already, in Qt's buffer or still with the system, is not
    // news for the event character.
    m_scanned = waitingNow();
    scheduleDelivery();
}

void ComPort::onReadyRead()
{
    m_errorRun = 0;
    const long long available = m_port.bytesAvailable();
    const long long fresh = available - m_scanned;
    m_scanned = std::max(m_scanned, available); // old bytes may still be with the system
    if (fresh <= 0 || !m_events.installed())
        return;
    const char *tail = nullptr;
    if (m_events.wantsEventCharacter()) {
        const long long room = static_cast<long long>(m_peek.size());
        // Qt's buffer never outgrows the input queue, so the new bytes fit.
        if (available <= room && m_port.peek(m_peek.data(), available) == available)
            tail = m_peek.data() + (available - fresh);
    }
    m_events.noteArrival(tail, fresh);
    scheduleDelivery();
}

void ComPort::onBytesWritten()
{
    m_errorRun = 0;
    if (m_port.bytesToWrite() == 0) {
        m_events.noteOutputEmpty();
        scheduleDelivery();
    }
}

void ComPort::onError(QSerialPort::SerialPortError error)
{
    // NoError comes on open, UnsupportedOperationError from the modem lines
    // of a pseudo-terminal, TimeoutError from our own waits: none is a fault.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
        error != QSerialPort::WriteError)
        return;
    if (!m_open || m_vanished || m_closing)
        return;
    const serial_os::HangUp hangUp = serial_os::Probe(m_port.handle());
    const bool gone =
        hangUp == serial_os::HangUp::Yes ||
        (hangUp == serial_os::HangUp::Unknown && error == QSerialPort::ResourceError) ||
        ++m_errorRun >= kErrorRunLimit;
    if (gone)
        vanish(hangUp == serial_os::HangUp::Yes ? QByteArray("the other end hung up")
                                                : m_port.errorString().toLocal8Bit());
    // Either way, not from inside Qt's own call: close the vanished port, or
    // restart reading, which Qt stops after a read that found nothing.
    scheduleUpkeep();
}

void ComPort::vanish(const QByteArray &reason)
{
    m_vanished = true;
    m_events.remove();
    m_detail = m_device + ": " + reason;
    std::fprintf(stderr, "COM%d closed: %s\n", m_number, m_detail.constData());
    std::fflush(stderr);
}

void ComPort::scheduleUpkeep()
{
    if (m_upkeepPosted)
        return;
    m_upkeepPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_upkeepPosted = false;
            settle();
            resumeReading();
        },
        Qt::QueuedConnection);
}

void ComPort::settle()
{
    // A loss is noticed inside a Qt signal; the close waits for the end of
    // our own call or a later pass of the event loop, out of Qt's way.
    if (m_vanished && m_open)
        closeDevice();
}

void ComPort::resumeReading()
{
    // Qt stops reading when its buffer is full or a read found nothing, and
    // a read served from its buffer alone does not start it again.
    if (isOpen())
        m_port.setReadBufferSize(m_inputQueue);
}
