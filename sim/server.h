// The poll loop that serves a port: reads requests, lets the sensor answer,
// spoils answers by the fault plan, sends them at their paced time, and
// disconnects and reconnects on request. One thread, no busy waiting.
#ifndef SIM_SERVER_H
#define SIM_SERVER_H

#include "clock.h"
#include "event_log.h"
#include "faults.h"
#include "pacing.h"
#include "port.h"
#include "request_reader.h"
#include "sensor.h"
#include "stats.h"

#include <csignal>
#include <deque>
#include <optional>
#include <vector>

namespace qzan::sim {

struct ServeSettings {
    Pacing pacing;
    std::uint64_t disconnectAfter = 0;   // answers; 0: never
    std::optional<Nanos> reconnectDelay; // none: exit after the disconnect
};

class Server {
public:
    Server(Port &port, Sensor &sensor, FaultPlan &faults, Stats &stats, EventLog &log,
           const ServeSettings &settings, TimePoint start);

    // Serves until a stop signal, or a disconnect without reconnect. Returns
    // the exit code: 0, or 1 when the port cannot be opened at start or a
    // device that cannot come back (a pseudo-terminal) was lost.
    int run(const sigset_t &waitMask);

private:
    struct Pending {
        TimePoint due;
        std::uint16_t command;
        FaultOutcome outcome;
    };

    std::optional<TimePoint> nextWake(TimePoint now) const;
    void announce(TimePoint now);
    void readPort(TimePoint now, bool hangUp);
    void handleRequests(const std::vector<Request> &requests, TimePoint now);
    void countDropped(std::size_t bytes, TimePoint now);
    void sendDue(TimePoint now);
    void writeOut(TimePoint now);
    void finishDrain(TimePoint now);
    void closePort(TimePoint now);
    void portLost(TimePoint now, const char *why);
    void retryConnect(TimePoint now);
    void printStats() const;

    Port &port_;
    Sensor &sensor_;
    FaultPlan &faults_;
    Stats &stats_;
    EventLog &log_;
    ServeSettings settings_;
    TimePoint start_;
    RequestReader reader_;

    std::deque<Pending> pending_;
    std::optional<TimePoint> lineFree_;
    std::vector<std::uint8_t> out_;
    bool backlogWarned_ = false;

    std::uint64_t answersSent_ = 0;
    bool disconnectDone_ = false;
    std::optional<TimePoint> drainUntil_; // disconnecting: waiting for the peer to read
    TimePoint drainStart_{};
    bool drainSawData_ = false;
    std::optional<TimePoint> reconnectAt_;
    bool exit_ = false;
    int exitCode_ = 0;
};

} // namespace qzan::sim

#endif
