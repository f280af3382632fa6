// The serving loop.
#include "server.h"

#include "signals.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace qzan::sim {

namespace {

// A disconnect waits this long at most for the program to read the last answer.
constexpr Nanos kDrainLimit{500'000'000};
constexpr Nanos kDrainCheck{2'000'000};
constexpr Nanos kDrainSettle{50'000'000};
constexpr Nanos kRetryDelay{1'000'000'000};
// Answers the other side does not read pile up here; past this they are lost.
constexpr std::size_t kBacklogLimit = 1 << 20;

double secondsBetween(TimePoint from, TimePoint to)
{
    return std::chrono::duration<double>(to - from).count();
}

void earliest(std::optional<TimePoint> &wake, std::optional<TimePoint> candidate)
{
    if (candidate && (!wake || *candidate < *wake))
        wake = candidate;
}

} // namespace

Server::Server(Port &port, Sensor &sensor, FaultPlan &faults, Stats &stats, EventLog &log,
               const ServeSettings &settings, TimePoint start)
    : port_(port), sensor_(sensor), faults_(faults), stats_(stats), log_(log),
      settings_(settings), start_(start), reader_(settings.pacing.partialGap())
{
}

int Server::run(const sigset_t &waitMask)
{
    std::string error;
    if (!port_.open(error)) {
        std::fprintf(stderr, "qzan-sensor-sim: %s\n", error.c_str());
        return 1;
    }
    announce(Clock::now());

    while (!exit_) {
        if (takeStopRequest())
            break;
        if (takeReportRequest())
            printStats();

        TimePoint now = Clock::now();
        std::optional<TimePoint> wake = nextWake(now);
        pollfd pfd{};
        nfds_t count = 0;
        if (port_.isOpen()) {
            pfd.fd = port_.fd();
            pfd.events = static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT));
            count = 1;
        }
        timespec timeout{};
        timespec *timeoutPtr = nullptr;
        if (wake) {
            long long ns = std::max<long long>(0, (*wake - now).count());
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeoutPtr = &timeout;
        }
        int rc = ppoll(count ? &pfd : nullptr, count, timeoutPtr, &waitMask);
        if (rc < 0 && errno != EINTR) {
            std::fprintf(stderr, "qzan-sensor-sim: poll: %s\n", std::strerror(errno));
            break;
        }
        now = Clock::now();
        if (rc > 0 && port_.isOpen()) {
            if (pfd.revents & POLLNVAL)
                portLost(now, "port descriptor became invalid");
            else if (pfd.revents & (POLLIN | POLLERR | POLLHUP))
                readPort(now, (pfd.revents & (POLLERR | POLLHUP)) != 0);
        }
        if (std::size_t n = reader_.expire(now))
            countDropped(n, now);
        sendDue(now);
        writeOut(now);
        finishDrain(now);
        retryConnect(now);
    }

    if (port_.isOpen()) {
        writeOut(Clock::now());
        closePort(Clock::now());
    }
    printStats();
    return exitCode_;
}

std::optional<TimePoint> Server::nextWake(TimePoint now) const
{
    std::optional<TimePoint> wake;
    if (!pending_.empty() && !drainUntil_)
        earliest(wake, pending_.front().due);
    earliest(wake, reader_.deadline());
    if (drainUntil_)
        earliest(wake, std::min(*drainUntil_, now + kDrainCheck));
    earliest(wake, reconnectAt_);
    return wake;
}

void Server::announce(TimePoint now)
{
    std::printf("ready %s\n", port_.name().c_str());
    std::fflush(stdout);
    log_.connect(now, port_.name());
}

