// qzan: the sensor from a shell or a script. The command picks what to do;
// each command parses its own options.
#include "cli/cli.h"

#include "platform/runtime/loop.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace qzan::cli {

namespace {

struct CommandEntry {
    const char *name;
    const char *summary;
    int (*run)(const QStringList &args);
};

const CommandEntry kCommands[] = {
    {"ports", "list the port numbers and the devices they reach", RunPorts},
    {"check", "check that a sensor answers (the echo check)", RunCheck},
    {"get", "read the RAM or EEPROM set: as a table, as JSON or into a parameter file", RunGet},
    {"send", "send a parameter file or changed words to RAM or EEPROM, and verify", RunSend},
    {"backup", "save both sets of a sensor into a backup file", RunBackup},
    {"restore", "put a backup back into a sensor, and verify", RunRestore},
    {"diff", "show the words in which two sets differ", RunDiff},
    {"teach", "teach the setpoint, or the background", RunTeach},
    {"measure", "print the sensor's measurement answers, one a line", RunMeasure},
    {"data", "print the 256 line samples with their pixel positions", RunData},
};

void OnInterrupt(int)
{
    g_interrupted = 1;
}

void PrintUsage(std::FILE *to)
{
    std::fprintf(to, "Usage: qzan COMMAND [options]\n\n"
                     "Reads, saves, restores and checks the parameters of a Q-ZAN optical line\n"
                     "sensor on a serial port, and prints its measurements, from a shell or a\n"
                     "script. Port N is the device named by the environment variable QZAN_COM<N>\n"
                     "when it is set, else the system's N-th serial port, as in the program.\n\n"
                     "Commands:\n");
    for (const CommandEntry &c : kCommands)
        std::fprintf(to, "  %-9s %s\n", c.name, c.summary);
    std::fprintf(to, "\n'qzan COMMAND --help' tells more about each. --trace, before the command\n"
                     "or among its options, prints every frame sent and received on the\n"
                     "standard error: time in ms, direction, command, decoded words, bytes.\n\n"
                     "Exit codes: 0 done; 1 the sensor did not answer, or a verify or diff found\n"
                     "a difference; 2 bad usage or a bad file; 3 the port could not be opened;\n"
                     "130 interrupted (Ctrl-C) before the work was whole.\n");
}

} // namespace

int Fail(int code, const std::string &message)
{
    std::fprintf(stderr, "qzan: %s\n", message.c_str());
    return code;
}

std::string Str(const QString &s) { return s.toLocal8Bit().toStdString(); }

Options::Options(const char *command, const char *summary) : command_(command)
{
    // Qt prints the description as it is: wrapped here for a terminal.
    std::string wrapped, word;
    std::size_t column = 0;
    for (const char *p = summary;; ++p) {
        if (*p && *p != ' ') {
            word += *p;
            continue;
        }
        if (!word.empty()) {
            if (column && column + 1 + word.size() > 78) {
                wrapped += '\n';
                column = 0;
            } else if (column) {
                wrapped += ' ';
                ++column;
            }
            wrapped += word;
            column += word.size();
            word.clear();
        }
        if (!*p)
            break;
    }
    parser.setApplicationDescription(QString::fromUtf8(wrapped));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help.")));
}

void Options::AddPort(bool required)
{
    hasPort_ = true;
    portRequired_ = required;
    parser.addOption(QCommandLineOption(
        QStringLiteral("port"),
        QStringLiteral("Port number N (1 to 255): the device in QZAN_COM<N>, else the system's "
                       "N-th serial port."),
        QStringLiteral("N")));
}

std::optional<int> Options::Parse(const QStringList &args)
{
    QStringList all = args;
    all.prepend(QStringLiteral("qzan"));
    if (!parser.parse(all))
        return Fail(kExitUsage, Str(parser.errorText()) + " (see 'qzan " + command_ + " --help')");
    if (parser.isSet(QStringLiteral("help"))) {
        // Qt writes the program's own file name into the usage line.
        QString text = parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                     QStringLiteral("Usage: qzan ") + QString::fromStdString(command_));
        std::fputs(Str(text).c_str(), stdout);
        return kExitDone;
    }
    if (hasPort_) {
        if (parser.isSet(QStringLiteral("port"))) {
            bool ok = false;
            const QString text = parser.value(QStringLiteral("port"));
            const int n = text.toInt(&ok);
            if (!ok || n < 1 || n > 255)
                return Fail(kExitUsage, "--port " + Str(text) + ": not a port number (1 to 255)");
            port = n;
        } else if (portRequired_) {
            return Fail(kExitUsage, "--port N is needed (see 'qzan " + command_ + " --help')");
        }
    }
    return std::nullopt;
}

} // namespace qzan::cli

int main(int argc, char **argv)
{
    using namespace qzan::cli;
    RunTimeInstance instance{argc, argv};
    if (!InitCoreRunTime(&instance))
        return Fail(kExitUsage, "cannot start the run-time");
    QCoreApplication::setApplicationName(QStringLiteral("qzan"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QZAN_VERSION));

    // Ctrl-C asks the running command to stop after its present exchange; a
    // second one ends the tool at once.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    QStringList args = QCoreApplication::arguments().mid(1);
    // --trace is the tool's own option, before the command or among its options.
    const bool trace = args.removeAll(QStringLiteral("--trace")) > 0;
    if (args.isEmpty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const QString first = args.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        PrintUsage(stdout);
        return kExitDone;
    }
    if (first == QLatin1String("--version")) {
        std::printf("qzan %s\n", QZAN_VERSION);
        return kExitDone;
    }
    for (const CommandEntry &c : kCommands)
        if (first == QLatin1String(c.name)) {
            if (trace)
                StartTrace();
            const int code = c.run(args.mid(1));
            EndTrace();
            return code;
        }
    return Fail(kExitUsage, "'" + Str(first) + "' is no command (see 'qzan --help')");
}
