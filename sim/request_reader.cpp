// Request assembly with byte-wise resynchronisation.
#include "request_reader.h"

#include <algorithm>

namespace qzan::sim {

bool RequestReader::headerPrefixValid() const
{
    if (length_ >= 1 && buffer_[0] != kSyncHigh)
        return false;
    if (length_ >= 2 && buffer_[1] != kSyncLow)
        return false;
    if (length_ >= 3 && buffer_[2] != 0x00)
        return false;
    if (length_ >= 4 && !isCommand(buffer_[3]))
        return false;
    return true;
}

std::size_t RequestReader::feed(std::span<const std::uint8_t> bytes, TimePoint now,
                                std::vector<Request> &out)
{
    std::size_t dropped = expire(now);
    for (std::uint8_t byte : bytes) {
        if (length_ < kHeaderBytes)
            arrived_[length_] = now;
        buffer_[length_++] = byte;
        lastByte_ = now;
        // Only the header is checked, so at most four bytes are ever shifted.
        while (length_ > 0 && !headerPrefixValid()) {
            const std::size_t timed = std::min(length_, kHeaderBytes);
            std::copy(buffer_.begin() + 1, buffer_.begin() + length_, buffer_.begin());
            std::copy(arrived_.begin() + 1, arrived_.begin() + timed, arrived_.begin());
            --length_;
            ++dropped;
        }
        if (length_ == kFrameBytes) {
            Request request;
            request.command = buffer_[3];
            request.words = decodeFrameWords(std::span<const std::uint8_t, kFrameBytes>(buffer_));
            request.firstByte = arrived_[0];
            request.complete = now;
            out.push_back(request);
            length_ = 0;
        }
    }
    return dropped;
}

std::size_t RequestReader::expire(TimePoint now)
{
    if (length_ > 0 && now - lastByte_ > gap_)
        return reset();
    return 0;
}

std::optional<TimePoint> RequestReader::deadline() const
{
    if (length_ == 0)
        return std::nullopt;
    // One nanosecond past the gap, since expire() wants strictly longer.
    return lastByte_ + gap_ + Nanos(1);
}

std::size_t RequestReader::reset()
{
    std::size_t n = length_;
    length_ = 0;
    return n;
}

} // namespace qzan::sim
