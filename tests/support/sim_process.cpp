// The simulator as a child process, and its record and counts read back.
#include "sim_process.h"

#include "files.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qzan::test {

using namespace std::chrono;

std::vector<SimLogLine> ReadSimLog(const std::string &path)
{
    std::vector<SimLogLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream s(text);
        SimLogLine l;
        if (!(s >> l.ms >> l.kind))
            continue;
        std::string field;
        while (s >> field)
            l.fields.push_back(field);
        if ((l.kind == "REQ" || l.kind == "ANS") && !l.fields.empty()) {
            l.cmd = std::atoi(l.fields[0].c_str());
            for (std::size_t i = 1; i < l.fields.size(); ++i)
                l.words.push_back(static_cast<unsigned>(std::strtoul(l.fields[i].c_str(), nullptr, 10)));
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

std::vector<SimLogLine> ReadSimLog(const std::string &path, const std::string &kind)
{
    std::vector<SimLogLine> out;
    for (SimLogLine &l : ReadSimLog(path))
        if (l.kind == kind)
            out.push_back(std::move(l));
    return out;
}

std::vector<SimLogLine> ReadSimLog(const std::string &path, const std::string &kind, int cmd)
{
    std::vector<SimLogLine> out;
    for (SimLogLine &l : ReadSimLog(path, kind))
        if (l.cmd == cmd)
            out.push_back(std::move(l));
    return out;
}

SimProcess::~SimProcess() { Stop(); }

std::string SimProcess::Binary() { return QZAN_SIM_BIN; }

bool SimProcess::Start(const std::string &link, const std::vector<std::string> &extra,
                       const std::string &logPath)
{
    std::vector<std::string> args = {"--link", link};
    if (!logPath.empty())
        args.insert(args.end(), {"--log", logPath});
    args.insert(args.end(), extra.begin(), extra.end());
    return StartWith(args, link + ".stderr");
}

bool SimProcess::StartWith(const std::vector<std::string> &args, const std::string &stderrFile)
{
    Stop();
    readyPath_.clear();
    stderrPath_ = stderrFile;
    logPath_.clear();
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--log")
            logPath_ = args[i + 1];
    std::vector<std::string> argv = {Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!child_.Spawn(argv, stderrFile))
        return false;
    if (WaitReady(milliseconds(10000)))
        return true;
    child_.Kill();
    return false;
}

int SimProcess::RunToExit(const std::vector<std::string> &args, std::string &stderrText)
{
    TempDir dir;
    ChildProcess child;
    std::vector<std::string> argv = {Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!child.Spawn(argv, dir.file("stderr.txt"), false))
        return -2;
    const int code = child.Wait(seconds(30));
    stderrText = ReadFile(dir.file("stderr.txt"));
    return code == ChildProcess::kStillRunning ? child.Kill() : code;
}

bool SimProcess::WaitReady(milliseconds limit)
{
    const auto end = steady_clock::now() + limit;
    std::string line;
    while (steady_clock::now() < end &&
           child_.ReadLine(line, duration_cast<milliseconds>(end - steady_clock::now()))) {
        if (line.rfind("ready ", 0) == 0) {
            readyPath_ = line.substr(6);
            return true;
        }
    }
    return false;
}

int SimProcess::Stop(bool hard)
{
    if (!child_.Running())
        return -1;
    child_.Signal(hard ? SIGKILL : SIGTERM);
    const int code = child_.Wait(seconds(10));
    if (code == ChildProcess::kStillRunning) {
        child_.Kill();
        return -1;
    }
    return code;
}

int SimProcess::WaitExit(milliseconds limit)
{
    const int code = child_.Wait(limit);
    return code == ChildProcess::kStillRunning ? -1 : code;
}

std::string SimProcess::Stderr() const { return ReadFile(stderrPath_); }

std::map<int, SimCounts> SimProcess::Counts() const
{
    // The last report wins: "cmd <c> requests <r> answers <a>".
    std::map<int, SimCounts> counts;
    std::istringstream in(Stderr());
    std::string line;
    while (std::getline(in, line)) {
        int c = 0;
        long r = 0, a = 0;
        if (std::sscanf(line.c_str(), "cmd %d requests %ld answers %ld", &c, &r, &a) == 3)
            counts[c] = SimCounts{r, a};
    }
    return counts;
}

long SimProcess::Fault(const std::string &name) const
{
    long n = 0;
    std::istringstream in(Stderr());
    std::string line;
    const std::string key = "fault " + name + " ";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            n = std::atol(line.c_str() + key.size());
    return n;
}

} // namespace qzan::test
