// qzan-sensor-sim as a program on a real pseudo-terminal, driven by a plain
// client: echo, parameter writes and reads (RAM, EEPROM, EEPROM file),
// measurement, the four data blocks, teach, resynchronisation, faults,
// disconnect and reconnect, the log, the counts, pacing and bad options.
#include "params.h"
#include "sensor.h"

#include "bare_client.h"
#include "files.h"
#include "pty_pair.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace qzan::sim::test {
namespace {

using namespace qzan::test;

using namespace std::chrono;

class ProgramTest : public ::testing::Test {
protected:
    // Unpaced, still and noise-free unless the test says otherwise.
    bool startSim(std::vector<std::string> extra = {}, bool paced = false)
    {
        std::vector<std::string> args = {"--link", link(), "--log", logFile(), "--drift", "0",
                                         "--noise", "0"};
        if (!paced)
            args.insert(args.end(), {"--baud", "0"});
        args.insert(args.end(), extra.begin(), extra.end());
        return sim.StartWith(args, errFile()) && client.open(link());
    }
    void TearDown() override
    {
        // What the simulator saw is the first thing to read when a test fails.
        if (HasFailure()) {
            std::string log = ReadFile(logFile());
            if (log.size() > 6000)
                log = "...\n" + log.substr(log.size() - 6000);
            std::cout << "--- simulator log ---\n" << log << "--- simulator stderr ---\n"
                      << ReadFile(errFile());
        }
    }
    std::string link() const { return dir.file("com1"); }
    std::string logFile() const { return dir.file("sim.log"); }
    std::string errFile() const { return dir.file("stderr.txt"); }

