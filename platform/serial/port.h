// One numbered serial port: the Qt port behind it, its queues and time-out,
// the receive callback, and what happens when the device vanishes under it.
#ifndef PLATFORM_SERIAL_PORT_H
#define PLATFORM_SERIAL_PORT_H

#include "platform/serial/events.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

#include <functional>
#include <vector>

struct ComSettings {
    qint32 baudRate;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
    int inputQueue;
    int outputQueue;
};

class ComPort : public QObject {
public:
    ComPort(int number, QObject *parent);
    ~ComPort() override;
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    // 0, or COM_CANNOT_OPEN with the device and the reason in detail().
    int open(const QByteArray &device, const ComSettings &settings);
    void close(); // also removes the callback and forgets a vanished device
    bool isOpen() const { return m_open && !m_vanished; }
    bool hasVanished() const { return m_vanished; }

    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int setHandshake(bool on);
    int flushInput();
    int flushOutput();
    int write(const char *data, int count);
    int read(char *data, int count);
    int waiting();
    void installCallback(int mask, int notifyCount, int eventCharacter, ComCallback callback,
                         void *callbackData);
    void removeCallback() { m_events.remove(); }

    const QByteArray &device() const { return m_device; }
    const QByteArray &detail() const { return m_detail; }
    void setDetail(const QByteArray &detail) { m_detail = detail; }

private:
    void onReadyRead();
    void onBytesWritten();
    void onError(QSerialPort::SerialPortError error);
    void scheduleDelivery();
    void deliver();
    void vanish(const QByteArray &reason);
    void scheduleUpkeep();
    void settle();
    void closeDevice();
    void resumeReading();
    long long readBuffered(char *data, long long count);
    long long waitingNow();

    const int m_number;
    QSerialPort m_port;
    ComEvents m_events;
    std::function<void()> m_deliver; // built once: a dispatch then costs no allocation
    std::vector<char> m_peek;        // where new bytes are looked at for the event character
    QByteArray m_device;
    QByteArray m_detail;
    int m_claim = -1;
    int m_timeoutMs = 2000;
    int m_inputQueue = 4096;
    int m_outputQueue = 4096;
    long long m_scanned = 0; // bytes at the head of the input already looked at
    int m_errorRun = 0;      // errors since data last moved
    bool m_open = false;
    bool m_vanished = false;
    bool m_closing = false;
    bool m_delivering = false;
    bool m_upkeepPosted = false;
};

#endif
