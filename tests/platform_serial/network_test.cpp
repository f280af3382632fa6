// Ports on a serial server: addresses, the Telnet state machine, and whole
// ports against a fake server in the test (a QTcpServer that plays a serial
// server with or without line control).
#include "support.h"

#include "platform/rs232.h"
#include "platform/serial/netaddress.h"
#include "platform/serial/telnet.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <ctime>
#include <memory>

namespace {

constexpr int kPort = 9;

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(static_cast<char>(v));
    return out;
}

std::string Detail(int port) { return ComLastErrorDetail(port); }

TEST(NetworkAddresses, wellFormedAddressesGiveSchemeHostAndPort)
{
    NetAddress a;
    QByteArray why;
    ASSERT_TRUE(ParseNetAddress("tcp://192.168.1.20:4001", a, why)) << why.constData();
    EXPECT_EQ(a.kind, NetAddress::Kind::Raw);
    EXPECT_EQ(a.host, "192.168.1.20");
    EXPECT_EQ(a.port, 4001);
    ASSERT_TRUE(ParseNetAddress("RFC2217://server.local:65535/", a, why)) << why.constData();
    EXPECT_EQ(a.kind, NetAddress::Kind::Telnet);
    EXPECT_EQ(a.host, "server.local");
    EXPECT_EQ(a.port, 65535);
    ASSERT_TRUE(ParseNetAddress("tcp://[::1]:1", a, why)) << why.constData();
    EXPECT_EQ(a.host, "::1");
    EXPECT_EQ(a.port, 1);
}

TEST(NetworkAddresses, malformedAddressesSayWhatIsWrong)
{
    const struct {
        const char *address, *says;
    } cases[] = {
        {"tcp://", "no host and port"},
        {"tcp://host", "no port"},
        {"tcp://host:", "no port"},
        {"tcp://:4001", "no host"},
        {"tcp://host:0", "1 to 65535"},
        {"tcp://host:65536", "1 to 65535"},
        {"tcp://host:99999999999999999999", "1 to 65535"},
        {"tcp://host:-5", "1 to 65535"},
        {"tcp://host:40x1", "1 to 65535"},
        {"tcp://::1:4001", "brackets"},
        {"tcp://[::1:4001", "\"]\""},
        {"tcp://a b:4001", "character"},
        {"udp://host:4001", "unknown scheme \"udp://\""},
    };
    for (const auto &c : cases) {
        NetAddress a;
        QByteArray why;
        EXPECT_FALSE(ParseNetAddress(c.address, a, why)) << c.address;
        EXPECT_NE(why.indexOf(c.says), -1) << c.address << " -> " << why.constData();
    }
    EXPECT_TRUE(LooksLikeNetAddress("udp://x"));
    EXPECT_FALSE(LooksLikeNetAddress("/dev/ttyUSB0"));
    EXPECT_FALSE(LooksLikeNetAddress("/tmp/a://b")); // a path, not a scheme
}

TEST(TelnetSession, dataSurvivesDoubledIacSplitAnywhereAndCommandsBetween)
{
    // Data 0xFF 'A' 0xFF, a NOP and an unknown option offer in the middle.
    const QByteArray stream = Bytes({0xFF, 0xFF, 'A', 0xFF, 0xF1, 0xFF, 0xFB, 24, 0xFF, 0xFF});
    for (int cut = 0; cut <= stream.size(); ++cut) {
        telnet::Session session;
        QByteArray data, reply;
        session.feed(stream.constData(), cut, data, reply);
        session.feed(stream.constData() + cut, stream.size() - cut, data, reply);
        EXPECT_EQ(data, Bytes({0xFF, 'A', 0xFF})) << "cut at " << cut;
        EXPECT_EQ(reply, Bytes({0xFF, 0xFE, 24})) << "cut at " << cut; // DONT 24
    }
}

TEST(TelnetSession, unknownRequestsAreRefusedOnceAndAnswersAreNotAnswered)
{
    telnet::Session session;
    const QByteArray hello = session.greeting(true);
    EXPECT_EQ(hello, Bytes({0xFF, 0xFB, 0, 0xFF, 0xFD, 0, 0xFF, 0xFB, 44}));
    QByteArray data, reply;
    // Answers to our own offers: no reply, or two ends would loop.
    const QByteArray answers = Bytes({0xFF, 0xFD, 0, 0xFF, 0xFB, 0, 0xFF, 0xFD, 44});
    session.feed(answers.constData(), answers.size(), data, reply);
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_TRUE(session.comPortAccepted());
    // Requests we do not support: DO x -> WONT x, WILL echo -> DONT echo;
    // a DONT of something already off gets no answer; go-ahead suppression
    // is welcome.
    const QByteArray asks = Bytes({0xFF, 0xFD, 31, 0xFF, 0xFB, 1, 0xFF, 0xFE, 31, 0xFF, 0xFB, 3, 0xFF, 0xFD, 3});
    session.feed(asks.constData(), asks.size(), data, reply);
    EXPECT_EQ(reply, Bytes({0xFF, 0xFC, 31, 0xFF, 0xFE, 1, 0xFF, 0xFD, 3, 0xFF, 0xFB, 3}));
    EXPECT_TRUE(data.isEmpty());
}

