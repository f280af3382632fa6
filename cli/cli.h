// What the tool's commands share: exit codes, messages, option parsing and
// the sets as text.
#ifndef CLI_CLI_H
#define CLI_CLI_H

#include "cli/line.h"
#include "core/backup/backup.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>

namespace qzan::cli {

enum Exit {
    kExitDone = 0,
    kExitFailed = 1,    // the sensor did not answer, or a check or diff found a difference
    kExitUsage = 2,     // bad usage or a bad file
    kExitPort = 3,      // the port could not be opened
    kExitInterrupted = 130, // Ctrl-C where the work is not whole (send, restore, ...)
};

// "qzan: `message`" on standard error; gives back `code`.
int Fail(int code, const std::string &message);

// --trace: each frame sent and received, as a line on the standard error,
// from StartTrace until EndTrace (which tells what never came whole).
void StartTrace();
void EndTrace();
std::string Str(const QString &s);

// A command's options: --help and, when asked, --port. Parse() prints the
// help (0), or a usage error (2), and returns it; else nothing.
class Options {
public:
    Options(const char *command, const char *summary);
    QCommandLineParser parser;
    void AddPort(bool required);
    std::optional<int> Parse(const QStringList &args);
    // The port number given; 0 when none (and none was required).
    int port = 0;

private:
    std::string command_;
    bool portRequired_ = false;
    bool hasPort_ = false;
};

// "ram" or "eeprom"; nothing for anything else.
std::optional<backup::Memory> ParseMemory(const QString &text);
const char *MemoryName(backup::Memory memory);
std::uint16_t ReadCommand(backup::Memory memory);
std::uint16_t WriteCommand(backup::Memory memory);

// Opens the port; an error message and kExitPort when it cannot be opened.
std::optional<int> OpenLine(Line &line, int port);
// Reads a set from the sensor; a message and the exit code on failure.
std::optional<int> FetchSet(Line &line, backup::Memory memory, Words &out);

// The unit of each word as a table shows it.
const char *UnitText(int word);

// The commands; each gets the arguments after its name.
int RunPorts(const QStringList &args);
int RunCheck(const QStringList &args);
int RunGet(const QStringList &args);
int RunSend(const QStringList &args);
int RunBackup(const QStringList &args);
int RunRestore(const QStringList &args);
int RunDiff(const QStringList &args);
int RunTeach(const QStringList &args);
int RunMeasure(const QStringList &args);
int RunData(const QStringList &args);

} // namespace qzan::cli

#endif
