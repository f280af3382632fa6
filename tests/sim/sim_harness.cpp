// The harness's process control and the plain pseudo-terminal client.
#include "sim_harness.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace qzan::sim::test {

using namespace std::chrono;

TempDir::TempDir()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qzan-sim-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()))
        path_ = buffer.data();
}

TempDir::~TempDir()
{
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

namespace {

std::vector<char *> argvFor(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(QZAN_SIM_BIN));
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int exitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

SimProcess::~SimProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (stdout_ >= 0)
        ::close(stdout_);
}

namespace {

// fork and exec with the child's stdout and stderr redirected. The child gets
// SIGTERM when the test process dies, so a crashed test leaves no simulator
// behind. Only async-signal-safe calls run between fork and exec.
pid_t spawnChild(std::vector<char *> &argv, int stdoutFd, const char *stdoutPath,
                 const char *stderrPath)
{
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(127);
    if (stdoutFd >= 0) {
        dup2(stdoutFd, STDOUT_FILENO);
    } else {
        int out = ::open(stdoutPath, O_WRONLY);
        if (out >= 0)
            dup2(out, STDOUT_FILENO);
    }
    int err = ::open(stderrPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0)
        dup2(err, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
}

} // namespace

bool SimProcess::start(const std::vector<std::string> &args, const std::string &stderrFile)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    auto argv = argvFor(args);
    pid_ = spawnChild(argv, pipeFds[1], nullptr, stderrFile.c_str());
    ::close(pipeFds[1]);
    stdout_ = pipeFds[0];
    if (pid_ < 0)
        return false;
    return waitReady(milliseconds(10000));
}

bool SimProcess::waitReady(milliseconds limit)
{
    const auto end = steady_clock::now() + limit;
    while (true) {
        auto nl = pendingOut_.find('\n');
        if (nl != std::string::npos) {
            std::string line = pendingOut_.substr(0, nl);
            pendingOut_.erase(0, nl + 1);
            if (line.rfind("ready ", 0) == 0) {
                readyPath_ = line.substr(6);
                return true;
            }
            continue;
        }
        auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd pfd{stdout_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[256];
        ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        pendingOut_.append(buffer, static_cast<std::size_t>(n));
    }
}

int SimProcess::runToExit(const std::vector<std::string> &args, std::string &stderrText)
{
    TempDir dir;
    std::string errFile = dir.file("stderr.txt");
    auto argv = argvFor(args);
    pid_t pid = spawnChild(argv, -1, "/dev/null", errFile.c_str());
    if (pid < 0)
        return -2;
    int status = 0;
    waitpid(pid, &status, 0);
    stderrText = readFile(errFile);
    return exitCodeOf(status);
}

void SimProcess::signal(int signo) const
{
    if (pid_ > 0)
        ::kill(pid_, signo);
}

int SimProcess::stop()
{
    signal(SIGTERM);
    return waitExit(milliseconds(10000));
}

int SimProcess::waitExit(milliseconds limit)
{
    if (pid_ <= 0)
        return -1;
    const auto end = steady_clock::now() + limit;
    while (steady_clock::now() < end) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return exitCodeOf(status);
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return -1;
}

Client::~Client() { close(); }

bool Client::open(const std::string &path)
{
    close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
    return true;
}

void Client::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void Client::send(const Bytes &bytes)
{
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{fd_, POLLOUT, 0};
            poll(&pfd, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

void Client::sendRequest(std::uint16_t command, const Words &words)
{
    send(frameBytes(command, words));
}

Bytes Client::read(std::size_t count, milliseconds limit)
{
    Bytes got;
    const auto end = steady_clock::now() + limit;
    while (fd_ >= 0 && got.size() < count) {
        auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0)
            break;
        std::uint8_t buffer[512];
        std::size_t want = std::min(sizeof buffer, count - got.size());
        ssize_t n = ::read(fd_, buffer, want);
        if (n <= 0) {
            if (n < 0 && errno == EAGAIN)
                continue;
            break;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

bool Client::waitHangUp(milliseconds limit)
{
    const auto end = steady_clock::now() + limit;
    while (fd_ >= 0 && steady_clock::now() < end) {
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, 50) > 0) {
            if (pfd.revents & (POLLHUP | POLLERR))
                return true;
            std::uint8_t buffer[256];
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EAGAIN))
                return true;
        }
    }
    return false;
}

std::vector<std::uint16_t> Client::exchange(std::uint16_t command, const Words &words)
{
    sendRequest(command, words);
    return replyWords(read(kFrameBytes));
}

std::vector<std::uint16_t> Client::readBlock(std::uint16_t first)
{
    Words request{};
    request[0] = first;
    request[1] = first == 192 ? 1 : 0;
    sendRequest(kCmdDataBlock, request);
    Bytes raw = read(kBlockBytes);
    std::vector<std::uint16_t> values;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        values.push_back(readWord(&raw[i]));
    return values;
}

Bytes frameBytes(std::uint16_t command, const Words &words)
{
    auto frame = encodeFrame(command, words);
    return Bytes(frame.begin(), frame.end());
}

std::vector<std::uint16_t> replyWords(const Bytes &reply)
{
    if (reply.size() != kFrameBytes)
        return {};
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i < kWordCount; ++i)
        words.push_back(readWord(&reply[kHeaderBytes + 2 * i]));
    return words;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool waitForText(const std::string &path, const std::string &needle, milliseconds limit)
{
    const auto end = steady_clock::now() + limit;
    while (steady_clock::now() < end) {
        if (readFile(path).find(needle) != std::string::npos)
            return true;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return false;
}

std::vector<std::vector<std::string>> logLines(const std::string &path, const std::string &kind)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(readFile(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        std::string part;
        while (fields >> part)
            parts.push_back(part);
        if (parts.size() >= 2 && parts[1] == kind)
            lines.push_back(parts);
    }
    return lines;
}

} // namespace qzan::sim::test
