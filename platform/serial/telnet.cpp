// Telnet for a serial server: a byte-at-a-time state machine over the
// stream, option negotiation that refuses what it does not know and never
// answers an answer, and the COM-PORT commands that set the server's line.
#include "platform/serial/telnet.h"

namespace telnet {

QByteArray Escape(const char *data, qsizetype count)
{
    QByteArray out;
    out.reserve(count + 8);
    for (qsizetype i = 0; i < count; ++i) {
        out.append(data[i]);
        if (static_cast<unsigned char>(data[i]) == IAC)
            out.append(static_cast<char>(IAC));
    }
    return out;
}

QByteArray ComPortCommand(unsigned char command, const QByteArray &value)
{
    QByteArray out;
    out.append(static_cast<char>(IAC));
    out.append(static_cast<char>(SB));
    out.append(static_cast<char>(OptComPort));
    out.append(static_cast<char>(command));
    out.append(Escape(value.constData(), value.size()));
    out.append(static_cast<char>(IAC));
    out.append(static_cast<char>(SE));
    return out;
}

QByteArray ComPortCommand(unsigned char command, unsigned char value)
{
    return ComPortCommand(command, QByteArray(1, static_cast<char>(value)));
}

QByteArray BaudRateCommand(std::uint32_t baud)
{
    QByteArray value(4, '\0');
    for (int i = 0; i < 4; ++i)
        value[i] = static_cast<char>((baud >> (8 * (3 - i))) & 0xFFu);
    return ComPortCommand(SetBaudRate, value);
}

QByteArray Session::greeting(bool comPort)
{
    QByteArray out;
    auto say = [&out](unsigned char verb, unsigned char option) {
        out.append(static_cast<char>(IAC));
        out.append(static_cast<char>(verb));
        out.append(static_cast<char>(option));
    };
    say(WILL, OptBinary);
    m_askedUs[OptBinary] = true;
    say(DO, OptBinary);
    m_askedHim[OptBinary] = true;
    if (comPort) {
        say(WILL, OptComPort);
        m_askedUs[OptComPort] = true;
    }
    return out;
}

bool Session::WeWill(unsigned char option)
{
    return option == OptBinary || option == OptSuppressGoAhead || option == OptComPort;
}

bool Session::WeLetHim(unsigned char option)
{
    // The server's echo is refused: the sensor's answers must come back
    // without our own requests in front of them.
    return option == OptBinary || option == OptSuppressGoAhead || option == OptComPort;
}

void Session::feed(const char *raw, qsizetype count, QByteArray &data, QByteArray &reply)
{
    for (qsizetype i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(raw[i]);
        switch (m_state) {
        case State::Data:
            if (byte == IAC)
                m_state = State::Iac;
            else
                data.append(static_cast<char>(byte));
            break;
        case State::Iac:
            if (byte == IAC) {
                data.append(static_cast<char>(IAC));
                m_state = State::Data;
            } else if (byte >= WILL) {
                m_verb = byte;
                m_state = State::Verb;
            } else if (byte == SB) {
                m_sub.clear();
                m_subTooLong = false;
                m_state = State::Sub;
            } else {
                // NOP, data mark, break, go-ahead and the rest carry nothing
                // for a serial line.
                if (byte != NOP)
                    ++m_ignored;
                m_state = State::Data;
            }
            break;
        case State::Verb:
            option(m_verb, byte, reply);
            m_state = State::Data;
            break;
        case State::Sub:
            if (byte == IAC)
                m_state = State::SubIac;
            else if (m_sub.size() < kMaxSub)
                m_sub.append(static_cast<char>(byte));
            else
                m_subTooLong = true;
            break;
        case State::SubIac:
            if (byte == SE) {
                if (!m_subTooLong)
                    subnegotiation();
                else
                    ++m_ignored;
                m_state = State::Data;
            } else if (byte == IAC) {
                if (m_sub.size() < kMaxSub)
                    m_sub.append(static_cast<char>(IAC));
                else
                    m_subTooLong = true;
                m_state = State::Sub;
            } else {
                // A command inside a subnegotiation ends it unfinished.
                ++m_ignored;
                m_state = State::Data;
                if (byte >= WILL) {
                    m_verb = byte;
                    m_state = State::Verb;
                }
            }
            break;
        }
    }
}

void Session::option(unsigned char verb, unsigned char option, QByteArray &reply)
{
    auto say = [&reply](unsigned char answer, unsigned char which) {
        reply.append(static_cast<char>(IAC));
        reply.append(static_cast<char>(answer));
        reply.append(static_cast<char>(which));
    };
    switch (verb) {
    case DO: // the server asks us to enable an option
        if (m_us[option])
            break;
        if (WeWill(option)) {
            m_us[option] = true;
            if (!m_askedUs[option])
                say(WILL, option);
        } else {
            say(WONT, option);
        }
        m_askedUs[option] = false;
        break;
    case DONT:
        if (m_us[option]) {
            m_us[option] = false;
            say(WONT, option);
        } else if (!m_askedUs[option]) {
            break; // already off: no answer, or two ends would answer forever
        }
        m_askedUs[option] = false;
        if (option == OptComPort)
            m_comPortRefused = true;
        break;
    case WILL: // the server offers to enable an option on its side
        if (m_him[option])
            break;
        if (WeLetHim(option)) {
            m_him[option] = true;
            if (!m_askedHim[option])
                say(DO, option);
        } else {
            say(DONT, option);
        }
        m_askedHim[option] = false;
        break;
    case WONT:
        if (m_him[option]) {
            m_him[option] = false;
            say(DONT, option);
        }
        m_askedHim[option] = false;
        break;
    default:
        break;
    }
}

void Session::subnegotiation()
{
    if (m_sub.size() < 2 || static_cast<unsigned char>(m_sub[0]) != OptComPort) {
        ++m_ignored;
        return;
    }
    const auto code = static_cast<unsigned char>(m_sub[1]);
    if (code < ServerOffset || code - ServerOffset >= kCommands) {
        ++m_ignored;
        return;
    }
    const int command = code - ServerOffset;
    std::uint32_t value = 0;
    for (qsizetype i = 2; i < m_sub.size() && i < 6; ++i)
        value = (value << 8) | static_cast<unsigned char>(m_sub[i]);
    m_answer[static_cast<std::size_t>(command)] = value;
    m_answered[static_cast<std::size_t>(command)] = true;
}

} // namespace telnet
