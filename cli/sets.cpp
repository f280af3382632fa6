// The commands on parameter sets: ports, check, get, send, backup, restore
// and diff.
#include "cli/cli.h"

#include "core/protocol/parafile.h"
#include "core/protocol/record.h"
#include "platform/rs232.h"
#include "platform/serial/catalog.h"

#include <QCoreApplication>

#include <cstdio>
#include <vector>

namespace qzan::cli {

using backup::Memory;
using protocol::kParameters;
using protocol::PNUM;

namespace {

const protocol::Parameter &Param(int i) { return kParameters[static_cast<std::size_t>(i)]; }
std::uint16_t &At(Words &w, int i) { return w[static_cast<std::size_t>(i)]; }
std::uint16_t At(const Words &w, int i) { return w[static_cast<std::size_t>(i)]; }

std::string MemoryUpper(Memory m) { return m == Memory::Ram ? "RAM" : "EEPROM"; }

void PrintTable(const Words &w)
{
    std::printf("%-9s %5s  %s\n", "name", "value", "unit");
    for (int i = 0; i < PNUM; ++i) {
        const char *unit = UnitText(i);
        std::printf("%-9s %5u%s%s\n", Param(i).name, unsigned{At(w, i)}, *unit ? "  " : "", unit);
    }
}

void PrintJson(const Words &w)
{
    std::printf("{\n");
    for (int i = 0; i < PNUM; ++i)
        std::printf("  \"%s\": %u%s\n", Param(i).name, unsigned{At(w, i)}, i + 1 < PNUM ? "," : "");
    std::printf("}\n");
}

// The words in which `sent` and `held` differ, one message.
std::string Differences(const Words &sent, const Words &held)
{
    std::string out;
    for (int i = 0; i < PNUM; ++i)
        if (At(sent, i) != At(held, i))
            out += std::string(out.empty() ? "" : ", ") + Param(i).name + " sent " +
                   std::to_string(At(sent, i)) + ", holds " + std::to_string(At(held, i));
    return out;
}

// Writes `words` into `memory` and reads them back. 0, or the exit code after
// its message.
int WriteAndVerify(Line &line, Memory memory, const Words &words)
{
    if (Interrupted())
        return Fail(kExitInterrupted, "interrupted: nothing was sent to " + MemoryUpper(memory));
    const Outcome sent = line.Write(WriteCommand(memory), words);
    if (sent != Outcome::Answered)
        return Fail(kExitFailed, line.Describe(sent, WriteCommand(memory)));
    Words held{};
    const Outcome read = line.Exchange(ReadCommand(memory), words, held);
    if (read == Outcome::Interrupted)
        return Fail(kExitInterrupted,
                    "interrupted: sent to " + MemoryUpper(memory) + " but not verified");
    if (read != Outcome::Answered)
        return Fail(kExitFailed, "sent to " + MemoryUpper(memory) + " but not verified: " +
                                     line.Describe(read, ReadCommand(memory)));
    if (held != words)
        return Fail(kExitFailed, MemoryUpper(memory) + " read back differs: " +
                                     Differences(words, held));
    return kExitDone;
}

// "name=value" of --set into `words`; a message naming the argument when it
// is not a known name and a 16-bit number.
bool ApplySetting(const QString &arg, Words &words, std::string &error)
{
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    const std::string shown = "--set " + Str(arg);
    if (eq <= 0) {
        error = shown + ": not name=value";
        return false;
    }
    const std::string name = Str(arg.left(eq));
    const int word = protocol::FindParameter(name);
    if (word < 0) {
        std::string names;
        for (int i = 0; i < PNUM; ++i)
            names += std::string(i ? ", " : "") + Param(i).name;
        error = shown + ": no parameter '" + name + "' (" + names + ")";
        return false;
    }
    const QString value = arg.mid(eq + 1).trimmed();
    bool digits = !value.isEmpty() && value.size() <= 5;
    for (QChar c : value)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const uint n = digits ? value.toUInt() : 0;
    if (!digits || n > 65535) {
        error = shown + ": '" + Str(value) + "' is not a 16-bit number (0 to 65535)";
        return false;
    }
    At(words, word) = static_cast<std::uint16_t>(n);
    return true;
}

// The clamp the panels apply to values that come in; says which words it changed.
Words Clamp(const Words &words)
{
    const protocol::ClampedRecord clamped = protocol::ClampRecord(words);
    for (int i = 0; i < PNUM; ++i) {
        if ((clamped.changed & (1u << i)) == 0)
            continue;
        const bool above = At(words, i) > Param(i).max;
        std::fprintf(stderr, "qzan: %s: %u is %s %u, sent as %u\n", Param(i).name,
                     unsigned{At(words, i)}, above ? "above" : "below",
                     unsigned{above ? Param(i).max : Param(i).min}, unsigned{At(clamped.words, i)});
    }
    return clamped.words;
}

} // namespace

std::optional<backup::Memory> ParseMemory(const QString &text)
{
    if (text == QLatin1String("ram"))
        return Memory::Ram;
    if (text == QLatin1String("eeprom"))
        return Memory::Eeprom;
    return std::nullopt;
}

const char *MemoryName(Memory memory) { return memory == Memory::Ram ? "ram" : "eeprom"; }

std::uint16_t ReadCommand(Memory memory)
{
    return memory == Memory::Ram ? protocol::CMD_READ_RAM : protocol::CMD_READ_EEPROM;
}

std::uint16_t WriteCommand(Memory memory)
{
    return memory == Memory::Ram ? protocol::CMD_WRITE_RAM : protocol::CMD_WRITE_EEPROM;
}

const char *UnitText(int word)
{
    switch (Param(word).unit) {
    case protocol::Unit::Pixels: return "pixels";
    case protocol::Unit::Thousandths: return "1/1000";
    case protocol::Unit::None: break;
    }
    return "";
}

std::optional<int> OpenLine(Line &line, int port)
{
    std::string error;
    if (!line.Open(port, error))
        return Fail(kExitPort, error);
    return std::nullopt;
}

std::optional<int> FetchSet(Line &line, Memory memory, Words &out)
{
    // The request carries a set as the program's does; the sensor ignores it.
    const Outcome o = line.Exchange(ReadCommand(memory), out, out);
    if (o == Outcome::Answered)
        return std::nullopt;
    return Fail(o == Outcome::Interrupted ? kExitInterrupted : kExitFailed,
                line.Describe(o, ReadCommand(memory)));
}

int RunPorts(const QStringList &args)
{
    Options opt("ports", "Lists port numbers 1 to 16 and the device each reaches, as the "
                         "program's port list shows them, then the serial devices present "
                         "that none of them reaches, numbered from 17 up.");
    if (auto code = opt.Parse(args))
        return *code;
    std::vector<int> fixed;
    for (int n = 1; n <= 16; ++n)
        fixed.push_back(n);
    std::vector<PortChoice> choices;
    if (!ListPortChoices(fixed, choices)) {
        // The devices present cannot be listed: the numbers and their devices.
        for (int n : fixed)
            std::printf("COM%d \u2014 %s\n", n, ComPortDevice(n));
        return kExitDone;
    }
    for (const PortChoice &c : choices)
        std::printf("%s\n", Str(c.label).c_str());
    return kExitDone;
}

int RunCheck(const QStringList &args)
{
    Options opt("check", "Sends the echo request and waits for the sensor's answer, as the "
                         "program does when it opens a port. Exit code 0 when the sensor "
                         "answered, 1 when it did not or answered wrongly.");
    opt.AddPort(true);
    if (auto code = opt.Parse(args))
        return *code;
    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    Words reply{};
    const Outcome o = line.Exchange(protocol::CMD_ECHO, Words{}, reply);
    if (o != Outcome::Answered)
        return Fail(o == Outcome::Interrupted ? kExitInterrupted : kExitFailed,
                    line.Describe(o, protocol::CMD_ECHO));
    if (!protocol::EchoAnswered(reply[0])) {
        char text[96];
        std::snprintf(text, sizeof text, "read error - not sync byte 0xAA! (word 0 is 0x%04X)",
                      unsigned{reply[0]});
        return Fail(kExitFailed, text);
    }
    std::printf("COM%d (%s): Echo Check - Line Ok!\n", opt.port, line.Device().c_str());
    return kExitDone;
}

int RunGet(const QStringList &args)
{
    Options opt("get", "Reads the sensor's RAM or EEPROM set and prints it as a table "
                       "(name, value, unit), as JSON, or writes it into a parameter file "
                       "(sixteen numbers, one a line, as the program saves them). The "
                       "values are printed as the sensor holds them, unclamped.");
    opt.AddPort(true);
    opt.parser.addOption(QCommandLineOption(QStringLiteral("from"),
                                            QStringLiteral("The set to read: ram or eeprom."),
                                            QStringLiteral("ram|eeprom")));
    opt.parser.addOption(QCommandLineOption(QStringLiteral("json"),
                                            QStringLiteral("Print a JSON object of named words.")));
    opt.parser.addOption(QCommandLineOption(QStringLiteral("file"),
                                            QStringLiteral("Write a parameter file F instead."),
                                            QStringLiteral("F")));
    if (auto code = opt.Parse(args))
        return *code;
    const auto memory = ParseMemory(opt.parser.value(QStringLiteral("from")));
    if (!memory)
        return Fail(kExitUsage, "--from ram or --from eeprom is needed");
    const bool json = opt.parser.isSet(QStringLiteral("json"));
    const bool toFile = opt.parser.isSet(QStringLiteral("file"));
    if (json && toFile)
        return Fail(kExitUsage, "--json and --file exclude each other");
    if (!opt.parser.positionalArguments().isEmpty())
        return Fail(kExitUsage, "unexpected '" + Str(opt.parser.positionalArguments().first()) + "'");
    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    Words words{};
    if (auto code = FetchSet(line, *memory, words))
        return *code;
    if (toFile) {
        std::string error;
        if (!backup::WriteParameterFile(Str(opt.parser.value(QStringLiteral("file"))), words, error))
            return Fail(kExitUsage, error);
    } else if (json) {
        PrintJson(words);
    } else {
        PrintTable(words);
    }
    return kExitDone;
}

int RunSend(const QStringList &args)
{
    Options opt(
        "send",
        "Sends a set to the sensor's RAM or EEPROM and reads it back. The set is a "
        "parameter file or a backup F (its set of the same memory), or the target's "
        "present set with the words named by --set changed. Values out of their "
        "range are brought into it as the program's panels do when values come in, "
        "and each such change is reported. Nothing is sent unless every value is "
        "valid. Exit code 1 when the sensor does not answer or the set read back "
        "differs; 130 when interrupted, never claiming success.");
    opt.AddPort(true);
    opt.parser.addOption(QCommandLineOption(QStringLiteral("to"),
                                            QStringLiteral("The target: ram or eeprom."),
                                            QStringLiteral("ram|eeprom")));
    opt.parser.addOption(QCommandLineOption(
        QStringLiteral("set"), QStringLiteral("Change word NAME to VALUE (0 to 65535); repeatable."),
        QStringLiteral("NAME=VALUE")));
    opt.parser.addPositionalArgument(QStringLiteral("F"),
                                     QStringLiteral("A parameter file or a backup."),
                                     QStringLiteral("[F]"));
    if (auto code = opt.Parse(args))
        return *code;
    const auto memory = ParseMemory(opt.parser.value(QStringLiteral("to")));
    if (!memory)
        return Fail(kExitUsage, "--to ram or --to eeprom is needed");
    const QStringList files = opt.parser.positionalArguments();
    const QStringList settings = opt.parser.values(QStringLiteral("set"));
    if (files.size() > 1)
        return Fail(kExitUsage, "one file at most");
    if (files.isEmpty() == settings.isEmpty())
        return Fail(kExitUsage, "give either a file F or --set NAME=VALUE");

    Words words{};
    if (!files.isEmpty()) {
        const backup::SetFile read = backup::ReadSetFile(Str(files.first()), *memory);
        if (!read.ok)
            return Fail(kExitUsage, read.error);
        words = read.words;
    }
    // Every --set is checked before the port is touched.
    Words changes{};
    std::uint16_t changed = 0;
    for (const QString &s : settings) {
        std::string error;
        Words one{};
        if (!ApplySetting(s, one, error))
            return Fail(kExitUsage, error);
        const int word = protocol::FindParameter(Str(s.left(s.indexOf(QLatin1Char('=')))));
        At(changes, word) = At(one, word);
        changed = static_cast<std::uint16_t>(changed | (1u << word));
    }

    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    if (!settings.isEmpty()) {
        if (auto code = FetchSet(line, *memory, words))
            return *code;
        for (int i = 0; i < PNUM; ++i)
            if (changed & (1u << i))
                At(words, i) = At(changes, i);
    }
    words = Clamp(words);
    if (const int code = WriteAndVerify(line, *memory, words))
        return code;
    std::printf("%s: %d words sent and read back\n", MemoryUpper(*memory).c_str(), PNUM);
    return kExitDone;
}

int RunBackup(const QStringList &args)
{
    Options opt("backup", "Reads the sensor's RAM and EEPROM sets and saves both in the backup "
                          "file F (JSON, with the time, the port and the program's version). "
                          "The file is written whole or not at all.");
    opt.AddPort(true);
    opt.parser.addPositionalArgument(QStringLiteral("F"), QStringLiteral("The backup file."));
    if (auto code = opt.Parse(args))
        return *code;
    const QStringList files = opt.parser.positionalArguments();
    if (files.size() != 1)
        return Fail(kExitUsage, "one backup file F is needed");
    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    backup::Backup b;
    if (auto code = FetchSet(line, Memory::Ram, b.ram))
        return *code;
    if (auto code = FetchSet(line, Memory::Eeprom, b.eeprom))
        return *code;
    b.time = backup::NowUtc();
    b.port = opt.port;
    b.device = line.Device();
    b.program = std::string("qzan ") + QZAN_VERSION;
    std::string error;
    if (!backup::WriteBackupFile(Str(files.first()), b, error))
        return Fail(kExitUsage, error);
    std::printf("COM%d (%s): RAM and EEPROM saved in %s\n", opt.port, b.device.c_str(),
                Str(files.first()).c_str());
    return kExitDone;
}

int RunRestore(const QStringList &args)
{
    Options opt("restore",
                "Puts the sets of the backup F back into the sensor exactly as they were "
                "saved: both (EEPROM first, then RAM), or the one named by --to. Each is "
                "read back. The whole file is checked before anything is sent. Exit code 1 "
                "when the sensor does not answer or a set read back differs; 130 when "
                "interrupted, never claiming success.");
    opt.AddPort(true);
    opt.parser.addOption(QCommandLineOption(QStringLiteral("to"),
                                            QStringLiteral("Restore only this set: ram or eeprom."),
                                            QStringLiteral("ram|eeprom")));
    opt.parser.addPositionalArgument(QStringLiteral("F"), QStringLiteral("The backup file."));
    if (auto code = opt.Parse(args))
        return *code;
    const QStringList files = opt.parser.positionalArguments();
    if (files.size() != 1)
        return Fail(kExitUsage, "one backup file F is needed");
    std::optional<Memory> only;
    if (opt.parser.isSet(QStringLiteral("to"))) {
        only = ParseMemory(opt.parser.value(QStringLiteral("to")));
        if (!only)
            return Fail(kExitUsage, "--to takes ram or eeprom");
    }
    const backup::SetFile read = backup::ReadBackupFile(Str(files.first()));
    if (!read.ok)
        return Fail(kExitUsage, read.error);
    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    // EEPROM first: a write to it may set RAM too.
    if (!only || *only == Memory::Eeprom)
        if (const int code = WriteAndVerify(line, Memory::Eeprom, read.backup.eeprom))
            return code;
    if (!only || *only == Memory::Ram)
        if (const int code = WriteAndVerify(line, Memory::Ram, read.backup.ram))
            return code;
    if (!only) {
        // The RAM write must not have changed the EEPROM.
        Words eeprom{};
        if (auto code = FetchSet(line, Memory::Eeprom, eeprom))
            return *code;
        if (eeprom != read.backup.eeprom)
            return Fail(kExitFailed, "EEPROM read back differs: " +
                                         Differences(read.backup.eeprom, eeprom));
    }
    std::printf("COM%d: %s restored from %s and read back\n", opt.port,
                !only ? "RAM and EEPROM" : MemoryUpper(*only).c_str(), Str(files.first()).c_str());
    return kExitDone;
}

namespace {

struct Side {
    QString arg;
    std::optional<Memory> memory; // ram or eeprom on the sensor
    backup::SetFile file;         // else a file
};

} // namespace

int RunDiff(const QStringList &args)
{
    Options opt("diff",
                "Compares two sets, each 'ram' or 'eeprom' (read from the sensor; needs "
                "--port) or a file (a parameter file or a backup), and prints each word "
                "that differs: its name, A's value and B's value. Of a backup the set "
                "compared is the one --set names, else the other side's memory, else "
                "its RAM set; two backups are compared set by set. Exit code 1 when any word differs, 0 when none does.");
    opt.AddPort(false);
    opt.parser.addOption(QCommandLineOption(
        QStringLiteral("set"), QStringLiteral("The set of a backup to compare: ram or eeprom."),
        QStringLiteral("ram|eeprom")));
    opt.parser.addPositionalArgument(QStringLiteral("A"), QStringLiteral("ram, eeprom or a file."));
    opt.parser.addPositionalArgument(QStringLiteral("B"), QStringLiteral("ram, eeprom or a file."));
    if (auto code = opt.Parse(args))
        return *code;
    const QStringList pos = opt.parser.positionalArguments();
    if (pos.size() != 2)
        return Fail(kExitUsage, "two sets A and B are needed");
    std::optional<Memory> chosen;
    if (opt.parser.isSet(QStringLiteral("set"))) {
        chosen = ParseMemory(opt.parser.value(QStringLiteral("set")));
        if (!chosen)
            return Fail(kExitUsage, "--set takes ram or eeprom");
    }
    Side sides[2];
    bool needPort = false;
    for (int k = 0; k < 2; ++k) {
        sides[k].arg = pos[k];
        sides[k].memory = ParseMemory(pos[k]);
        needPort = needPort || sides[k].memory.has_value();
    }
    if (needPort && opt.port == 0)
        return Fail(kExitUsage, "--port N is needed to read ram or eeprom");
    // Files first: a bad file ends the command before the port is opened.
    for (int k = 0; k < 2; ++k) {
        if (sides[k].memory)
            continue;
        const Side &other = sides[1 - k];
        const Memory which = chosen ? *chosen : other.memory ? *other.memory : Memory::Ram;
        sides[k].file = backup::ReadSetFile(Str(sides[k].arg), which);
        if (!sides[k].file.ok)
            return Fail(kExitUsage, sides[k].file.error);
    }
    struct Pair {
        std::string prefix;
        Words a{}, b{};
    };
    std::vector<Pair> pairs;
    if (!needPort && !chosen && sides[0].file.wasBackup && sides[1].file.wasBackup) {
        pairs.push_back({"ram.", sides[0].file.backup.ram, sides[1].file.backup.ram});
        pairs.push_back({"eeprom.", sides[0].file.backup.eeprom, sides[1].file.backup.eeprom});
    } else {
        Pair p;
        Line line;
        if (needPort)
            if (auto code = OpenLine(line, opt.port))
                return *code;
        for (int k = 0; k < 2; ++k) {
            Words &w = k == 0 ? p.a : p.b;
            if (sides[k].memory) {
                if (auto code = FetchSet(line, *sides[k].memory, w))
                    return *code;
            } else {
                w = sides[k].file.words;
            }
        }
        pairs.push_back(p);
    }
    int differing = 0;
    for (const Pair &p : pairs)
        for (int i = 0; i < PNUM; ++i)
            if (At(p.a, i) != At(p.b, i)) {
                ++differing;
                std::printf("%-16s %5u %5u\n", (p.prefix + Param(i).name).c_str(),
                            unsigned{At(p.a, i)}, unsigned{At(p.b, i)});
            }
    return differing ? kExitFailed : kExitDone;
}

} // namespace qzan::cli
