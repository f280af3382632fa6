// The commands that work the sensor rather than its sets: teach, measure and
// data.
#include "cli/cli.h"

#include "core/protocol/record.h"
#include "platform/runtime/loop.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace qzan::cli {

using backup::Memory;

namespace {

int LineFailure(Line &line, Outcome o, std::uint16_t command)
{
    return Fail(o == Outcome::Interrupted ? kExitInterrupted : kExitFailed,
                line.Describe(o, command));
}

// The progress line on standard error: only on a terminal, and only once a
// run has taken a while, so that short runs and pipes stay clean.
class Progress {
public:
    Progress() : enabled_(::isatty(STDERR_FILENO) == 1) { clock_.start(); }
    void Update(long answers)
    {
        if (!enabled_ || clock_.elapsed() < 2000 || clock_.elapsed() - shown_ < 500)
            return;
        shown_ = clock_.elapsed();
        const double rate = answers * 1000.0 / static_cast<double>(shown_);
        std::fprintf(stderr, "\r%ld answers in %.0f s, %.1f a second ", answers, shown_ / 1000.0,
                     rate);
        std::fflush(stderr);
        drawn_ = true;
    }
    ~Progress()
    {
        if (drawn_)
            std::fprintf(stderr, "\r\033[K");
    }

private:
    bool enabled_;
    bool drawn_ = false;
    QElapsedTimer clock_;
    qint64 shown_ = 0;
};

} // namespace

int RunTeach(const QStringList &args)
{
    Options opt("teach",
                "Teaches the sensor its present measured value as the setpoint (the "
                "teach value), or with --background the present line as its background, "
                "then reads the RAM set and prints the teach value. As in the program the "
                "teach waits 0.75 s for the sensor's acknowledgement, the background teach "
                "1.55 s. Exit code 1 when the sensor does not acknowledge or answer.");
    opt.AddPort(true);
    opt.parser.addOption(QCommandLineOption(QStringLiteral("background"),
                                            QStringLiteral("Teach the background instead.")));
    if (auto code = opt.Parse(args))
        return *code;
    if (!opt.parser.positionalArguments().isEmpty())
        return Fail(kExitUsage, "unexpected '" + Str(opt.parser.positionalArguments().first()) + "'");
    const bool background = opt.parser.isSet(QStringLiteral("background"));
    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    // The request carries the present set, as the program's carries its variables.
    Words set{};
    if (auto code = FetchSet(line, Memory::Ram, set))
        return *code;
    const std::uint16_t command = background ? protocol::CMD_TEACH_BACKGROUND : protocol::CMD_TEACH;
    Words ack{};
    const Outcome o = line.Exchange(command, set, ack);
    if (o != Outcome::Answered)
        return LineFailure(line, o, command);
    Words after{};
    if (auto code = FetchSet(line, Memory::Ram, after))
        return *code;
    const int tVal = protocol::FindParameter("tVal");
    if (background)
        std::printf("background taught; tVal %u\n", unsigned{after[static_cast<std::size_t>(tVal)]});
    else
        std::printf("tVal %u (was %u)\n", unsigned{after[static_cast<std::size_t>(tVal)]},
                    unsigned{set[static_cast<std::size_t>(tVal)]});
    return kExitDone;
}