TEST(TelnetSession, comPortAnswersAreReadAndOverlongSubnegotiationsDropped)
{
    telnet::Session session;
    QByteArray data, reply;
    // The server's answer to a baud rate of 0x0000FFFF (0xFF doubled inside).
    QByteArray stream = Bytes({0xFF, 0xFA, 44, 101, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0});
    stream += Bytes({0xFF, 0xFA, 44, 106}) + QByteArray(500, 'x') + Bytes({0xFF, 0xF0});
    stream += "ok";
    session.feed(stream.constData(), stream.size(), data, reply);
    EXPECT_TRUE(session.answered(telnet::SetBaudRate));
    EXPECT_EQ(session.answer(telnet::SetBaudRate), 0xFFFFu);
    EXPECT_EQ(data, "ok");
    EXPECT_GE(session.ignored(), 1);
}

TEST(TelnetSession, commandsEscapeTheirValues)
{
    EXPECT_EQ(telnet::BaudRateCommand(19200), Bytes({0xFF, 0xFA, 44, 1, 0, 0, 0x4B, 0, 0xFF, 0xF0}));
    EXPECT_EQ(telnet::BaudRateCommand(255), Bytes({0xFF, 0xFA, 44, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xF0}));
    const char data[] = {'\xFF', 'a', '\xFF'};
    EXPECT_EQ(telnet::Escape(data, 3), Bytes({0xFF, 0xFF, 'a', 0xFF, 0xFF}));
}

// A serial server on loopback. In Telnet mode it agrees to the COM-PORT
// option (unless told not to answer), confirms every command and records it.
class FakeServer {
public:
    explicit FakeServer(bool telnet, bool answers = true) : m_telnet(telnet), m_answers(answers)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            m_peer.reset(m_server.nextPendingConnection());
            QObject::connect(m_peer.get(), &QTcpSocket::readyRead, [this] { take(); });
        });
    }
    std::string url() const
    {
        return std::string(m_telnet ? "rfc2217" : "tcp") + "://127.0.0.1:" +
               std::to_string(m_server.serverPort());
    }
    void send(const QByteArray &bytes)
    {
        m_peer->write(bytes);
        m_peer->flush();
    }
    void drop() { m_peer->abort(); }
    bool connected() const { return m_peer != nullptr; }

    QByteArray raw;                          // everything received
    std::vector<QByteArray> commands;        // COM-PORT subnegotiations, unescaped
    QByteArray data;                         // data bytes (Telnet removed)

private:
    void take()
    {
        const QByteArray got = m_peer->readAll();
        raw += got;
        if (!m_telnet) {
            data += got;
            return;
        }
        for (const char c : got) {
            const auto b = static_cast<unsigned char>(c);
            if (m_inSub) {
                if (m_subIac && b == 0xF0) {
                    m_sub.chop(1);
                    commands.push_back(m_sub);
                    if (m_answers) {
                        QByteArray answer = m_sub;
                        answer[1] = static_cast<char>(static_cast<unsigned char>(answer[1]) + 100);
                        send(Bytes({0xFF, 0xFA}) + telnet::Escape(answer.constData(), answer.size()) +
                             Bytes({0xFF, 0xF0}));
                    }
                    m_inSub = false;
                } else if (m_subIac && b == 0xFF) {
                    m_subIac = false; // doubled: one 0xFF already in m_sub
                } else {
                    m_sub.append(c);
                    m_subIac = b == 0xFF;
                }
            } else if (m_iac) {
                m_iac = false;
                if (b == 0xFF)
                    data.append(c);
                else if (b == 0xFA) {
                    m_inSub = true;
                    m_subIac = false;
                    m_sub.clear();
                } else if (b >= 0xFB)
                    m_verb = b;
            } else if (m_verb) {
                if (m_verb == 0xFB && b == 44 && m_answers)
                    send(Bytes({0xFF, 0xFD, 44}));
                m_verb = 0;
            } else if (b == 0xFF) {
                m_iac = true;
            } else {
                data.append(c);
            }
        }
    }

    QTcpServer m_server;
    std::unique_ptr<QTcpSocket> m_peer;
    bool m_telnet, m_answers;
    QByteArray m_sub;
    bool m_iac = false, m_inSub = false, m_subIac = false;
    unsigned char m_verb = 0;
};

