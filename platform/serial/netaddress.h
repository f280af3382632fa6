// A port that reaches a serial server over the network: tcp://HOST:PORT
// (the bytes as they are; the server owns the line settings) or
// rfc2217://HOST:PORT (Telnet with the COM-PORT option: the program sets the
// line). Parsing only; nothing here touches the network.
#ifndef PLATFORM_SERIAL_NETADDRESS_H
#define PLATFORM_SERIAL_NETADDRESS_H

#include <QByteArray>

struct NetAddress {
    enum class Kind { Raw, Telnet };
    Kind kind = Kind::Raw;
    QByteArray host; // a name or an address; IPv6 without its brackets
    quint16 port = 0;
};

// Whether `device` is meant as a network address at all: it carries a
// scheme ("tcp://", "rfc2217://", or one we do not know).
bool LooksLikeNetAddress(const QByteArray &device);

// True with `address` filled, or false with `why` saying what is wrong in
// words an operator can act on.
bool ParseNetAddress(const QByteArray &device, NetAddress &address, QByteArray &why);

#endif
