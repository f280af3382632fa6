// The Telnet side of a network port (RFC 854 with the COM-PORT option of
// RFC 2217): data bytes out of the stream, option negotiation answered, the
// line-setting commands built, 0xFF doubled on the way out. No sockets here:
// the port feeds it what arrived and sends what it asks to be sent.
#ifndef PLATFORM_SERIAL_TELNET_H
#define PLATFORM_SERIAL_TELNET_H

#include <QByteArray>

#include <array>
#include <cstdint>

namespace telnet {

enum : unsigned char {
    SE = 240, NOP = 241, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255,
};
enum : unsigned char { OptBinary = 0, OptEcho = 1, OptSuppressGoAhead = 3, OptComPort = 44 };

// COM-PORT commands from the client; the server answers each with the code
// plus 100.
enum : unsigned char {
    SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5,
    SetModemStateMask = 11, PurgeData = 12, ServerOffset = 100,
};
enum : unsigned char { PurgeReceive = 1, PurgeTransmit = 2 };
enum : unsigned char { ControlNoFlow = 1, ControlHardware = 3 };

// 0xFF doubled, as data must travel.
QByteArray Escape(const char *data, qsizetype count);

// One COM-PORT command with its value (escaped).
QByteArray ComPortCommand(unsigned char command, const QByteArray &value);
QByteArray ComPortCommand(unsigned char command, unsigned char value);
QByteArray BaudRateCommand(std::uint32_t baud);

class Session {
public:
    // What the client offers at once: binary both ways, and the COM-PORT
    // option when `comPort`.
    QByteArray greeting(bool comPort);

    // Takes `count` bytes as they came from the server: appends the data
    // among them to `data` and what must be answered to `reply`.
    void feed(const char *raw, qsizetype count, QByteArray &data, QByteArray &reply);

    // The server agreed to (DO) or refused (DONT/WONT) the COM-PORT option.
    bool comPortAccepted() const { return m_us[OptComPort]; }
    bool comPortRefused() const { return m_comPortRefused; }
    // Answers to COM-PORT commands: the last value per command (0-based by
    // client code), whether one came since clearAnswers().
    bool answered(unsigned char command) const { return command < kCommands && m_answered[command]; }
    std::uint32_t answer(unsigned char command) const
    {
        return command < kCommands ? m_answer[command] : 0;
    }
    void clearAnswers() { m_answered.fill(false); }
    // Commands the server sent that are neither data nor understood (counted
    // for tests and for the curious).
    long ignored() const { return m_ignored; }

private:
    void option(unsigned char verb, unsigned char option, QByteArray &reply);
    void subnegotiation();
    static bool WeWill(unsigned char option);
    static bool WeLetHim(unsigned char option);

    enum class State { Data, Iac, Verb, Sub, SubIac };
    static constexpr int kCommands = 16;
    static constexpr qsizetype kMaxSub = 64; // longer ones are dropped, not stored
    State m_state = State::Data;
    unsigned char m_verb = 0;
    QByteArray m_sub;
    bool m_subTooLong = false;
    std::array<bool, 256> m_us{};        // options we have enabled
    std::array<bool, 256> m_him{};       // options the server has enabled
    std::array<bool, 256> m_askedUs{};   // our WILL awaits an answer
    std::array<bool, 256> m_askedHim{};  // our DO awaits an answer
    bool m_comPortRefused = false;
    std::array<bool, kCommands> m_answered{};
    std::array<std::uint32_t, kCommands> m_answer{};
    long m_ignored = 0;
};

} // namespace telnet

#endif
