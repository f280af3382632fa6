// The built `qzan` as a script runs it: each command against simulators on
// pseudo-terminals (or a sensor played by the test where a simulator cannot
// misbehave the way needed), its output and its exit code; and every bad
// input ends with its one-line error and the right code, nothing sent.
#include "core/backup/backup.h"
#include "core/protocol/frame.h"
#include "core/protocol/parafile.h"

#include "child_process.h"
#include "files.h"
#include "pty_pair.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using qzan::test::ChildProcess;
using qzan::test::ReadFile;
using qzan::test::SimProcess;
using qzan::test::TempDir;
using Words = qzan::protocol::Words;

// RAM and EEPROM of the first simulator, and a different set for the second.
const Words kSetA = {650, 0, 480, 40, 0, 0, 150, 850, 400, 60, 1, 1, 0, 300, 0, 1000};
const Words kSetB = {300, 1, 700, 20, 1, 2, 100, 900, 500, 90, 0, 0, 0, 1, 1, 1100};

std::string ParamsArg(const Words &w)
{
    std::string s;
    for (std::size_t i = 0; i < w.size(); ++i)
        s += (i ? "," : "") + std::to_string(w[i]);
    return s;
}

struct Result {
    int code = -3;
    std::string out, err;
};

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Tool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override
    {
        for (int n = 1; n <= 4; ++n)
            ::unsetenv(("QZAN_COM" + std::to_string(n)).c_str());
    }

    // A simulator on port `port` serving `set` in RAM and EEPROM.
    void StartSim(SimProcess &sim, int port, const Words &set,
                  std::vector<std::string> extra = {})
    {
        const std::string link = dir_.file("com" + std::to_string(port));
        extra.insert(extra.end(), {"--params", ParamsArg(set), "--baud", "0"});
        ASSERT_TRUE(sim.Start(link, extra, link + ".log")) << sim.Stderr();
        ::setenv(("QZAN_COM" + std::to_string(port)).c_str(), link.c_str(), 1);
    }

    void Spawn(ChildProcess &child, const std::vector<std::string> &args)
    {
        std::vector<std::string> argv = {QZAN_CLI_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(child.Spawn(argv, dir_.file("stderr.txt")));
    }

    Result Finish(ChildProcess &child)
    {
        Result r;
        r.out = child.ReadAll();
        r.code = child.Wait(20s);
        r.err = ReadFile(dir_.file("stderr.txt"));
        return r;
    }

    Result Run(const std::vector<std::string> &args)
    {
        ChildProcess child;
        Spawn(child, args);
        return Finish(child);
    }

    Words Get(int port, const char *memory)
    {
        const std::string file = dir_.file("got.dat");
        const Result r = Run({"get", "--port", std::to_string(port), "--from", memory, "--file", file});
        EXPECT_EQ(r.code, 0) << r.err;
        return qzan::protocol::ParseParameterFile(ReadFile(file)).words;
    }

    void WriteFile(const std::string &name, const std::string &text)
    {
        std::ofstream(dir_.file(name), std::ios::binary) << text;
    }

    TempDir dir_;
};

