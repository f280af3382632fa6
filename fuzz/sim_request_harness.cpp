// The simulator's request reader on a byte stream cut into pieces, with
// pauses between them. Two readers see the same stream: one piece by piece,
// one byte by byte. They must agree, and the byte-wise one shows exactly
// which bytes made each request.
//
// Input: records of one control byte and up to 63 bytes of line data.
//   bits 0-5: how many bytes follow;
//   bits 6-7: 0 no pause, 1 half the gap, 2 just over the gap (a partial
//             request expires), 3 exactly the gap, then expire() (with no
//             bytes following: reset()).
#include "fuzz/harnesses.h"

#include "fuzz/harness_common.h"
#include "sim/request_reader.h"

#include <chrono>
#include <deque>

namespace fuzzh {
namespace {

using qzan::sim::kFrameBytes;
using qzan::sim::Nanos;
using qzan::sim::Request;
using qzan::sim::RequestReader;
using qzan::sim::TimePoint;

const Nanos kGap = std::chrono::milliseconds(5);

struct Fed {
    std::uint8_t byte;
    TimePoint at;
};

bool SameRequest(const Request &a, const Request &b)
{
    return a.command == b.command && a.words == b.words && a.firstByte == b.firstByte &&
           a.complete == b.complete;
}

// Bytes k to k + 35 of the history are a request received whole: a valid
// header, no pause longer than the gap, no reset among them.
bool WholeRequestAt(const std::vector<Fed> &history, std::size_t k, std::size_t lastReset)
{
    if (k < lastReset || k + kFrameBytes > history.size())
        return false;
    if (history[k].byte != 0x00 || history[k + 1].byte != 0x55 || history[k + 2].byte != 0x00 ||
        !qzan::sim::isCommand(history[k + 3].byte))
        return false;
    for (std::size_t i = k + 1; i < k + kFrameBytes; ++i)
        if (history[i].at - history[i - 1].at > kGap)
            return false;
    return true;
}

// The request matches bytes k to k + 35 of the history.
bool RequestIsBytesAt(const Request &r, const std::vector<Fed> &history, std::size_t k)
{
    if (r.command != history[k + 3].byte || r.firstByte != history[k].at ||
        r.complete != history[k + kFrameBytes - 1].at)
        return false;
    for (std::size_t i = 0; i < qzan::sim::kWordCount; ++i) {
        const auto word = static_cast<std::uint16_t>((history[k + 4 + 2 * i].byte << 8) |
                                                     history[k + 5 + 2 * i].byte);
        if (r.words[i] != word)
            return false;
    }
    return true;
}

} // namespace

std::string RunSimRequestCase(const std::uint8_t *data, std::size_t size)
{
    Findings f;
    RequestReader chunked(kGap), bytewise(kGap);
    std::vector<Request> outChunked, outBytewise;
    std::size_t droppedChunked = 0, droppedBytewise = 0;
    TimePoint now = TimePoint{} + std::chrono::hours(1);
    std::vector<Fed> history;
    std::size_t lastReset = 0;
    std::deque<std::size_t> candidates; // where a request may begin

    std::size_t at = 0;
    while (at < size && !f.any()) {
        const std::uint8_t control = data[at++];
        std::size_t length = control & 0x3Fu;
        if (length > size - at)
            length = size - at;
        const std::uint8_t *piece = data + at;
        at += length;
        switch (control >> 6) {
        case 1: now += kGap / 2; break;
        case 2: now += kGap + Nanos(1); break;
        case 3: now += kGap; break;
        default: break;
        }
        if ((control >> 6) == 3) {
            if (length == 0) {
                droppedChunked += chunked.reset();
                droppedBytewise += bytewise.reset();
                lastReset = history.size();
                candidates.clear();
            } else {
                droppedChunked += chunked.expire(now);
                droppedBytewise += bytewise.expire(now);
            }
        }

        // feed() first lets a partial request expire, even with no bytes to
        // feed; the byte-wise reader is given the same chance.
        droppedChunked += chunked.feed({piece, length}, now, outChunked);
        droppedBytewise += bytewise.expire(now);

        for (std::size_t i = 0; i < length && !f.any(); ++i) {
            const std::uint8_t byte = piece[i];
            // A request that begins while the reader holds less than a header
            // is never lost in the resynchronisation.
            if (bytewise.partialBytes() < 4)
                candidates.push_back(history.size());
            history.push_back({byte, now});
            const std::size_t before = outBytewise.size();
            droppedBytewise += bytewise.feed({&byte, 1}, now, outBytewise);
            const std::size_t last = history.size() - 1;

            if (outBytewise.size() > before + 1) {
                f.add("one byte completed more than one request");
                break;
            }
            if (outBytewise.size() == before + 1) {
                // Answered: the last 36 bytes fed are the request, received whole.
                if (history.size() < kFrameBytes) {
                    f.add("a request came out of fewer than 36 bytes");
                    break;
                }
                const std::size_t k = history.size() - kFrameBytes;
                if (!WholeRequestAt(history, k, lastReset))
                    f.add("a request was answered that was not received whole");
                else if (!RequestIsBytesAt(outBytewise.back(), history, k))
                    f.add("a request does not carry the bytes received");
                if (bytewise.partialBytes() != 0)
                    f.add("bytes were kept after a request was complete");
            }
            while (!candidates.empty() && candidates.front() + kFrameBytes - 1 < last)
                candidates.pop_front();
            if (!candidates.empty() && candidates.front() + kFrameBytes - 1 == last) {
                const std::size_t k = candidates.front();
                candidates.pop_front();
                if (WholeRequestAt(history, k, lastReset) &&
                    (outBytewise.size() != before + 1 ||
                     !RequestIsBytesAt(outBytewise.back(), history, k)))
                    f.add("a request received whole after garbage was not answered");
            }
        }
        if (f.any())
            break;

        // Cutting the stream differently changes nothing.
        if (outChunked.size() != outBytewise.size()) {
            f.add("pieces and single bytes gave different numbers of requests");
            break;
        }
        for (std::size_t i = 0; i < outChunked.size(); ++i)
            if (!SameRequest(outChunked[i], outBytewise[i])) {
                f.add("pieces and single bytes gave different requests");
                break;
            }
        if (droppedChunked != droppedBytewise || chunked.partialBytes() != bytewise.partialBytes())
            f.add("pieces and single bytes dropped different bytes");
        // Every byte fed is dropped, part of a request, or still waiting.
        if (droppedBytewise + kFrameBytes * outBytewise.size() + bytewise.partialBytes() !=
            history.size())
            f.add("bytes fed are not all accounted for");
        const auto deadline = chunked.deadline();
        // What is kept always ends with the newest byte: bytes leave from the front.
        if (chunked.partialBytes() == 0
                ? deadline.has_value()
                : (!deadline || *deadline != history.back().at + kGap + Nanos(1)))
            f.add("the partial request's deadline is not one gap after its last byte");
    }
    return f.first();
}

} // namespace fuzzh
