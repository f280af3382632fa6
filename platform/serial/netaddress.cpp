// Network addresses of ports: scheme, host and TCP port, checked strictly so
// that a typing error ends in a clear text rather than a connection to a
// wrong place.
#include "platform/serial/netaddress.h"

namespace {

bool AllDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool SchemeCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '+' || c == '-' || c == '.';
}

} // namespace

bool LooksLikeNetAddress(const QByteArray &device)
{
    const qsizetype mark = device.indexOf("://");
    if (mark <= 0)
        return false;
    for (qsizetype i = 0; i < mark; ++i)
        if (!SchemeCharacter(device[i]))
            return false;
    return true;
}

bool ParseNetAddress(const QByteArray &device, NetAddress &address, QByteArray &why)
{
    const qsizetype mark = device.indexOf("://");
    if (mark <= 0) {
        why = "not a network address (tcp://HOST:PORT or rfc2217://HOST:PORT)";
        return false;
    }
    const QByteArray scheme = device.left(mark).toLower();
    if (scheme == "tcp")
        address.kind = NetAddress::Kind::Raw;
    else if (scheme == "rfc2217" || scheme == "telnet")
        address.kind = NetAddress::Kind::Telnet;
    else {
        why = "unknown scheme \"" + device.left(mark) +
              "://\" (use tcp://HOST:PORT or rfc2217://HOST:PORT)";
        return false;
    }
    QByteArray rest = device.mid(mark + 3);
    if (rest.endsWith('/'))
        rest.chop(1);
    if (rest.isEmpty()) {
        why = "no host and port after \"" + scheme + "://\"";
        return false;
    }
    QByteArray host, port;
    if (rest.startsWith('[')) { // [IPv6]:port
        const qsizetype close = rest.indexOf(']');
        if (close < 0) {
            why = "the host's \"[\" has no \"]\"";
            return false;
        }
        host = rest.mid(1, close - 1);
        const QByteArray after = rest.mid(close + 1);
        if (!after.startsWith(':')) {
            why = "no port after the host (HOST:PORT)";
            return false;
        }
        port = after.mid(1);
    } else {
        const qsizetype colon = rest.lastIndexOf(':');
        if (colon < 0) {
            why = "no port after the host (HOST:PORT)";
            return false;
        }
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (host.contains(':')) {
            why = "an IPv6 host needs brackets: [" + host + "]:PORT";
            return false;
        }
    }
    if (host.isEmpty()) {
        why = "no host before the port";
        return false;
    }
    for (const char c : host) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '@' || c == '[' || c == ']') {
            why = "the host \"" + host + "\" holds a character a host name cannot";
            return false;
        }
    }
    if (port.isEmpty()) {
        why = "no port after the host (HOST:PORT)";
        return false;
    }
    // Digits only, and few enough that the number cannot overflow.
    if (!AllDigits(port) || port.size() > 5 || port.toInt() < 1 || port.toInt() > 65535) {
        why = "port \"" + port + "\" is not a number from 1 to 65535";
        return false;
    }
    address.host = host;
    address.port = static_cast<quint16>(port.toInt());
    return true;
}