TEST(NetworkPorts, rfc2217AsksForTheLineAndPurgesWhereTheQueuesAreFlushedOfSomething)
{
    FakeServer server(true);
    ASSERT_EQ(OpenLikeTheProgram(kPort, server.url()), 0) << Detail(kPort);
    EXPECT_EQ(ComPortDevice(kPort), server.url());
    // Baud 19200, 8 data bits, no parity, 1 stop bit, no flow control.
    ASSERT_GE(server.commands.size(), 5u);
    EXPECT_EQ(server.commands[0], Bytes({44, 1, 0, 0, 0x4B, 0}));
    EXPECT_EQ(server.commands[1], Bytes({44, 2, 8}));
    EXPECT_EQ(server.commands[2], Bytes({44, 3, 1}));
    EXPECT_EQ(server.commands[3], Bytes({44, 4, 1}));
    EXPECT_EQ(server.commands[4], Bytes({44, 5, 1}));
    const std::size_t before = server.commands.size();
    // 200 bytes take the line about 100 ms: flushed at once, they are purged
    // there too; once the line has carried them, nothing is left to purge.
    const std::string request(200, 'r');
    ASSERT_EQ(ComWrt(kPort, request.data(), 200), 200);
    EXPECT_EQ(FlushOutQ(kPort), 0);
    RunEvents(200);
    EXPECT_EQ(FlushOutQ(kPort), 0);
    EXPECT_EQ(FlushInQ(kPort), 0); // nothing stray here: nothing to purge there
    server.send("junk");
    ASSERT_TRUE(RunEvents(3000, [&] { return GetInQLen(kPort) == 4; }));
    EXPECT_EQ(FlushInQ(kPort), 0);
    EXPECT_EQ(GetInQLen(kPort), 0);
    ASSERT_TRUE(RunEvents(3000, [&] { return server.commands.size() >= before + 2; }));
    RunEvents(100);
    ASSERT_EQ(server.commands.size(), before + 2);
    EXPECT_EQ(server.commands[before], Bytes({44, 12, 2}));
    EXPECT_EQ(server.commands[before + 1], Bytes({44, 12, 1}));
    CloseCom(kPort);
}

TEST(NetworkPorts, rfc2217CarriesEveryByteValueBothWaysAndRefusesUnknownCommands)
{
    FakeServer server(true);
    ASSERT_EQ(OpenLikeTheProgram(kPort, server.url()), 0) << Detail(kPort);
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(255 - i));
    ASSERT_EQ(ComWrt(kPort, all.constData(), static_cast<int>(all.size())), 256);
    ASSERT_TRUE(RunEvents(3000, [&] { return server.data.size() >= 256; }));
    EXPECT_EQ(server.data, all);
    EXPECT_NE(server.raw.indexOf(Bytes({0xFF, 0xFF, 0xFE})), -1); // 0xFF went doubled

    // Unknown commands between data bytes: refused, the data intact.
    const QByteArray half = telnet::Escape(all.constData(), 128);
    const QByteArray rest = telnet::Escape(all.constData() + 128, 128);
    server.send(half + Bytes({0xFF, 0xFB, 24, 0xFF, 0xFD, 31, 0xFF, 0xF6}) + rest);
    char got[256];
    ASSERT_EQ(ComRd(kPort, got, 256), 256);
    EXPECT_EQ(QByteArray(got, 256), all);
    ASSERT_TRUE(RunEvents(3000, [&] {
        return server.raw.indexOf(Bytes({0xFF, 0xFE, 24})) != -1 &&
               server.raw.indexOf(Bytes({0xFF, 0xFC, 31})) != -1;
    }));
    EXPECT_EQ(GetInQLen(kPort), 0);
    CloseCom(kPort);
}