TEST_F(Tool, GetPrintsTheSetAsATableAsJsonAndAsAParameterFile)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA);
    const Result table = Run({"get", "--port", "1", "--from", "ram"});
    ASSERT_EQ(table.code, 0) << table.err;
    const auto lines = Lines(table.out);
    ASSERT_EQ(lines.size(), 17u) << table.out;
    EXPECT_EQ(lines[4], "bVal         40");
    EXPECT_EQ(lines[7], "eBeg        150  pixels");
    EXPECT_EQ(lines[16], "para15     1000  1/1000");

    const Result json = Run({"get", "--port", "1", "--from", "eeprom", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_NE(json.out.find("\"vThd\": 480,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"para15\": 1000\n}"), std::string::npos) << json.out;
    EXPECT_EQ(sim.Log("REQ", 4).size(), 1u);

    EXPECT_EQ(Get(1, "ram"), kSetA);
    EXPECT_EQ(ReadFile(dir_.file("got.dat")), qzan::protocol::FormatParameterFile(kSetA));
}

TEST_F(Tool, CheckAndPortsTellWhatAnswersWhere)
{
    SimProcess good, wrong, silent;
    StartSim(good, 1, kSetA);
    StartSim(wrong, 2, kSetA, {"--wrong-echo"});
    StartSim(silent, 3, kSetA, {"--silent"});
    ::setenv("QZAN_COM4", dir_.file("nothing-here").c_str(), 1);

    const Result ok = Run({"check", "--port", "1"});
    EXPECT_EQ(ok.code, 0) << ok.err;
    EXPECT_EQ(ok.out, "COM1 (" + dir_.file("com1") + "): Echo Check - Line Ok!\n");
    const Result bad = Run({"check", "--port", "2"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("read error - not sync byte 0xAA!"), std::string::npos) << bad.err;
    const Result none = Run({"check", "--port", "3"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("did not answer echo (command 7) on COM3"), std::string::npos)
        << none.err;
    const Result missing = Run({"check", "--port", "4"});
    EXPECT_EQ(missing.code, 3);
    EXPECT_EQ(Lines(missing.err).size(), 1u) << missing.err;
    EXPECT_NE(missing.err.find("COM4: Cannot open port: " + dir_.file("nothing-here")),
              std::string::npos)
        << missing.err;
    EXPECT_EQ(Run({"check", "--port", "0"}).code, 2);
    EXPECT_EQ(Run({"check"}).code, 2);

    // A port another process holds.
    ChildProcess holder;
    std::vector<std::string> argv = {QZAN_CLI_BIN, "measure", "--port", "1"};
    ASSERT_TRUE(holder.Spawn(argv, dir_.file("holder.txt")));
    std::string line;
    ASSERT_TRUE(holder.ReadLine(line, 5s)); // the header: the port is open
    const Result busy = Run({"check", "--port", "1"});
    holder.Signal(SIGINT);
    EXPECT_EQ(holder.Wait(10s), 0);
    EXPECT_EQ(busy.code, 3);
    EXPECT_NE(busy.err.find("COM1: Cannot open port: " + dir_.file("com1") + ": "),
              std::string::npos)
        << busy.err;

    const Result ports = Run({"ports"});
    ASSERT_EQ(ports.code, 0) << ports.err;
    const auto lines = Lines(ports.out);
    ASSERT_GE(lines.size(), 16u);
    EXPECT_EQ(lines[0].rfind("COM1 \u2014 " + dir_.file("com1"), 0), 0u) << lines[0];
    EXPECT_NE(lines[3].find("(not present)"), std::string::npos) << lines[3];
}

TEST_F(Tool, SendChangesTheNamedWordsClampsThemAsThePanelsDoAndVerifies)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA);
    const Result r = Run({"send", "--port", "1", "--to", "ram", "--set", "vThd=2000", "--set",
                          "tTol=77"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "qzan: vThd: 2000 is above 1023, sent as 512\n");
    Words expected = kSetA;
    expected[2] = 512;
    expected[9] = 77;
    EXPECT_EQ(Get(1, "ram"), expected);
    EXPECT_EQ(Get(1, "eeprom"), kSetA);

    // A parameter file to the EEPROM; a scale factor below its range comes up to it.
    Words file = kSetB;
    file[15] = 700;
    WriteFile("p.dat", qzan::protocol::FormatParameterFile(file));
    const Result f = Run({"send", "--port", "1", "--to", "eeprom", dir_.file("p.dat")});
    ASSERT_EQ(f.code, 0) << f.err;
    EXPECT_EQ(f.err, "qzan: para15: 700 is below 800, sent as 800\n");
    file[15] = 800;
    EXPECT_EQ(Get(1, "eeprom"), file);
    const auto writes = sim.Log("REQ", 3);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].words, std::vector<unsigned>(file.begin(), file.end()));
}

