// Assembles 36-byte requests from whatever pieces the port delivers: split,
// glued or behind garbage. Resynchronises one byte at a time on a valid header
// 0x00 0x55 0x00 <1..9>; a partial request that sees no byte for longer than
// the gap is thrown away, so a request cut short by the other side's flush is
// never glued to the next one.
#ifndef SIM_REQUEST_READER_H
#define SIM_REQUEST_READER_H

#include "clock.h"
#include "wire.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qzan::sim {

struct Request {
    std::uint16_t command = 0;
    Words words{};
    TimePoint firstByte{}; // when its first byte was read
    TimePoint complete{};  // when its last byte was read
};

class RequestReader {
public:
    explicit RequestReader(Nanos gap) : gap_(gap) {}

    // Bytes read at `now`. Whole requests are appended to `out`; returns the
    // number of bytes discarded (garbage, or a stale partial request).
    std::size_t feed(std::span<const std::uint8_t> bytes, TimePoint now, std::vector<Request> &out);

    // Discards a partial request whose gap has run out; returns bytes discarded.
    std::size_t expire(TimePoint now);

    // When the partial request will be discarded, if there is one.
    std::optional<TimePoint> deadline() const;

    // Discards any partial request (port closed); returns bytes discarded.
    std::size_t reset();

    std::size_t partialBytes() const { return length_; }

private:
    bool headerPrefixValid() const;

    Nanos gap_;
    std::array<std::uint8_t, kFrameBytes> buffer_{};
    std::size_t length_ = 0;
    // When each header byte in the buffer was read: a byte dropped in the
    // resynchronisation takes its time along, so that a request is timed by
    // its own first byte.
    std::array<TimePoint, kHeaderBytes> arrived_{};
    TimePoint lastByte_{};
};

} // namespace qzan::sim

#endif