int RunMeasure(const QStringList &args)
{
    Options opt(
        "measure",
        "Asks the sensor for one measurement after the other, the next as soon as an "
        "answer is in, and prints one line per answer, flushed at once: the time in "
        "ms since the first request, the two edges, the measured value, the teach "
        "value, the tolerance (all in pixels), the window start, the number of edges "
        "and 1 when the measured value lies within the tolerance. The columns are "
        "those of the program's recording. It runs until --count answers came, "
        "--seconds passed, or Ctrl-C: Ctrl-C ends it after the present answer with "
        "exit code 0, every line printed whole. Exit code 1 when an answer does not "
        "come. A progress line goes to standard error when it is a terminal.");
    opt.AddPort(true);
    opt.parser.addOption(QCommandLineOption(QStringLiteral("count"),
                                            QStringLiteral("Stop after K answers."),
                                            QStringLiteral("K")));
    opt.parser.addOption(QCommandLineOption(QStringLiteral("seconds"),
                                            QStringLiteral("Stop after S seconds."),
                                            QStringLiteral("S")));
    opt.parser.addOption(QCommandLineOption(QStringLiteral("csv"),
                                            QStringLiteral("Comma-separated, with a header line.")));
    opt.parser.addOption(QCommandLineOption(QStringLiteral("json"),
                                            QStringLiteral("One JSON object a line.")));
    if (auto code = opt.Parse(args))
        return *code;
    if (!opt.parser.positionalArguments().isEmpty())
        return Fail(kExitUsage, "unexpected '" + Str(opt.parser.positionalArguments().first()) + "'");
    long count = -1;
    double seconds = -1;
    if (opt.parser.isSet(QStringLiteral("count"))) {
        bool ok = false;
        count = opt.parser.value(QStringLiteral("count")).toLong(&ok);
        if (!ok || count < 1)
            return Fail(kExitUsage, "--count " + Str(opt.parser.value(QStringLiteral("count"))) +
                                        ": not a whole number above 0");
    }
    if (opt.parser.isSet(QStringLiteral("seconds"))) {
        bool ok = false;
        seconds = opt.parser.value(QStringLiteral("seconds")).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e7)
            return Fail(kExitUsage, "--seconds " +
                                        Str(opt.parser.value(QStringLiteral("seconds"))) +
                                        ": not a number of seconds above 0");
    }
    const bool csv = opt.parser.isSet(QStringLiteral("csv"));
    const bool json = opt.parser.isSet(QStringLiteral("json"));
    if (csv && json)
        return Fail(kExitUsage, "--csv and --json exclude each other");

    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    // Each request carries the sensor's present set, as the program's carry
    // its variables, which a fetch has made the sensor's.
    Words set{};
    if (auto code = FetchSet(line, Memory::Ram, set))
        return *code;

    if (csv)
        std::printf("time_ms,edge1,edge2,measured,teach,tolerance,window_start,edges,in_tolerance\n");
    else if (!json)
        std::printf("%8s %5s %5s %8s %5s %9s %6s %5s %3s\n", "time_ms", "edge1", "edge2",
                    "measured", "teach", "tolerance", "window", "edges", "ok");
    std::fflush(stdout);
    Progress progress;
    QElapsedTimer clock;
    clock.start();
    long answers = 0;
    while (count < 0 || answers < count) {
        if (seconds > 0 && static_cast<double>(clock.elapsed()) >= seconds * 1000.0)
            break;
        Words reply{};
        const Outcome o = line.Exchange(protocol::CMD_MEASURE, set, reply);
        if (o == Outcome::Interrupted)
            break;
        if (o != Outcome::Answered)
            return LineFailure(line, o, protocol::CMD_MEASURE);
        ++answers;
        const protocol::Measurement m = protocol::ReadMeasurement(reply.data());
        const long long ms = clock.elapsed();
        const int inside = protocol::InTolerance(m) ? 1 : 0;
        if (csv)
            std::printf("%lld,%u,%u,%u,%u,%u,%u,%u,%d\n", ms, unsigned{m.edge1},
                        unsigned{m.edge2}, unsigned{m.measured}, unsigned{m.teach},
                        unsigned{m.tolerance}, unsigned{m.windowStart}, unsigned{m.edges}, inside);
        else if (json)
            std::printf("{\"time_ms\": %lld, \"edge1\": %u, \"edge2\": %u, \"measured\": %u, "
                        "\"teach\": %u, \"tolerance\": %u, \"window_start\": %u, \"edges\": %u, "
                        "\"in_tolerance\": %d}\n",
                        ms, unsigned{m.edge1}, unsigned{m.edge2}, unsigned{m.measured},
                        unsigned{m.teach}, unsigned{m.tolerance}, unsigned{m.windowStart},
                        unsigned{m.edges}, inside);
        else
            std::printf("%8lld %5u %5u %8u %5u %9u %6u %5u %3d\n", ms, unsigned{m.edge1},
                        unsigned{m.edge2}, unsigned{m.measured}, unsigned{m.teach},
                        unsigned{m.tolerance}, unsigned{m.windowStart}, unsigned{m.edges}, inside);
        std::fflush(stdout);
        progress.Update(answers);
        if (Interrupted())
            break;
    }
    return kExitDone;
}

int RunData(const QStringList &args)
{
    Options opt("data",
                "Reads the sensor's line data, 256 samples in four blocks of 64, and "
                "prints each sample with its pixel position as the program's data graph "
                "places it: pixel 4i in CCD mode 0, else the window start the sensor "
                "reports in a measurement answer plus i. Exit code 1 when a block or the "
                "measurement answer does not come whole.");
    opt.AddPort(true);
    opt.parser.addOption(QCommandLineOption(QStringLiteral("csv"),
                                            QStringLiteral("Comma-separated, with a header line.")));
    if (auto code = opt.Parse(args))
        return *code;
    if (!opt.parser.positionalArguments().isEmpty())
        return Fail(kExitUsage, "unexpected '" + Str(opt.parser.positionalArguments().first()) + "'");
    const bool csv = opt.parser.isSet(QStringLiteral("csv"));
    Line line;
    if (auto code = OpenLine(line, opt.port))
        return *code;
    Words set{};
    if (auto code = FetchSet(line, Memory::Ram, set))
        return *code;
    std::uint16_t samples[4 * protocol::BLOCK_WORDS] = {};
    for (int block = 0; block < 4; ++block) {
        const int first = block * protocol::BLOCK_WORDS;
        const Outcome o = line.ReadBlock(first, block == 3 ? 1 : 0, samples + first);
        if (o != Outcome::Answered)
            return LineFailure(line, o, protocol::CMD_DATA_BLOCK);
    }
    // The window start of a measurement answer places the samples, as in the program.
    Words reply{};
    const Outcome o = line.Exchange(protocol::CMD_MEASURE, set, reply);
    if (o != Outcome::Answered)
        return LineFailure(line, o, protocol::CMD_MEASURE);
    const unsigned windowStart = protocol::ReadMeasurement(reply.data()).windowStart;
    const bool fullLine = set[static_cast<std::size_t>(protocol::FindParameter("ccdMode"))] == 0;
    if (csv)
        std::printf("pixel,value\n");
    for (int i = 0; i < 4 * protocol::BLOCK_WORDS; ++i) {
        const unsigned pixel = fullLine ? 4u * static_cast<unsigned>(i)
                                        : (windowStart + static_cast<unsigned>(i)) & 0xFFFFu;
        std::printf(csv ? "%u,%u\n" : "%5u %5u\n", pixel, unsigned{samples[i]});
    }
    return kExitDone;
}

} // namespace qzan::cli