TEST_F(Tool, BadInputIsRefusedWithItsPlaceNamedAndNothingIsSent)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA);
    std::string cut = qzan::protocol::FormatParameterFile(kSetB);
    cut.resize(cut.size() / 2);
    WriteFile("cut.dat", cut);
    WriteFile("big.dat", "1\n2\n70000\n");
    WriteFile("word.dat", "1\nten\n");
    WriteFile("other.txt", "hello, world\n");
    std::string backupText = qzan::backup::FormatBackup({kSetA, kSetB, "t", 1, "d", "p"});
    WriteFile("cut.json", backupText.substr(0, backupText.size() - 40));
    const auto at = backupText.find("\"tTol\": 90");
    WriteFile("wide.json", backupText.replace(at, 10, "\"tTol\": 65536"));

    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"send", "--port", "1", "--to", "ram", dir_.file("cut.dat")},
         dir_.file("cut.dat") + ": holds 8 numbers, a parameter file sixteen (cut short?)"},
        {{"send", "--port", "1", "--to", "ram", dir_.file("big.dat")},
         dir_.file("big.dat") + ": line 3: 70000 is not a 16-bit number (0 to 65535)"},
        {{"send", "--port", "1", "--to", "ram", dir_.file("word.dat")},
         dir_.file("word.dat") + ": line 2: \"ten\" is not a whole number"},
        {{"send", "--port", "1", "--to", "ram", dir_.file("other.txt")},
         dir_.file("other.txt") + ": line 1: \"hello, world\" is not a whole number"},
        {{"send", "--port", "1", "--to", "ram", dir_.file("none.dat")},
         dir_.file("none.dat") + ": "},
        {{"restore", "--port", "1", dir_.file("cut.json")}, dir_.file("cut.json") + ": line "},
        {{"restore", "--port", "1", dir_.file("wide.json")},
         dir_.file("wide.json") + ": eeprom.tTol: 65536 is not a 16-bit number (0 to 65535)"},
        {{"restore", "--port", "1", dir_.file("big.dat")},
         dir_.file("big.dat") + ": not a backup (a parameter file holds one set only)"},
        {{"send", "--port", "1", "--to", "ram", "--set", "vThd=1", "--set", "gain=1"},
         "--set gain=1: no parameter 'gain'"},
        {{"send", "--port", "1", "--to", "ram", "--set", "vThd=1", "--set", "power=65536"},
         "--set power=65536: '65536' is not a 16-bit number (0 to 65535)"},
        {{"send", "--port", "1", "--to", "ram", "--set", "power=-1"},
         "--set power=-1: '-1' is not a 16-bit number"},
        {{"send", "--port", "1", "--to", "flash", "--set", "power=1"}, "--to ram or --to eeprom"},
        {{"diff", "--port", "1", "ram", dir_.file("word.dat")}, dir_.file("word.dat") + ": line 2"},
        {{"frobnicate"}, "'frobnicate' is no command"},
    };
    for (const auto &c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, 2) << c.args[0] << " " << c.args.back() << ": " << r.err;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("qzan: " + c.message, 0), 0u) << r.err;
    }
    EXPECT_TRUE(sim.Log("REQ", 1).empty());
    EXPECT_TRUE(sim.Log("REQ", 3).empty());
    EXPECT_EQ(Get(1, "ram"), kSetA);
}

