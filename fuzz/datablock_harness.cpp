// Data blocks: the decoder, ReadData64 against a queue that may report any
// length, and the data read loop around them.

// Standard headers may bring in <unistd.h>, whose sync() hides the program's
// variable of that name: the harnesses reach it through SyncWord().
#define QZAN_WITHOUT_SYNC

#include "fuzz/harnesses.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "fuzz/harness_common.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>

namespace fuzzh {
namespace {

enum Mode { kDecoder, kReadBlock, kDataLoop, kModes };

constexpr int kBlockWords = 64;
constexpr int kBlockBytes = 2 * kBlockWords;
constexpr char kCanary = static_cast<char>(0xC3);

int Int16At(const std::uint8_t *p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((p[0] << 8) | p[1]));
}

unsigned short Pattern(int i) { return static_cast<unsigned short>(0xA000 + i); }

void FillPatterns()
{
    for (int i = 0; i < LINE_SAMPLES; ++i)
        adcbuf[i] = Pattern(i);
    std::memset(szReadBuf, kCanary, sizeof szReadBuf);
}

// adcbuf holds the first `words` words of `bytes` from `first` on and its
// pattern everywhere else.
void CheckSamples(int first, int words, const std::uint8_t *bytes, Findings &f)
{
    for (int i = 0; i < LINE_SAMPLES; ++i) {
        const bool inBlock = words > 0 && i >= first && i < first + words;
        const unsigned short want =
            inBlock ? static_cast<unsigned short>((bytes[2 * (i - first)] << 8) |
                                                  bytes[2 * (i - first) + 1])
                    : Pattern(i);
        if (adcbuf[i] != want) {
            f.add(inBlock ? "a sample is not the word that arrived for it"
                          : "a sample was written that no arriving word belongs to");
            return;
        }
    }
}

std::string RunDecoder(const std::uint8_t *data, std::size_t size)
{
    if (size < 5)
        return {};
    const int first = Int16At(data + 1);
    int count = Int16At(data + 3);
    const std::size_t length = size - 5;
    if (count > 0 && static_cast<std::size_t>(count) > length)
        count = static_cast<int>(length);
    // An allocation of exactly the bytes given, so that reading past them is caught.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[length]);
    if (length > 0)
        std::memcpy(bytes.get(), data + 5, length);

    FillPatterns();
    Findings f;
    const int stored = DecodeDataBlock(bytes.get(), count, first);
    const bool valid = first >= 0 && first <= LINE_SAMPLES - kBlockWords && count >= 0;
    const int words = valid ? std::min(count / 2, kBlockWords) : 0;
    if (stored != words)
        f.add("the decoder stored a different number of words than arrived whole");
    CheckSamples(first, words, bytes.get(), f);
    return f.first();
}

// What GetInQLen answers instead of the honest count.
std::function<int(int)> Lie(unsigned mode, int param)
{
    switch (mode & 7u) {
    case 1:
        return [param](int honest) {
            const long long v = static_cast<long long>(honest) + param;
            return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
        };
    case 2: return [param](int) { return param; };
    case 3: {
        auto calls = std::make_shared<unsigned>(0);
        return [param, calls](int honest) { return (++*calls & 1u) ? param : honest; };
    }
    case 4: return [](int) { return INT_MAX; };
    case 5: return [](int) { return COM_NOT_OPEN; };
    case 6: return [](int honest) { return std::min(honest, kBlockBytes - 1); };
    default: return nullptr;
    }
}

struct LineScript {
    unsigned chunk = 0;
    unsigned pattern = 0;
    bool hangUp = false;
    unsigned lie = 0;
    int lieParam = 0;
};

void SetLine(const LineScript &line, const std::uint8_t *data, std::size_t size)
{
    auto chunks = Chunks(data, size, line.chunk, line.pattern);
    if (line.hangUp)
        fakeplat::SetHangupAfterPass(static_cast<long>(chunks.size()));
    fakeplat::SetArrivals(std::move(chunks));
    fakeplat::SetInQLenLie(Lie(line.lie, line.lieParam));
}

LineScript LineFrom(const std::uint8_t *p)
{
    LineScript line;
    line.chunk = p[0];
    line.lie = p[1] & 7u;
    line.pattern = (p[1] >> 3) & 3u;
    line.hangUp = (p[1] & 0x80) != 0;
    line.lieParam = Int16At(p + 2);
    return line;
}

std::string RunReadBlock(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return {};
    const int first = Int16At(data + 1);
    const int refWord = Int16At(data + 3);
    StartProgram(StartSettings{});
    // As in the data read: the port is open and the receive callback removed.
    OpenComConfig(com, "", 19200, COM_PARITY_NONE, 8, 1, 4096, 4096);
    SetLine(LineFrom(data + 5), data + 9, size - 9);
    FillPatterns();
    Findings f;

    const int result = ReadData64(first, refWord);
    if (result != 1)
        f.add("ReadData64 did not return 1");
    const auto &writes = fakeplat::Writes();
    const auto &reads = fakeplat::Reads();
    if (first < 0 || first > LINE_SAMPLES - kBlockWords) {
        if (!writes.empty() || !reads.empty())
            f.add("a block outside adcbuf was requested or read");
        std::array<char, IO_BUF> canary;
        canary.fill(kCanary);
        if (std::memcmp(szReadBuf, canary.data(), IO_BUF) != 0)
            f.add("szReadBuf changed for a block outside adcbuf");
        CheckSamples(first, 0, nullptr, f);
        return f.first();
    }

    if (writes.size() != 1) {
        f.add("ReadData64 did not write exactly one request");
        return f.first();
    }
    if (writes[0].result == FRAME_BYTES) {
        std::array<std::uint8_t, FRAME_BYTES> want{};
        want[1] = 0x55;
        want[3] = CMD_DATA_BLOCK;
        want[4] = static_cast<std::uint8_t>((first >> 8) & 0xFF);
        want[5] = static_cast<std::uint8_t>(first & 0xFF);
        want[6] = static_cast<std::uint8_t>((refWord >> 8) & 0xFF);
        want[7] = static_cast<std::uint8_t>(refWord & 0xFF);
        if (!std::equal(want.begin(), want.end(), writes[0].bytes.begin()))
            f.add("the block request is not 0x00 0x55 0x00 0x09, first, refWord and zeros");
    }
    if (reads.size() > 1)
        f.add("ReadData64 read more than once");
    int got = 0;
    if (reads.size() == 1) {
        const fakeplat::ReadCall &r = reads[0];
        if (r.buffer != szReadBuf || r.count <= 0 || r.count > IO_BUF)
            f.add("the block read does not fit szReadBuf");
        got = r.result;
        if (got > 0 && std::memcmp(szReadBuf, r.served.data(), r.served.size()) != 0)
            f.add("szReadBuf does not hold the bytes read");
    }
    if (nBytesR != got)
        f.add("nBytesR is not the count read");
    const int held = std::max(got, 0);
    for (int i = held; i < IO_BUF; ++i)
        if (szReadBuf[i] != kCanary) {
            f.add("szReadBuf was written beyond the bytes read");
            break;
        }
    CheckSamples(first, std::min(held / 2, kBlockWords),
                 reinterpret_cast<const std::uint8_t *>(szReadBuf), f);
    if (got == kBlockBytes && std::strcmp(szStatus, "Data[64] block received!") != 0)
        f.add("a whole block is not reported as received");
    if (fakeplat::ControlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED) != 0)
        f.add("the timer still runs after the block read");
    CheckReads(f);
    CheckFake(f);
    return f.first();
}