TEST(NetworkPorts, rawTcpPassesBytesUntouchedAndCallsTheCallback)
{
    FakeServer server(false);
    ASSERT_EQ(OpenLikeTheProgram(kPort, server.url()), 0) << Detail(kPort);
    ASSERT_TRUE(RunEvents(3000, [&] { return server.connected(); }));
    const QByteArray frame = Bytes({0x00, 0x55, 0xFF, 0xFF, 0xFF, 0x01});
    ASSERT_EQ(ComWrt(kPort, frame.constData(), 6), 6);
    ASSERT_TRUE(RunEvents(3000, [&] { return server.raw.size() >= 6; }));
    EXPECT_EQ(server.raw, frame); // nothing doubled, nothing added
    CallbackLog log;
    log.readsPerCall = 6;
    ASSERT_EQ(InstallComCallback(kPort, COM_EV_NOTIFY, 6, 0, RecordingCallback, &log), 0);
    server.send(frame);
    ASSERT_TRUE(RunEvents(3000, [&] { return !log.readCounts.empty(); }));
    EXPECT_EQ(log.readCounts[0], 6);
    EXPECT_FALSE(log.calledInsideOperation);
    // The server owns a raw port's line: no handshake to switch on.
    EXPECT_EQ(SetCTSMode(kPort, 0), 0);
    EXPECT_EQ(SetCTSMode(kPort, 1), COM_IO_ERROR);
    CloseCom(kPort);
}

TEST(NetworkPorts, aDroppedConnectionEndsLikeAnUnpluggedCableAndReopens)
{
    FakeServer server(false);
    ASSERT_EQ(OpenLikeTheProgram(kPort, server.url()), 0) << Detail(kPort);
    ASSERT_TRUE(RunEvents(3000, [&] { return server.connected(); }));
    StderrCapture capture;
    server.drop();
    char buffer[36];
    ASSERT_EQ(SetComTime(kPort, 1.0), 0);
    const double start = WallSeconds();
    EXPECT_EQ(ComRd(kPort, buffer, 36), 0);
    EXPECT_LT(WallSeconds() - start, 1.5);
    RunEvents(300);
    EXPECT_EQ(ComRd(kPort, buffer, 36), 0);
    EXPECT_EQ(GetInQLen(kPort), 0);
    EXPECT_LT(ComWrt(kPort, buffer, 36), 0);
    const std::string said = capture.text();
    EXPECT_NE(said.find("COM9 closed"), std::string::npos) << said;
    EXPECT_EQ(said.find("COM9 closed"), said.rfind("COM9 closed")) << "reported more than once";
    // Choosing the port again connects again.
    ASSERT_EQ(OpenLikeTheProgram(kPort, server.url()), 0) << Detail(kPort);
    ASSERT_TRUE(RunEvents(3000, [&] { return server.connected(); }));
    EXPECT_EQ(ComWrt(kPort, "x", 1), 1);
    CloseCom(kPort);
}

TEST(NetworkPorts, connectionsThatCannotBeMadeGiveTheReason)
{
    int freePort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    EXPECT_EQ(OpenLikeTheProgram(kPort, "tcp://127.0.0.1:" + std::to_string(freePort)),
              COM_CANNOT_OPEN);
    EXPECT_NE(Detail(kPort).find("refused"), std::string::npos) << Detail(kPort);
    EXPECT_EQ(OpenLikeTheProgram(kPort, "tcp://no-such-host.invalid:4001"), COM_CANNOT_OPEN);
    // Where no name server answers, the bounded wait ends it first.
    EXPECT_TRUE(Detail(kPort).find("unknown") != std::string::npos ||
                Detail(kPort).find("timed out") != std::string::npos)
        << Detail(kPort);
    for (const char *bad : {"tcp://", "tcp://host", "rfc2217://host:0", "tcp://host:70000",
                            "serial://host:1"}) {
        EXPECT_EQ(OpenLikeTheProgram(kPort, bad), COM_CANNOT_OPEN) << bad;
        EXPECT_EQ(Detail(kPort).rfind(bad, 0), 0u) << Detail(kPort); // names the address
    }
    // A local device after a network address still opens as a device.
    PtyPair pty;
    EXPECT_EQ(OpenLikeTheProgram(kPort, pty.slave), 0) << Detail(kPort);
    CloseCom(kPort);
}

TEST(NetworkPorts, aServerSilentAfterConnectingTimesOutWithoutSpinning)
{
    FakeServer server(true, false);
    const double start = WallSeconds();
    const std::clock_t cpu = std::clock();
    EXPECT_EQ(OpenLikeTheProgram(kPort, server.url()), COM_CANNOT_OPEN);
    const double waited = WallSeconds() - start;
    const double used = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    EXPECT_GE(waited, 2.0);
    EXPECT_LT(waited, 10.0);
    EXPECT_LT(used, 0.5 * waited) << "the wait used the processor";
    EXPECT_NE(Detail(kPort).find("timed out"), std::string::npos) << Detail(kPort);
}

} // namespace
