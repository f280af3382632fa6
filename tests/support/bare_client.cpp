// The plain client.
#include "bare_client.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace qzan::test {

using namespace std::chrono;

Client::~Client() { close(); }

bool Client::open(const std::string &path)
{
    close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd_, TCSANOW, &t);
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
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{fd_, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

void Client::sendRequest(std::uint16_t command, const Words &words)
{
    send(FrameBytes(command, words));
}

Bytes Client::read(std::size_t count, milliseconds limit)
{
    Bytes got;
    const auto end = steady_clock::now() + limit;
    while (fd_ >= 0 && got.size() < count) {
        const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) <= 0)
            break;
        std::uint8_t buffer[512];
        const std::size_t want = std::min(sizeof buffer, count - got.size());
        const ssize_t n = ::read(fd_, buffer, want);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
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
        if (::poll(&pfd, 1, 50) > 0) {
            if (pfd.revents & (POLLHUP | POLLERR))
                return true;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EAGAIN))
                return true;
        }
    }
    return false;
}

std::vector<std::uint16_t> Client::exchange(std::uint16_t command, const Words &words)
{
    sendRequest(command, words);
    return ReplyWords(read(sim::kFrameBytes));
}

std::vector<std::uint16_t> Client::readBlock(std::uint16_t first)
{
    Words request{};
    request[0] = first;
    request[1] = first == 192 ? 1 : 0;
    sendRequest(9, request);
    const Bytes raw = read(sim::kBlockBytes);
    std::vector<std::uint16_t> values;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        values.push_back(sim::readWord(&raw[i]));
    return values;
}

long Client::measureLoop(long total, const std::function<void(long)> &afterAnswer,
                         milliseconds stall)
{
    // The sensor ignores a measurement request's payload.
    const Bytes request = FrameBytes(8);
    long answers = 0;
    while (answers < total) {
        send(request);
        if (read(sim::kFrameBytes, stall).size() != sim::kFrameBytes)
            break;
        ++answers;
        if (afterAnswer)
            afterAnswer(answers);
    }
    return answers;
}

Bytes FrameBytes(std::uint16_t command, const Words &words)
{
    Bytes frame = {0x00, 0x55, static_cast<std::uint8_t>(command >> 8),
                   static_cast<std::uint8_t>(command & 0xFF)};
    for (std::uint16_t w : words) {
        frame.push_back(static_cast<std::uint8_t>(w >> 8));
        frame.push_back(static_cast<std::uint8_t>(w & 0xFF));
    }
    return frame;
}

std::vector<std::uint16_t> ReplyWords(const Bytes &reply)
{
    if (reply.size() != sim::kFrameBytes)
        return {};
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i < sim::kWordCount; ++i)
        words.push_back(sim::readWord(&reply[sim::kHeaderBytes + 2 * i]));
    return words;
}

} // namespace qzan::test