    TempDir dir;
    SimProcess sim;
    Client client;
};

Words someSet()
{
    return {500, 1, 512, 64, 1, 1, 200, 800, 512, 100, 1, 1, 0, 1, 0, 1000};
}

std::vector<std::uint16_t> asVector(const Words &w) { return {w.begin(), w.end()}; }

// Word `i` of a reply, or -1 when no whole reply came.
int word(const std::vector<std::uint16_t> &reply, std::size_t i)
{
    return i < reply.size() ? reply[i] : -1;
}

TEST_F(ProgramTest, echoAndParameterWritesReadBackFromRamAndEeprom)
{
    std::string eeprom = dir.file("eeprom.dat");
    ASSERT_TRUE(startSim({"--eeprom", eeprom}));
    EXPECT_EQ(std::filesystem::read_symlink(link()).string(), sim.ReadyPath());

    auto echo = client.exchange(kCmdEcho, someSet());
    ASSERT_EQ(echo.size(), 16u);
    EXPECT_EQ(echo[0], 0x00AA);

    EXPECT_EQ(client.exchange(kCmdReadRam), asVector(defaultParams()));
    client.sendRequest(kCmdWriteRam, someSet()); // not answered
    EXPECT_EQ(client.exchange(kCmdReadRam), asVector(someSet()));
    EXPECT_EQ(client.exchange(kCmdReadEeprom), asVector(defaultParams()));
    EXPECT_FALSE(std::filesystem::exists(eeprom));

    Words stored = someSet();
    stored[kPower] = 777;
    client.sendRequest(kCmdWriteEeprom, stored);
    EXPECT_EQ(client.exchange(kCmdReadEeprom), asVector(stored));
    EXPECT_EQ(client.exchange(kCmdReadRam), asVector(stored));
    EXPECT_EQ(ReadFile(eeprom), "777\n1\n512\n64\n1\n1\n200\n800\n512\n100\n1\n1\n0\n1\n0\n1000\n");
    EXPECT_EQ(sim.Stop(), 0);

    // The next start loads the file into both sets.
    SimProcess second;
    ASSERT_TRUE(second.StartWith({"--link", link(), "--baud", "0", "--eeprom", eeprom}, errFile()));
    ASSERT_TRUE(client.open(link()));
    EXPECT_EQ(client.exchange(kCmdReadRam), asVector(stored));
    EXPECT_EQ(second.Stop(), 0);
}

TEST_F(ProgramTest, answerWritesOptionAnswersCommandsOneAndThree)
{
    ASSERT_TRUE(startSim({"--answer-writes"}));
    auto ram = client.exchange(kCmdWriteRam, someSet());
    EXPECT_EQ(ram, asVector(someSet()));
    auto eeprom = client.exchange(kCmdWriteEeprom, defaultParams());
    EXPECT_EQ(eeprom, asVector(defaultParams()));
}

TEST_F(ProgramTest, measurementAndTheFourBlocksOfOneDataRead)
{
    ASSERT_TRUE(startSim());
    auto m = client.exchange(kCmdMeasure, someSet());
    ASSERT_EQ(m.size(), 16u);
    EXPECT_EQ(m[0], 420);
    EXPECT_EQ(m[1], 600);
    EXPECT_EQ(m[2], 420);
    EXPECT_EQ(m[3], 400);
    EXPECT_EQ(m[4], 60);
    EXPECT_EQ(m[5], 0);
    EXPECT_EQ(m[6], 2);
    EXPECT_EQ(m[kMwSequence], 1);

    std::vector<std::uint16_t> data;
    for (std::uint16_t first : {0, 64, 128, 192}) {
        auto block = client.readBlock(first);
        ASSERT_EQ(block.size(), kBlockValues) << "block " << first;
        data.insert(data.end(), block.begin(), block.end());
    }
    // The program's data read sends the previous answer as the payload.
    Words previous{};
    std::copy(m.begin(), m.end(), previous.begin());
    auto after = client.exchange(kCmdMeasure, previous);
    ASSERT_EQ(after.size(), 16u);
    EXPECT_EQ(after[kMwFlags] & kFlagFromSnapshot, kFlagFromSnapshot);
    EXPECT_EQ(after[kMwSequence], 2);
    // Every fourth pixel: value 105 is pixel 420, the first dark one.
    EXPECT_GT(data[104], 480);
    EXPECT_LT(data[105], 480);
    EXPECT_LT(data[149], 480);
    EXPECT_GT(data[150], 480);
    for (std::uint16_t v : data)
        EXPECT_LE(v, 1023);
}

TEST_F(ProgramTest, teachStoresTheMeasuredValueAndAnswersTheRamSet)
{
    ASSERT_TRUE(startSim({"--edges", "300,700"}));
    auto taught = client.exchange(kCmdTeach);
    ASSERT_EQ(taught.size(), 16u);
    EXPECT_EQ(taught[kTVal], 300);
    EXPECT_EQ(word(client.exchange(kCmdReadRam), kTVal), 300);
    EXPECT_EQ(word(client.exchange(kCmdReadEeprom), kTVal), 400);

    auto background = client.exchange(kCmdTeachBackground);
    EXPECT_EQ(background, client.exchange(kCmdReadRam));
}

TEST_F(ProgramTest, resynchronisesAfterGarbageSplitAndGluedRequests)
{
    ASSERT_TRUE(startSim({"--frame-gap-ms", "2000"}));
    Bytes garbage = {0xFF, 0x00, 0x55, 0x00, 0x0C, 0x55, 0x00};
    Bytes echo = FrameBytes(kCmdEcho);
    Bytes first(echo.begin(), echo.begin() + 10);
    garbage.insert(garbage.end(), first.begin(), first.end());
    client.send(garbage);
    std::this_thread::sleep_for(milliseconds(20));
    client.send(Bytes(echo.begin() + 10, echo.end()));
    EXPECT_EQ(ReplyWords(client.read(kFrameBytes))[0], 0x00AA);

    // Two requests in one write, then an unknown code that gets no answer.
    Bytes glued = FrameBytes(kCmdReadEeprom);
    Bytes ram = FrameBytes(kCmdReadRam);
    glued.insert(glued.end(), ram.begin(), ram.end());
    client.send(glued);
    Bytes both = client.read(2 * kFrameBytes);
    ASSERT_EQ(both.size(), 2 * kFrameBytes);
    EXPECT_EQ(both[3], kCmdReadEeprom);
    EXPECT_EQ(both[kFrameBytes + 3], kCmdReadRam);

    client.send(FrameBytes(10));
    client.sendRequest(kCmdEcho);
    Bytes next = client.read(kFrameBytes);
    ASSERT_EQ(next.size(), kFrameBytes);
    EXPECT_EQ(next[3], kCmdEcho);

    EXPECT_EQ(sim.Stop(), 0);
    std::string counts = ReadFile(errFile());
    EXPECT_NE(counts.find("cmd 7 requests 2 answers 2\n"), std::string::npos) << counts;
    // 7 garbage bytes, then the unknown request's 36 bytes.
    EXPECT_NE(counts.find("dropped_bytes 43\n"), std::string::npos) << counts;
}

TEST_F(ProgramTest, requestCutShortIsDiscardedAfterSilence)
{
    ASSERT_TRUE(startSim({"--frame-gap-ms", "30"}));
    Bytes cut = FrameBytes(kCmdReadRam);
    cut.resize(20);
    client.send(cut);
    ASSERT_TRUE(WaitForText(logFile(), "DROP 20\n"));
    auto echo = client.exchange(kCmdEcho);
    ASSERT_EQ(echo.size(), 16u);
    EXPECT_EQ(echo[0], 0x00AA);
}

TEST_F(ProgramTest, floodOfRandomBytesThenServiceGoesOn)
{
    ASSERT_TRUE(startSim({"--frame-gap-ms", "20"}));
    Bytes flood(20000);
    std::uint32_t x = 12345;
    for (auto &b : flood) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    client.send(flood);
    std::this_thread::sleep_for(milliseconds(300));
    client.read(100000, milliseconds(200)); // answers to lookalike requests, if any
    auto echo = client.exchange(kCmdEcho);
    ASSERT_EQ(echo.size(), 16u);
    EXPECT_EQ(echo[0], 0x00AA);
}

TEST_F(ProgramTest, droppedAnswersLeaveGapsInTheSequence)
{
    ASSERT_TRUE(startSim({"--drop-every", "2"}));
    EXPECT_EQ(word(client.exchange(kCmdMeasure), kMwSequence), 1);
    client.sendRequest(kCmdMeasure); // dropped
    EXPECT_EQ(word(client.exchange(kCmdMeasure), kMwSequence), 3);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(ReadFile(errFile()).find("fault drop 1\n"), std::string::npos);
    EXPECT_EQ(ReadSimLog(logFile(), "FAULT").size(), 1u);
    EXPECT_EQ(ReadSimLog(logFile(), "ANS").size(), 2u);
}

TEST_F(ProgramTest, eachFaultSpoilsTheAnswerAsAsked)
{
    {
        ASSERT_TRUE(startSim({"--wrong-echo"}));
        auto echo = client.exchange(kCmdEcho);
        ASSERT_EQ(echo.size(), 16u);
        EXPECT_EQ(echo[0], 0xAA00);
        EXPECT_EQ(word(client.exchange(kCmdReadRam), 0), 650); // other answers stay sound
        sim.Stop();
    }
    {
        SimProcess extra;
        ASSERT_TRUE(extra.StartWith({"--link", link(), "--baud", "0", "--extra-every", "1",
                                 "--extra-bytes", "5"},
                                errFile()));
        ASSERT_TRUE(client.open(link()));
        client.sendRequest(kCmdEcho);
        Bytes got = client.read(kFrameBytes + 5);
        ASSERT_EQ(got.size(), kFrameBytes + 5);
        EXPECT_EQ(got[5], 0xAA);
    }
    {
        SimProcess cut;
        ASSERT_TRUE(cut.StartWith({"--link", link(), "--baud", "0", "--short-every", "1"}, errFile()));
        ASSERT_TRUE(client.open(link()));
        client.sendRequest(kCmdReadRam);
        Bytes got = client.read(kFrameBytes, milliseconds(500));
        EXPECT_GE(got.size(), 1u);
        EXPECT_LT(got.size(), kFrameBytes);
        EXPECT_EQ(cut.Stop(), 0);
        EXPECT_NE(ReadFile(errFile()).find("fault short 1\n"), std::string::npos);
        EXPECT_NE(ReadFile(errFile()).find("cmd 2 requests 1 answers 0\n"), std::string::npos);
    }
    {
        SimProcess garbage;
        ASSERT_TRUE(garbage.StartWith({"--link", link(), "--baud", "0", "--garbage-every", "1",
                                   "--fault-cmds", "2"},
                                  errFile()));
        ASSERT_TRUE(client.open(link()));
        client.sendRequest(kCmdReadRam);
        Bytes got = client.read(kFrameBytes);
        EXPECT_EQ(got.size(), kFrameBytes);
        EXPECT_NE(ReplyWords(got), asVector(defaultParams()));
        EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA); // command 7 is spared
    }
    {
        SimProcess silent;
        ASSERT_TRUE(silent.StartWith({"--link", link(), "--baud", "0", "--silent"}, errFile()));
        ASSERT_TRUE(client.open(link()));
        client.sendRequest(kCmdEcho);
        EXPECT_TRUE(client.read(1, milliseconds(300)).empty());
        EXPECT_EQ(silent.Stop(), 0);
        EXPECT_NE(ReadFile(errFile()).find("fault silent 1\n"), std::string::npos);
    }
}

