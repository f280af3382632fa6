// One numbered serial port: the Qt port behind it, its queues and time-out,
// the receive callback, and what happens when the device vanishes under it.
#ifndef PLATFORM_SERIAL_PORT_H
#define PLATFORM_SERIAL_PORT_H

#include "platform/serial/events.h"
#include "platform/serial/line.h"

#include <QByteArray>
#include <QSerialPort>

#include <functional>
#include <vector>

class ComPort : public ComLine {
public:
    ComPort(int number, QObject *parent);
    ~ComPort() override;
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    // 0, or COM_CANNOT_OPEN with the device and the reason in detail().
    int open(const QByteArray &device, const ComSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_open && !m_vanished; }
    bool hasVanished() const override { return m_vanished; }

    void setTimeout(int milliseconds) override { m_timeoutMs = milliseconds; }
    int setHandshake(bool on) override;
    int flushInput() override;
    int flushOutput() override;
    int write(const char *data, int count) override;
    int read(char *data, int count) override;
    int waiting() override;
    void installCallback(int mask, int notifyCount, int eventCharacter, ComCallback callback,
                         void *callbackData) override;

private:
    long long waitingForEvents() override { return waitingNow(); }
    void onReadyRead();
    void onBytesWritten();
    void onError(QSerialPort::SerialPortError error);
    void vanish(const QByteArray &reason);
    void scheduleUpkeep();
    void settle() override;
    void closeDevice();
    void resumeReading();
    long long readBuffered(char *data, long long count);
    long long waitingNow();

    QSerialPort m_port;
    std::vector<char> m_peek;        // where new bytes are looked at for the event character
    int m_claim = -1;
    int m_timeoutMs = 2000;
    int m_inputQueue = 4096;
    int m_outputQueue = 4096;
    long long m_scanned = 0; // bytes at the head of the input already looked at
    int m_errorRun = 0;      // errors since data last moved
    bool m_open = false;
    bool m_vanished = false;
    bool m_closing = false;
    bool m_upkeepPosted = false;
};

#endif
