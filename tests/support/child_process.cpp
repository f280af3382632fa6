// Child processes for tests and benchmarks.
#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qzan::test {

using namespace std::chrono;

namespace {

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

} // namespace

ChildProcess::~ChildProcess()
{
    if (pid_ > 0)
        Kill();
    if (stdout_ >= 0)
        ::close(stdout_);
}

bool ChildProcess::Spawn(const std::vector<std::string> &argv, const std::string &stderrPath,
                         bool captureStdout)
{
    if (pid_ > 0 || argv.empty())
        return false;
    if (stdout_ >= 0)
        ::close(stdout_);
    stdout_ = -1;
    pending_.clear();

    // Everything the child needs is made before the fork: between fork and
    // exec only async-signal-safe calls run.
    std::vector<std::string> args = argv;
    std::vector<char *> pointers;
    for (std::string &a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    int out[2] = {-1, -1};
    if (captureStdout && ::pipe2(out, O_CLOEXEC) != 0)
        return false;
    const char *errPath = stderrPath.empty() ? nullptr : stderrPath.c_str();
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        const int stdoutFd = captureStdout ? out[1] : ::open("/dev/null", O_WRONLY);
        if (stdoutFd >= 0)
            ::dup2(stdoutFd, STDOUT_FILENO);
        if (errPath) {
            const int err = ::open(errPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0)
                ::dup2(err, STDERR_FILENO);
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    if (captureStdout) {
        ::close(out[1]);
        if (pid < 0)
            ::close(out[0]);
        else
            stdout_ = out[0];
    }
    if (pid < 0)
        return false;
    pid_ = pid;
    return true;
}

bool ChildProcess::ReadLine(std::string &line, milliseconds limit)
{
    const auto end = steady_clock::now() + limit;
    while (true) {
        const auto nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        if (stdout_ < 0 || left <= 0)
            return false;
        pollfd entry{stdout_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[256];
        const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string ChildProcess::ReadAll()
{
    std::string text;
    text.swap(pending_);
    char buffer[512];
    while (stdout_ >= 0) {
        const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

void ChildProcess::Signal(int signo) const
{
    if (pid_ > 0)
        ::kill(pid_, signo);
}

int ChildProcess::Wait(milliseconds limit)
{
    if (pid_ <= 0)
        return -1;
    const auto end = steady_clock::now() + limit;
    while (true) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            pid_ = -1;
            return r == -1 ? -1 : ExitCodeOf(status);
        }
        if (steady_clock::now() >= end)
            return kStillRunning;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

int ChildProcess::Kill()
{
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return ExitCodeOf(status);
}

} // namespace qzan::test
