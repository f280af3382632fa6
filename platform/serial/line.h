// What every numbered port offers, whatever carries its bytes: a serial
// device on this machine or a connection to a serial server on the network.
#ifndef PLATFORM_SERIAL_LINE_H
#define PLATFORM_SERIAL_LINE_H

#include "platform/rs232.h"
#include "platform/serial/events.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

#include <functional>

struct ComSettings {
    qint32 baudRate;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
    int inputQueue;
    int outputQueue;
};

class ComLine : public QObject {
public:
    ComLine(int number, QObject *parent);

    // 0, or COM_CANNOT_OPEN with the device and the reason in detail().
    virtual int open(const QByteArray &device, const ComSettings &settings) = 0;
    virtual void close() = 0; // also removes the callback and forgets a vanished device
    virtual bool isOpen() const = 0;
    virtual bool hasVanished() const = 0;

    virtual void setTimeout(int milliseconds) = 0;
    virtual int setHandshake(bool on) = 0;
    virtual int flushInput() = 0;
    virtual int flushOutput() = 0;
    virtual int write(const char *data, int count) = 0;
    virtual int read(char *data, int count) = 0;
    virtual int waiting() = 0;
    virtual void installCallback(int mask, int notifyCount, int eventCharacter,
                                 ComCallback callback, void *callbackData) = 0;
    void removeCallback() { m_events.remove(); }

    const QByteArray &device() const { return m_device; }
    const QByteArray &detail() const { return m_detail; }
    void setDetail(const QByteArray &detail) { m_detail = detail; }

protected:
    // Runs the receive callback now when callbacks may run, else once they
    // may; pending deliveries of one port merge into one.
    void scheduleDelivery();
    void deliver();
    // The bytes a count event is measured against.
    virtual long long waitingForEvents() = 0;
    // Finishes what a callback or a vanished device left to do (a close).
    virtual void settle() = 0;

    const int m_number;
    ComEvents m_events;
    QByteArray m_device;
    QByteArray m_detail;

private:
    std::function<void()> m_deliver; // built once: a dispatch then costs no allocation
    bool m_delivering = false;
};

#endif