TEST_F(Tool, ABackupRestoredIntoAnotherSensorMakesItTheSame)
{
    SimProcess first, second;
    StartSim(first, 1, kSetA);
    StartSim(second, 2, kSetB);
    ASSERT_EQ(Run({"send", "--port", "1", "--to", "ram", "--set", "tVal=444"}).code, 0);
    Words ramA = kSetA;
    ramA[8] = 444;

    const std::string file = dir_.file("a.json");
    const Result saved = Run({"backup", "--port", "1", file});
    ASSERT_EQ(saved.code, 0) << saved.err;
    const auto read = qzan::backup::ReadBackupFile(file);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.backup.ram, ramA);
    EXPECT_EQ(read.backup.eeprom, kSetA);
    EXPECT_EQ(read.backup.port, 1);
    EXPECT_EQ(read.backup.device, dir_.file("com1"));
    EXPECT_EQ(read.backup.program, "qzan 1.0");

    EXPECT_EQ(Run({"diff", "--port", "2", "eeprom", file}).code, 1);
    const Result restored = Run({"restore", "--port", "2", file});
    ASSERT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(Get(2, "ram"), ramA);
    EXPECT_EQ(Get(2, "eeprom"), kSetA);
    const Result same = Run({"diff", "--port", "2", "eeprom", file});
    EXPECT_EQ(same.code, 0) << same.out << same.err;
    EXPECT_EQ(same.out, "");

    // Only the RAM of a backup.
    StartSim(second, 2, kSetB);
    ASSERT_EQ(Run({"restore", "--port", "2", "--to", "ram", file}).code, 0);
    EXPECT_EQ(Get(2, "ram"), ramA);
    EXPECT_EQ(Get(2, "eeprom"), kSetB);
}

TEST_F(Tool, DiffListsTheDifferingWordsOfSensorsFilesAndBackups)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA);
    ASSERT_EQ(Run({"send", "--port", "1", "--to", "ram", "--set", "eBeg=151", "--set", "bMode=2"}).code, 0);
    const Result sensor = Run({"diff", "--port", "1", "ram", "eeprom"});
    EXPECT_EQ(sensor.code, 1);
    EXPECT_EQ(sensor.out, "eBeg               151   150\n"
                          "bMode                2     0\n");

    WriteFile("a.dat", qzan::protocol::FormatParameterFile(kSetA));
    WriteFile("b.dat", qzan::protocol::FormatParameterFile(kSetA));
    EXPECT_EQ(Run({"diff", dir_.file("a.dat"), dir_.file("b.dat")}).code, 0);
    EXPECT_EQ(Run({"diff", dir_.file("a.dat"), "ram"}).code, 2) << "ram needs a port";

    const std::string one = dir_.file("one.json"), two = dir_.file("two.json");
    ASSERT_EQ(Run({"backup", "--port", "1", one}).code, 0);
    ASSERT_EQ(Run({"send", "--port", "1", "--to", "eeprom", "--set", "iGain=0"}).code, 0);
    ASSERT_EQ(Run({"backup", "--port", "1", two}).code, 0);
    const Result backups = Run({"diff", one, two});
    EXPECT_EQ(backups.code, 1);
    // The EEPROM write put its words into the RAM too, as the sensor does.
    EXPECT_EQ(backups.out, "ram.eBeg           151   150\n"
                           "ram.iGain            1     0\n"
                           "ram.bMode            2     0\n"
                           "eeprom.iGain         1     0\n");
}

// A sensor played by the test on a pseudo-terminal: it takes the write and the
// read request, then answers as told.
class PlayedSensor : public Tool {
protected:
    void SetUp() override
    {
        Tool::SetUp();
        ASSERT_FALSE(pty_.slave.empty());
        ::setenv("QZAN_COM1", pty_.slave.c_str(), 1);
    }
    std::string Reply(std::uint16_t code, const Words &words)
    {
        std::string bytes = {0x00, 0x55, 0x00, static_cast<char>(code)};
        for (std::uint16_t w : words) {
            bytes += static_cast<char>(w >> 8);
            bytes += static_cast<char>(w & 0xFF);
        }
        return bytes;
    }
    qzan::test::PtyPair pty_;
};

