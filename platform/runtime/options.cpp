// The program's command line, read with Qt's parser.
#include "platform/runtime/options.h"

#include "platform/runtime/loop.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

StartOptions ReadStartOptions(void *instance, int highestPort)
{
    StartOptions options;
    const auto *args = static_cast<const RunTimeInstance *>(instance);
    if (!args || args->argc < 1 || !args->argv)
        return options;
    QStringList arguments;
    for (int i = 0; i < args->argc && args->argv[i]; ++i)
        arguments << QString::fromLocal8Bit(args->argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sets, teaches and watches an optical CCD line sensor on a serial port."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption com(
        QStringLiteral("com"),
        QStringLiteral("Starts on port N (1 to %1) instead of port 1; QZAN_COM<N> may name "
                       "the device or a network address it reaches.")
            .arg(highestPort),
        QStringLiteral("N"));
    parser.addOption(help);
    parser.addOption(com);
    // Unknown options belong to the run-time (-platform, -style, ...): not an error here.
    parser.parse(arguments);

    if (parser.isSet(help)) {
        // Without an application object the parser cannot know the program's name.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), arguments.first());
        std::fputs(text.toLocal8Bit().constData(), stdout);
        options.exitCode = 0;
        return options;
    }
    if (parser.isSet(com)) {
        const QString value = parser.value(com);
        bool ok = false;
        const int port = value.toInt(&ok);
        if (!ok || port < 1 || port > highestPort) {
            std::fprintf(stderr, "%s: --com takes a port number from 1 to %d, not \"%s\"\n",
                         args->argv[0], highestPort, value.toLocal8Bit().constData());
            options.exitCode = 2;
            return options;
        }
        options.port = port;
    }
    return options;
}
