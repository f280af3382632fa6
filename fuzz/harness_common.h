// What the harnesses share: the program brought to its start-up state on the
// fake services, the input cut into line chunks, and the checks that every
// receive callback and every request must pass.
#ifndef FUZZ_HARNESS_COMMON_H
#define FUZZ_HARNESS_COMMON_H

#include "fuzz/fake_platform/serial.h"
#include "fuzz/fake_platform/ui.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzh {

// The first finding of a run; later ones are dropped.
class Findings {
public:
    void add(const std::string &what)
    {
        if (m_first.empty())
            m_first = what;
    }
    bool any() const { return !m_first.empty(); }
    const std::string &first() const { return m_first; }

private:
    std::string m_first;
};

// Panel settings the program starts with.
struct StartSettings {
    unsigned short evalMode = 1; // 0 to 3
    unsigned short ccdMode = 0;  // 0 to 2
    unsigned short pixelStart = 1;
    int unitPixels = 1;          // the unit switch: 1 pixels, 0 micrometres
};

// Resets the fake services and every shared variable, loads the panels with
// their start-up values and runs InitVars. The port stays closed.
void StartProgram(const StartSettings &settings);

// Opens port `com` as InitRS232 does, without the echo check.
void OpenPortWithCallback();

// Cuts `n` bytes into the chunks that arrive one per pass.
//   size 0: everything in one chunk.
//   pattern 0: chunks of `size`; 1: `size` and 1 byte in turn; 2: a chunk of
//   `size`, then a pass with nothing; 3: sizes from 1 to 2 * `size`, varied.
std::vector<fakeplat::Bytes> Chunks(const std::uint8_t *data, std::size_t n, unsigned size,
                                    unsigned pattern);

// The 36 bytes of a frame taken by the receive callback, and the command
// code of the last request written before it.
struct TakenFrame {
    fakeplat::Bytes bytes;
    int request;
};

// Watches every receive callback the fake dispatches:
//  - without COM_EV_NOTIFY the callback changes nothing;
//  - with it, it reads exactly one frame of 36 bytes into szReadBuf (nothing
//    beyond), decodes its sixteen words into pp, sets rx_flag and
//    graphrefresh, restarts ttick and empties the input queue;
//  - decoding the same bytes again gives the same words.
class ReceiveWatch {
public:
    explicit ReceiveWatch(Findings &findings);
    ~ReceiveWatch();
    const std::vector<TakenFrame> &frames() const { return m_frames; }

private:
    Findings &m_findings;
    std::vector<TakenFrame> m_frames;
};

// The command code of the last request that was written whole, 0 if none.
int LastRequestCode();

// Every write is one 36-byte request from szWriteBuf with a valid header
// (0x00 0x55 0x00 and a code 1 to 9).
void CheckRequests(Findings &findings);

// Every read goes into szReadBuf and asks for no more than it holds.
void CheckReads(Findings &findings);

// The fake's own findings.
void CheckFake(Findings &findings);

unsigned short WordAt(const fakeplat::Bytes &bytes, std::size_t offset);

} // namespace fuzzh

#endif