TEST_F(PlayedSensor, ASetReadBackThatDiffersFailsTheSend)
{
    WriteFile("p.dat", qzan::protocol::FormatParameterFile(kSetA));
    ChildProcess child;
    Spawn(child, {"send", "--port", "1", "--to", "ram", dir_.file("p.dat")});
    EXPECT_EQ(pty_.receive(72).size(), 72u); // the write and the read request
    Words held = kSetA;
    held[9] = 61;
    pty_.send(Reply(2, held));
    const Result r = Finish(child);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "qzan: RAM read back differs: tTol sent 60, holds 61\n");
}

TEST_F(PlayedSensor, AnAnswerToAnotherCommandIsNoAnswer)
{
    ChildProcess child;
    Spawn(child, {"get", "--port", "1", "--from", "eeprom"});
    EXPECT_EQ(pty_.receive(36).size(), 36u);
    pty_.send(Reply(8, kSetA));
    const Result r = Finish(child);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "qzan: the sensor answered command 8 to read EEPROM (command 4)\n");
}

TEST_F(PlayedSensor, CtrlCWhileASendIsVerifiedNeverClaimsSuccess)
{
    WriteFile("p.dat", qzan::protocol::FormatParameterFile(kSetA));
    ChildProcess child;
    Spawn(child, {"send", "--port", "1", "--to", "eeprom", dir_.file("p.dat")});
    EXPECT_EQ(pty_.receive(72).size(), 72u);
    child.Signal(SIGINT);
    const Result r = Finish(child);
    EXPECT_EQ(r.code, 130);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "qzan: interrupted: sent to EEPROM but not verified\n");
}

TEST_F(Tool, MeasurePrintsTheRecordingsColumnsAndEndsCleanlyOnCtrlC)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA, {"--drift", "0"});
    const Result csv = Run({"measure", "--port", "1", "--count", "5", "--csv"});
    ASSERT_EQ(csv.code, 0) << csv.err;
    const auto lines = Lines(csv.out);
    ASSERT_EQ(lines.size(), 6u) << csv.out;
    EXPECT_EQ(lines[0], "time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        unsigned v[8];
        long long ms = 0;
        int inside = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lld,%u,%u,%u,%u,%u,%u,%u,%d", &ms, &v[0], &v[1],
                              &v[2], &v[3], &v[4], &v[5], &v[6], &inside),
                  9)
            << lines[i];
        EXPECT_EQ(v[2], v[0]) << "mode 0 measures the first edge";
        EXPECT_EQ(v[3], 400u);
        EXPECT_EQ(v[4], 60u);
    }
    EXPECT_EQ(sim.Log("REQ", 8).size(), 5u);

    ChildProcess child;
    Spawn(child, {"measure", "--port", "1", "--json"});
    std::string line;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(child.ReadLine(line, 5s));
    EXPECT_EQ(line.rfind("{\"time_ms\": ", 0), 0u) << line;
    child.Signal(SIGINT);
    const Result r = Finish(child);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out.empty() || r.out.back() == '\n') << "a line cut short";
    for (const std::string &l : Lines(r.out))
        EXPECT_EQ(l.back(), '}') << l;
}

