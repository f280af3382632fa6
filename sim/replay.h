// Serving a recording: which recorded row answers a measurement request made
// at a given moment, so that the answers follow the recorded times (or run
// faster, or go one row per request), and what happens after the last row.
#ifndef SIM_REPLAY_H
#define SIM_REPLAY_H

#include "recording.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace qzan::sim {

struct ReplayConfig {
    // Recorded milliseconds per elapsed millisecond; 0: one row per request.
    double speed = 1.0;
    // After the last row, start again from the first; else stop answering.
    bool loop = false;
};

class Replay {
public:
    // `rows` in recorded order, at least one.
    Replay(std::vector<RecordedRow> rows, const ReplayConfig &config);

    // The row that answers a measurement request at `seconds` (the serving
    // clock), or none once the last row has been served and the replay does
    // not loop. The replay's clock starts at its first request, at the first
    // row's time: the row served is the latest whose time is not after
    // first row's time + elapsed × speed.
    const RecordedRow *take(double seconds);

    // The row a request at `seconds` would get, without serving it; after the
    // end, the last row.
    const RecordedRow &peek(double seconds) const;

    bool ended() const { return ended_; }
    std::size_t rowCount() const { return rows_.size(); }
    // Called once when the last row has been served (each pass when looping).
    void onLastRow(std::function<void()> sink) { lastRowSink_ = std::move(sink); }

private:
    std::size_t dueIndex(double seconds) const;

    std::vector<RecordedRow> rows_;
    ReplayConfig config_;
    std::optional<double> start_; // serving clock at the first request of this pass
    std::size_t next_ = 0;        // the first row that may still be served
    bool lastServed_ = false;
    bool ended_ = false;
    std::function<void()> lastRowSink_;
};

} // namespace qzan::sim

#endif
