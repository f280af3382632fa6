// Child-process handling of the simulator for the integration tests.
#include "sim_process.h"

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

SimProcess::~SimProcess() { Stop(); }

std::string SimProcess::Binary()
{
    return (QCoreApplication::applicationDirPath() + "/qzan-sensor-sim").toStdString();
}

bool SimProcess::Start(const std::string &link, const std::vector<std::string> &extra,
                       const std::string &logPath)
{
    Stop();
    link_ = link;
    logPath_ = logPath;
    stderrPath_ = link + ".stderr";
    std::vector<std::string> args = {Binary(), "--link", link};
    if (!logPath.empty()) {
        args.push_back("--log");
        args.push_back(logPath);
    }
    args.insert(args.end(), extra.begin(), extra.end());

    int out[2];
    if (pipe(out) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        dup2(out[1], 1);
        const int err = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            dup2(err, 2);
        close(out[0]);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    pid_ = pid;
    // Wait for "ready <slave>" on its standard output.
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline &&
           text.find('\n') == std::string::npos) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buf[256];
            const ssize_t n = read(out[0], buf, sizeof buf);
            if (n <= 0)
                break;
            text.append(buf, static_cast<size_t>(n));
        }
    }
    close(out[0]);
    if (text.rfind("ready", 0) != 0) {
        Stop(true);
        return false;
    }
    return true;
}

void SimProcess::Stop(bool hard)
{
    if (pid_ <= 0)
        return;
    kill(pid_, hard ? SIGKILL : SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string SimProcess::Stderr() const
{
    std::ifstream in(stderrPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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

std::vector<SimLogLine> SimProcess::Log() const
{
    std::vector<SimLogLine> lines;
    std::ifstream in(logPath_);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream s(text);
        SimLogLine l;
        s >> l.ms >> l.kind;
        if (l.kind == "REQ" || l.kind == "ANS") {
            s >> l.cmd;
            unsigned w = 0;
            while (s >> w)
                l.words.push_back(w);
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

std::vector<SimLogLine> SimProcess::Log(const std::string &kind, int cmd) const
{
    std::vector<SimLogLine> out;
    for (auto &l : Log())
        if (l.kind == kind && l.cmd == cmd)
            out.push_back(std::move(l));
    return out;
}