void Server::readPort(TimePoint now, bool hangUp)
{
    std::uint8_t buffer[4096];
    std::vector<Request> requests;
    // A few reads per wake-up keep a flooding peer from starving the answers.
    for (int round = 0; round < 16 && port_.isOpen(); ++round) {
        ssize_t n = ::read(port_.fd(), buffer, sizeof buffer);
        if (n > 0) {
            if (std::size_t dropped = reader_.feed({buffer, static_cast<std::size_t>(n)}, now,
                                                   requests))
                countDropped(dropped, now);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A tty reads 0 bytes when nothing is waiting; only with a hang-up
        // does it mean the device is gone.
        if ((n == 0 && !hangUp) || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
            break;
        portLost(now, n == 0 ? "hang-up" : std::strerror(errno));
        return;
    }
    handleRequests(requests, now);
}

void Server::handleRequests(const std::vector<Request> &requests, TimePoint now)
{
    for (const Request &request : requests) {
        const std::uint16_t command = request.command;
        ++stats_.requests[command];
        log_.request(request.complete, command, request.words);
        auto reply = sensor_.handle(command, request.words, secondsBetween(start_, request.complete));
        if (!reply)
            continue;
        FaultOutcome outcome = faults_.apply(*reply);
        for (Fault fault : outcome.faults) {
            stats_.countFault(fault);
            log_.fault(now, faultName(fault), command);
        }
        if (!outcome.send)
            continue;
        TimePoint due = settings_.pacing.answerDue(request.firstByte, kFrameBytes,
                                                   outcome.bytes.size(), lineFree_);
        lineFree_ = due;
        pending_.push_back({due, command, std::move(outcome)});
    }
}

void Server::countDropped(std::size_t bytes, TimePoint now)
{
    stats_.droppedBytes += bytes;
    log_.drop(now, bytes);
}

void Server::sendDue(TimePoint now)
{
    while (!drainUntil_ && !pending_.empty() && pending_.front().due <= now && port_.isOpen()) {
        Pending p = std::move(pending_.front());
        pending_.pop_front();
        if (out_.size() + p.outcome.bytes.size() > kBacklogLimit) {
            if (!backlogWarned_)
                std::fprintf(stderr, "qzan-sensor-sim: nobody reads the port; answers are lost\n");
            backlogWarned_ = true;
            continue;
        }
        out_.insert(out_.end(), p.outcome.bytes.begin(), p.outcome.bytes.end());
        if (!p.outcome.whole)
            continue;
        ++stats_.answers[p.command];
        log_.answer(now, p.command, p.outcome.words);
        ++answersSent_;
        if (settings_.disconnectAfter > 0 && !disconnectDone_
            && answersSent_ >= settings_.disconnectAfter) {
            drainStart_ = now;
            drainUntil_ = now + kDrainLimit;
            drainSawData_ = false;
        }
    }
}

void Server::writeOut(TimePoint now)
{
    while (!out_.empty() && port_.isOpen()) {
        ssize_t n = ::write(port_.fd(), out_.data(), out_.size());
        if (n > 0) {
            out_.erase(out_.begin(), out_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        portLost(now, n == 0 ? "write returned 0" : std::strerror(errno));
        return;
    }
    if (out_.empty())
        backlogWarned_ = false;
}

void Server::finishDrain(TimePoint now)
{
    if (!drainUntil_)
        return;
    // Hanging up discards what the program has not read yet, so the N-th
    // answer is given a moment to be taken. A pseudo-terminal moves written
    // bytes to the other side a little later, so "nothing unread" counts only
    // once the bytes were seen arriving, or after a settling time.
    if (port_.isOpen() && now < *drainUntil_) {
        if (!out_.empty())
            return;
        if (port_.unreadByPeer() > 0) {
            drainSawData_ = true;
            return;
        }
        if (!drainSawData_ && now < drainStart_ + kDrainSettle)
            return;
    }
    drainUntil_.reset();
    disconnectDone_ = true;
    stats_.countFault(Fault::kDisconnect);
    log_.fault(now, faultName(Fault::kDisconnect), 0);
    closePort(now);
    if (settings_.reconnectDelay)
        reconnectAt_ = now + *settings_.reconnectDelay;
    else
        exit_ = true;
}

void Server::closePort(TimePoint now)
{
    port_.close();
    log_.disconnect(now);
    pending_.clear();
    lineFree_.reset();
    out_.clear();
    if (std::size_t n = reader_.reset())
        countDropped(n, now);
}

void Server::portLost(TimePoint now, const char *why)
{
    const bool reopen = port_.reopenable();
    std::fprintf(stderr, "qzan-sensor-sim: lost %s (%s); %s\n", port_.name().c_str(), why,
                 reopen ? "reopening" : "ending");
    drainUntil_.reset();
    closePort(now);
    if (reopen) {
        reconnectAt_ = now + (settings_.reconnectDelay ? *settings_.reconnectDelay : kRetryDelay);
    } else {
        exit_ = true;
        exitCode_ = 1;
    }
}

void Server::retryConnect(TimePoint now)
{
    if (!reconnectAt_ || now < *reconnectAt_ || port_.isOpen())
        return;
    std::string error;
    if (!port_.open(error)) {
        std::fprintf(stderr, "qzan-sensor-sim: %s; retrying\n", error.c_str());
        reconnectAt_ = now + kRetryDelay;
        return;
    }
    reconnectAt_.reset();
    announce(now);
}

void Server::printStats() const
{
    std::fputs(stats_.format().c_str(), stderr);
    std::fflush(stderr);
}

} // namespace qzan::sim