TEST_F(ProgramTest, disconnectAfterTwoAnswersThenReconnectOnANewTerminal)
{
    ASSERT_TRUE(startSim({"--disconnect-after", "2", "--reconnect-ms", "200"}));
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA); // the second answer still arrives
    EXPECT_TRUE(client.waitHangUp(milliseconds(5000)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link())));
    client.close();

    ASSERT_TRUE(sim.WaitReady(milliseconds(5000)));
    EXPECT_EQ(std::filesystem::read_symlink(link()).string(), sim.ReadyPath());
    ASSERT_TRUE(client.open(link()));
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA); // disconnects once only

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(ReadFile(errFile()).find("fault disconnect 1\n"), std::string::npos);
    EXPECT_EQ(ReadSimLog(logFile(), "CONNECT").size(), 2u);
    EXPECT_EQ(ReadSimLog(logFile(), "DISCONNECT").size(), 2u);
}

TEST_F(ProgramTest, disconnectWithoutReconnectEndsTheSimulator)
{
    ASSERT_TRUE(startSim({"--disconnect-after", "1"}));
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    EXPECT_EQ(sim.WaitExit(milliseconds(5000)), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link())));
}

TEST_F(ProgramTest, programClosingAndReopeningItsPortDoesNotDisturbTheSimulator)
{
    ASSERT_TRUE(startSim());
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    client.close();
    ASSERT_TRUE(client.open(link()));
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    // Gone with a request outstanding: its answer lands on the closed port.
    client.sendRequest(kCmdReadRam);
    client.close();
    std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(client.open(link()));
    client.read(kFrameBytes, milliseconds(200)); // the stale answer, like the program's flush
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
}

