// A numbered port whose line sits behind a serial server on the network:
// the bytes travel over TCP, raw or inside Telnet with the COM-PORT option.
// Reads, time-outs, the receive callback and a lost connection behave as on
// a local port, so nothing above the serial services tells the two apart.
#ifndef PLATFORM_SERIAL_NETPORT_H
#define PLATFORM_SERIAL_NETPORT_H

#include "platform/serial/events.h"
#include "platform/serial/line.h"
#include "platform/serial/netaddress.h"
#include "platform/serial/telnet.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

#include <functional>

class NetPort : public ComLine {
public:
    NetPort(int number, QObject *parent);
    ~NetPort() override;
    NetPort(const NetPort &) = delete;
    NetPort &operator=(const NetPort &) = delete;

    // How long an open waits for the server (connection and line set-up).
    static int ConnectTimeoutMs();

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
    long long waitingForEvents() override { return m_in.size(); }
    bool connectTo(const NetAddress &address, const QDeadlineTimer &deadline);
    bool setUpLine(const ComSettings &settings, const QDeadlineTimer &deadline);
    // Runs the event loop (without the operator's input; program callbacks
    // stay held back) until `done` or the deadline.
    bool waitFor(const std::function<bool()> &done, const QDeadlineTimer &deadline);
    void onReadyRead();
    void onBytesWritten();
    void onError(QAbstractSocket::SocketError error);
    void pull();
    void fetchPending();
    void send(const QByteArray &bytes);
    void vanish(const QByteArray &reason);
    void settle() override;
    void closeSocket();
    QByteArray failure(QAbstractSocket::SocketError error) const;

    QTcpSocket m_socket;
    telnet::Session m_telnet;
    QByteArray m_in; // data bytes received and not yet read
    NetAddress m_address;
    int m_timeoutMs = 2000;
    int m_inputQueue = 4096;
    int m_outputQueue = 4096;
    double m_msPerByte = 0;        // the line's time for one byte
    double m_lineBusyUntilMs = 0;  // when the line should have carried the last write
    bool m_open = false;
    bool m_connecting = false;
    bool m_vanished = false;
    bool m_closing = false;
    bool m_failed = false; // the connection attempt ended in an error
    QAbstractSocket::SocketError m_error = QAbstractSocket::UnknownSocketError;
};

#endif