TEST_F(Tool, DataPlacesTheSamplesAsTheDataGraphDoesAndTeachTakesTheMeasuredValue)
{
    SimProcess sim;
    Words window = kSetA;
    window[12] = 1; // a 256-pixel window from pStart
    StartSim(sim, 1, window, {"--drift", "0"});
    const Result data = Run({"data", "--port", "1", "--csv"});
    ASSERT_EQ(data.code, 0) << data.err;
    auto lines = Lines(data.out);
    ASSERT_EQ(lines.size(), 257u);
    EXPECT_EQ(lines[1].rfind("300,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[256].rfind("555,", 0), 0u) << lines[256];
    EXPECT_EQ(sim.Log("REQ", 9).size(), 4u);

    ASSERT_EQ(Run({"send", "--port", "1", "--to", "ram", "--set", "ccdMode=0"}).code, 0);
    lines = Lines(Run({"data", "--port", "1"}).out);
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines[255].rfind( " 1020 ", 0), 0u) << lines[255];

    const Result teach = Run({"teach", "--port", "1"});
    ASSERT_EQ(teach.code, 0) << teach.err;
    unsigned taught = 0, was = 0;
    ASSERT_EQ(std::sscanf(teach.out.c_str(), "tVal %u (was %u)", &taught, &was), 2) << teach.out;
    EXPECT_EQ(was, 400u);
    EXPECT_NE(taught, 400u);
    EXPECT_EQ(Get(1, "ram")[8], taught);
    EXPECT_EQ(sim.Log("REQ", 5).size(), 1u);
}

TEST_F(Tool, TracePrintsEveryFrameDecodedOnTheStandardErrorAndChangesNothingElse)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA);
    const Result plain = Run({"get", "--port", "1", "--from", "ram"});
    const Result traced = Run({"--trace", "get", "--port", "1", "--from", "ram"});
    ASSERT_EQ(traced.code, 0) << traced.err;
    EXPECT_EQ(traced.out, plain.out);
    EXPECT_EQ(plain.err, "");
    auto lines = Lines(traced.err);
    ASSERT_EQ(lines.size(), 2u) << traced.err;
    const std::string set = "power=650 pwrMode=0 vThd=480 bVal=40 polarity=0 eMode=0 eBeg=150 "
                            "eEnd=850 tVal=400 tTol=60 iGain=1 ePoti=1 ccdMode=0 pStart=300 "
                            "bMode=0 para15=1000";
    EXPECT_NE(lines[0].find(" ms \u2192 Read RAM: "), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(" ms \u2190 Read RAM: " + set + " | 00 55 00 02 02 8A 00 00 01 E0"),
              std::string::npos)
        << lines[1];

    // A data read among its options: four block requests and four blocks.
    const Result data = Run({"data", "--port", "1", "--trace"});
    ASSERT_EQ(data.code, 0) << data.err;
    std::vector<std::string> asked, blocks;
    for (const std::string &line : Lines(data.err)) {
        if (line.find("\u2192 Data block: ") != std::string::npos)
            asked.push_back(line);
        if (line.find("\u2190 Data block: ") != std::string::npos)
            blocks.push_back(line);
    }
    ASSERT_EQ(asked.size(), 4u) << data.err;
    ASSERT_EQ(blocks.size(), 4u) << data.err;
    EXPECT_NE(asked[0].find("first sample 0, reference word 0 | 00 55 00 09"), std::string::npos)
        << asked[0];
    EXPECT_NE(asked[3].find("first sample 192, reference word 1 (last block)"), std::string::npos);
    EXPECT_NE(blocks[3].find("samples 192-255: "), std::string::npos) << blocks[3];
    EXPECT_EQ(sim.Log("REQ", 9).size(), 4u);
}

TEST_F(Tool, TraceShowsASpoiltAnswerForWhatItIs)
{
    SimProcess sim;
    StartSim(sim, 1, kSetA, {"--extra-every", "1", "--extra-bytes", "3"});
    const Result r = Run({"check", "--port", "1", "--trace"});
    EXPECT_EQ(r.code, 0) << r.err;
    const auto lines = Lines(r.err);
    ASSERT_GE(lines.size(), 3u) << r.err;
    EXPECT_NE(lines[1].find("\u2190 Echo: line ok (w0=0x00AA)"), std::string::npos) << lines[1];
    // The bytes after the answer are thrown away unread or read as garbage:
    // either way none is lost.
    long extra = 0;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        unsigned n = 0;
        const std::size_t at = lines[i].find(": ");
        ASSERT_NE(at, std::string::npos) << lines[i];
        ASSERT_EQ(std::sscanf(lines[i].c_str() + at + 2, "%u byte", &n), 1) << lines[i];
        extra += n;
    }
    EXPECT_EQ(extra, 3) << r.err;
}

} // namespace