TEST_F(ProgramTest, countsOnSigusr1AndAtTermination)
{
    ASSERT_TRUE(startSim());
    client.exchange(kCmdEcho);
    client.exchange(kCmdEcho);
    client.exchange(kCmdMeasure);
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(WaitForText(errFile(), "fault disconnect 0\n"));
    std::string counts = ReadFile(errFile());
    EXPECT_NE(counts.find("cmd 7 requests 2 answers 2\ncmd 8 requests 1 answers 1\n"
                          "dropped_bytes 0\nfault silent 0\nfault drop 0\n"),
              std::string::npos)
        << counts;

    // The simulator goes on serving after the report.
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(ReadFile(errFile()).find("cmd 7 requests 3 answers 3\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link())));
}

TEST_F(ProgramTest, logHasOneLinePerEventInItsFormat)
{
    ASSERT_TRUE(startSim({"--frame-gap-ms", "20"}));
    client.exchange(kCmdEcho, someSet());
    client.readBlock(64);
    client.send({0x12, 0x34});
    client.sendRequest(kCmdReadRam);
    client.read(kFrameBytes);
    EXPECT_EQ(sim.Stop(), 0);

    std::string text = ReadFile(logFile());
    // Milliseconds with exactly three decimals: digits, a point, three digits.
    auto isTime = [](const std::string &t) {
        auto point = t.find('.');
        return point != std::string::npos && point > 0 && t.size() == point + 4
               && t.find_first_not_of("0123456789.") == std::string::npos
               && t.find('.', point + 1) == std::string::npos;
    };
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        EXPECT_TRUE(isTime(line.substr(0, line.find(' ')))) << line;

    // Fields after the kind, as written: the command, then the words.
    auto requests = ReadSimLog(logFile(), "REQ");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].fields.size(), 1u + 16);
    EXPECT_EQ(requests[0].fields[0], "7");
    EXPECT_EQ(requests[0].fields[1], "500");
    EXPECT_EQ(requests[1].fields[1], "64");
    auto answers = ReadSimLog(logFile(), "ANS");
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].fields[1], "170");
    EXPECT_EQ(answers[1].fields.size(), 1u + 64);
    auto drops = ReadSimLog(logFile(), "DROP");
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].fields, std::vector<std::string>{"2"});
    auto connects = ReadSimLog(logFile(), "CONNECT");
    ASSERT_FALSE(connects.empty());
    EXPECT_EQ(connects[0].fields, std::vector<std::string>{sim.ReadyPath()});
}