std::string RunDataLoop(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return {};
    StartSettings settings;
    settings.ccdMode = static_cast<unsigned short>((data[1] & 3) % 3);
    settings.evalMode = static_cast<unsigned short>((data[1] >> 2) & 3);
    settings.unitPixels = (data[1] >> 4) & 1;
    settings.pixelStart = static_cast<unsigned short>(Int16At(data + 2) & 0x3FF);
    StartProgram(settings);
    OpenPortWithCallback();
    Findings f;
    ReceiveWatch watch(f);
    SetLine(LineFrom(data + 5), data + 9, size - 9);
    FillPatterns();

    CC_BTNData(panelHandle, PANEL_BTNData, EV_COMMIT, nullptr, 0, 0);

    // Four block requests (0, 64, 128, 192; the last with refWord 1) and one
    // measurement request per pass, the blocks only while no callback is installed.
    static const int kFirst[] = {0, 64, 128, 192};
    const auto &writes = fakeplat::Writes();
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const auto &w = writes[i];
        const std::size_t slot = i % 5;
        if (w.bytes.size() != FRAME_BYTES)
            continue;
        const int code = w.bytes[3];
        if (slot < 4) {
            const int first = WordAt(w.bytes, 4), ref = WordAt(w.bytes, 6);
            if (code != CMD_DATA_BLOCK || first != kFirst[slot] || ref != (slot == 3 ? 1 : 0)) {
                f.add("the data read did not ask for blocks 0, 64, 128, 192 in turn");
                break;
            }
            if (w.callbackInstalled) {
                f.add("a block was requested while the receive callback was installed");
                break;
            }
        } else if (code != CMD_MEASURE) {
            f.add("the data read did not follow the blocks with a measurement request");
            break;
        }
    }
    if (stop_flag != 1)
        f.add("the data read did not end");
    if (fakeplat::PortOpen() && !fakeplat::CallbackInstalled())
        f.add("the receive callback was not installed again after the data read");
    if (fakeplat::ControlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED) != 0)
        f.add("the timer still runs after the data read");
    CheckRequests(f);
    CheckReads(f);
    CheckFake(f);
    return f.first();
}

} // namespace

std::string RunDataBlockCase(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return {};
    switch (data[0] % kModes) {
    case kDecoder: return RunDecoder(data, size);
    case kReadBlock: return RunReadBlock(data, size);
    default: return RunDataLoop(data, size);
    }
}

} // namespace fuzzh
