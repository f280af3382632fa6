// A plain client on a pseudo-terminal or serial device: raw mode, system
// calls only, the frames written and read as bytes. It talks to the
// simulator as the program does, and is the benchmarks' yardstick of what the
// line and the simulator allow with no work of the client's own.
#ifndef TESTS_SUPPORT_BARE_CLIENT_H
#define TESTS_SUPPORT_BARE_CLIENT_H

#include "wire.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qzan::test {

using Bytes = std::vector<std::uint8_t>;
using sim::Words;

class Client {
public:
    Client() = default;
    ~Client();
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    bool open(const std::string &path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    void send(const Bytes &bytes);
    void sendRequest(std::uint16_t command, const Words &words = {});
    // Reads until `count` bytes arrived or `limit` passed; returns what came.
    Bytes read(std::size_t count, std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
    // Waits until the port reports a hang-up or an error.
    bool waitHangUp(std::chrono::milliseconds limit);
    // Request, then the 16 words of a 36-byte reply (empty if none came).
    std::vector<std::uint16_t> exchange(std::uint16_t command, const Words &words = {});
    // The 64 values of the data block that starts at pixel `first`.
    std::vector<std::uint16_t> readBlock(std::uint16_t first);
    // Measurement requests one at a time, the next as soon as the 36 bytes
    // of an answer are in, `total` times; `afterAnswer` gets the count so
    // far. The count reached: short of `total` when an answer stalled for
    // `stall`.
    long measureLoop(long total, const std::function<void(long)> &afterAnswer,
                     std::chrono::milliseconds stall = std::chrono::milliseconds(3000));

private:
    int fd_ = -1;
};

// The 36 bytes of a request: 0x00 0x55 0x00 <command>, then the words, each
// big-endian.
Bytes FrameBytes(std::uint16_t command, const Words &words = {});
// The 16 words of a 36-byte reply; empty for anything else.
std::vector<std::uint16_t> ReplyWords(const Bytes &reply);

} // namespace qzan::test

#endif