TEST_F(ProgramTest, pacedMeasurementPairNeverBeatsTheLine)
{
    ASSERT_TRUE(startSim({}, true)); // 19200 baud, 1 ms turnaround
    const int pairs = 20;
    double total = 0;
    for (int i = 0; i < pairs; ++i) {
        auto t0 = steady_clock::now();
        auto m = client.exchange(kCmdMeasure);
        double ms = duration<double, std::milli>(steady_clock::now() - t0).count();
        ASSERT_EQ(m.size(), 16u);
        EXPECT_GE(ms, 38.5) << "pair " << i;
        total += ms;
    }
    std::cout << "[ figure ] measurement pair at 19200 baud, 1 ms turnaround: "
              << total / pairs << " ms (line limit 38.5 ms)\n";

    auto t0 = steady_clock::now();
    auto block = client.readBlock(0);
    double ms = duration<double, std::milli>(steady_clock::now() - t0).count();
    ASSERT_EQ(block.size(), kBlockValues);
    EXPECT_GE(ms, 86.4);
}

TEST_F(ProgramTest, unpacedAnswersComeAsFastAsTheClientAsks)
{
    ASSERT_TRUE(startSim());
    const int pairs = 2000;
    auto t0 = steady_clock::now();
    for (int i = 0; i < pairs; ++i)
        ASSERT_EQ(client.exchange(kCmdMeasure).size(), 16u);
    double s = duration<double>(steady_clock::now() - t0).count();
    std::cout << "[ figure ] --baud 0: " << pairs / s << " measurement answers per second\n";
}

TEST(ProgramOptions, badOptionsExitWithCodeTwoAndAMessage)
{
    TempDir dir;
    std::string err;
    EXPECT_EQ(SimProcess::RunToExit({"--link", dir.file("l"), "--baud", "fast"}, err), 2);
    EXPECT_NE(err.find("--baud: 'fast'"), std::string::npos) << err;
    EXPECT_EQ(SimProcess::RunToExit({"--bogus"}, err), 2);
    EXPECT_NE(err.find("unknown option '--bogus'"), std::string::npos) << err;

    std::string regular = dir.file("regular");
    std::ofstream(regular) << "keep me";
    EXPECT_EQ(SimProcess::RunToExit({"--link", regular}, err), 2);
    EXPECT_NE(err.find("not a symbolic link"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(regular), "keep me");

    std::string badEeprom = dir.file("bad.dat");
    std::ofstream(badEeprom) << "1\n2\n";
    EXPECT_EQ(SimProcess::RunToExit({"--link", dir.file("l"), "--eeprom", badEeprom}, err), 2);
    EXPECT_NE(err.find("bad.dat"), std::string::npos) << err;

    EXPECT_EQ(SimProcess::RunToExit({"--help"}, err), 0);
}

TEST(ProgramDevice, servesARealSerialDeviceGivenByPath)
{
    // The test's own pseudo-terminal stands in for a serial adapter: the
    // simulator opens the slave as its device, the test talks on the master.
    TempDir dir;
    PtyPair pty;
    ASSERT_GE(pty.master, 0);
    SimProcess sim;
    ASSERT_TRUE(sim.StartWith({"--device", pty.slave, "--log", dir.file("log")}, dir.file("err.txt")));
    EXPECT_EQ(sim.ReadyPath(), pty.slave);

    const Bytes request = FrameBytes(kCmdEcho);
    pty.send(std::string(request.begin(), request.end()));
    const std::string answer = pty.receive(kFrameBytes, 3000);
    const Bytes reply(answer.begin(), answer.end());
    EXPECT_EQ(word(ReplyWords(reply), 0), 0x00AA);

    // This device cannot come back, and its number will soon name another
    // terminal: the simulator ends instead of reopening it.
    pty.hangUp();
    EXPECT_EQ(sim.WaitExit(milliseconds(5000)), 1);
    EXPECT_NE(ReadFile(dir.file("err.txt")).find("ending"), std::string::npos);
}

TEST(ProgramOptions, staleLinkIsReplaced)
{
    TempDir dir;
    std::string link = dir.file("com1");
    std::filesystem::create_symlink("/dev/pts/nonexistent", link);
    SimProcess sim;
    ASSERT_TRUE(sim.StartWith({"--link", link, "--baud", "0"}, dir.file("err.txt")));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.ReadyPath());
    Client client;
    ASSERT_TRUE(client.open(link));
    EXPECT_EQ(word(client.exchange(kCmdEcho), 0), 0x00AA);
    EXPECT_EQ(sim.Stop(), 0);
}

} // namespace
} // namespace qzan::sim::test
