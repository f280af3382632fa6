// Replies through the receive callback and the waits that use it.

// Standard headers may bring in <unistd.h>, whose sync() hides the program's
// variable of that name: the harnesses reach it through SyncWord().
#define QZAN_WITHOUT_SYNC

#include "fuzz/harnesses.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "fuzz/harness_common.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "settings/PopUp.h"
#include "settings/gui.h"

#include <climits>
#include <cstring>

namespace fuzzh {
namespace {

enum Scenario { kStartUp, kCycle, kTeach, kTeachBackground, kBareCallback, kScenarios };

std::size_t CountFrames(const std::vector<TakenFrame> &frames, int request)
{
    std::size_t n = 0;
    for (const auto &f : frames)
        n += f.request == request ? 1 : 0;
    return n;
}

const TakenFrame *FirstFrame(const std::vector<TakenFrame> &frames, int request)
{
    for (const auto &f : frames)
        if (f.request == request)
            return &f;
    return nullptr;
}

std::size_t CountRequests(int code)
{
    std::size_t n = 0;
    for (const auto &w : fakeplat::Writes())
        n += w.bytes.size() == FRAME_BYTES && w.bytes[3] == code ? 1 : 0;
    return n;
}

bool StatusIs(const char *text) { return std::strcmp(szStatus, text) == 0; }

// After a fetch the variables hold the reply's words, those beyond their
// control's range replaced by a value within it.
void CheckFetchedValues(const TakenFrame &reply, Findings &f)
{
    struct Bound {
        const unsigned short *var;
        int word;
        unsigned short max;
    };
    const Bound bounds[] = {
        {&power, 0, 1000}, {&pwrMode, 1, 1},  {&vThd, 2, 1023},   {&bVal, 3, 1023},
        {&polarity, 4, 1}, {&eMode, 5, 3},    {&eBeg, 6, 1024},   {&eEnd, 7, 1024},
        {&tVal, 8, 1024},  {&tTol, 9, 512},   {&iGain, 10, 1},    {&ePoti, 11, 1},
        {&pStart, 13, 1023},
    };
    for (const Bound &b : bounds) {
        const unsigned short word = WordAt(reply.bytes, 4 + 2 * static_cast<std::size_t>(b.word));
        if (word <= b.max ? *b.var != word : *b.var > b.max) {
            f.add("a fetched parameter is not the reply's word or not within its range");
            return;
        }
    }
    const unsigned short scale = WordAt(reply.bytes, 4 + 2 * 15);
    const unsigned short expected = scale < 800 ? 800 : scale > 1200 ? 1200 : scale;
    if (para15 != expected)
        f.add("the fetched scale factor is not held within 0.8 to 1.2");
    if (ccdMode != WordAt(reply.bytes, 4 + 2 * 12) || bMode != WordAt(reply.bytes, 4 + 2 * 14))
        f.add("the fetched CCD modes are not the reply's words");
}

void RunStartUp(const std::vector<TakenFrame> &frames, Findings &f)
{
    InitRS232(com);
    const std::size_t echoes = CountFrames(frames, CMD_ECHO);
    const TakenFrame *echo = FirstFrame(frames, CMD_ECHO);
    if (echoes > 1)
        f.add("the echo check took more than one frame");
    const bool good = echo && WordAt(echo->bytes, 4) == ECHO_WORD;
    if ((ret == 1) != good)
        f.add("the echo check's result disagrees with the reply's word 0");
    if (ret == 1) {
        if (target != RAM || CountRequests(CMD_READ_RAM) != 1)
            f.add("a passed echo check was not followed by one fetch from RAM");
        const TakenFrame *reply = FirstFrame(frames, CMD_READ_RAM);
        if (CountFrames(frames, CMD_READ_RAM) > 1)
            f.add("the fetch took more than one frame");
        if (reply) {
            if (!StatusIs("Parameter-frame received! - Line Ok!"))
                f.add("a fetch that got its reply does not say so");
            CheckFetchedValues(*reply, f);
        } else if (!StatusIs("Timeout-RS-232...")) {
            f.add("a fetch without a reply does not report the time-out");
        }
    } else {
        if (CountRequests(CMD_READ_RAM) != 0)
            f.add("parameters were fetched after a failed echo check");
        const char *want = echo ? "read error - not sync byte 0xAA!" : "Timeout-RS-232...";
        if (!StatusIs(want))
            f.add("the failed echo check shows the wrong text");
    }
}

void RunCycle(const std::vector<TakenFrame> &frames, Findings &f)
{
    OpenPortWithCallback();
    CC_BTNRun(panelHandle, PANEL_BTNRun, EV_COMMIT, nullptr, 0, 0);
    // One request outstanding at any time: each answer is followed by the next request.
    if (CountRequests(CMD_MEASURE) != 1 + frames.size())
        f.add("the cycle did not send exactly one request per answer");
    if (stop_flag != 1 || !StatusIs("Timeout RS232-Line!"))
        f.add("the cycle did not end with its time-out");
    if (fakeplat::ControlAttribute(panelHandle, PANEL_Timer50ms, ATTR_ENABLED) != 0)
        f.add("the timer still runs after the cycle");
}

void RunTeach(const std::vector<TakenFrame> &frames, Findings &f)
{
    OpenPortWithCallback();
    CC_ButtonTeach(panelHandle, PANEL_ButtonTeach, EV_COMMIT, nullptr, 0, 0);
    const bool answered = CountFrames(frames, CMD_TEACH) > 0;
    if (answered != (CountRequests(CMD_READ_RAM) == 1))
        f.add("a teach answer is not followed by exactly one fetch");
    if (!answered && !StatusIs("Timeout-RS-232..."))
        f.add("a teach without an answer does not report the time-out");
}

void RunTeachBackground(const std::vector<TakenFrame> &frames, Findings &f)
{
    OpenPortWithCallback();
    CC_BTNTeachBackGround(panelPopUp, POPUP_BTNTeachBackGround, EV_LEFT_CLICK, nullptr, 0, 0);
    const bool answered = CountFrames(frames, CMD_TEACH_BACKGROUND) > 0;
    if (!StatusIs(answered ? "Teach order echo received! - Line Ok!" : "Timeout-RS-232..."))
        f.add("the background teach shows the wrong text");
    CC_BTNTeachBackGround(panelPopUp, POPUP_BTNTeachBackGround, EV_COMMIT, nullptr, 0, 0);
    if (answered != (CountRequests(CMD_READ_RAM) == 1))
        f.add("a background teach answer is not followed by exactly one fetch");
}

void RunBareCallback(const std::vector<TakenFrame> &frames, Findings &f)
{
    OpenPortWithCallback();
    while (fakeplat::ArrivalsLeft())
        ProcessSystemEvents();
    for (int i = 0; i < 3; ++i)
        ProcessSystemEvents();
    std::size_t notified = 0;
    for (const auto &d : fakeplat::Deliveries())
        notified += (d.events & COM_EV_NOTIFY) ? 1 : 0;
    if (notified != frames.size())
        f.add("a notify event did not take exactly one frame");
    if (frames.empty())
        return;
    // Word counts outside the record decode no more than the record holds.
    unsigned short record[PNUM];
    std::memcpy(record, pp, sizeof pp);
    for (int count : {0, -1, INT_MIN, PNUM + 1, IO_BUF, INT_MAX}) {
        GetRxBuf(count);
        if (std::memcmp(record, pp, sizeof pp) != 0) {
            f.add("decoding with an odd word count changed the record");
            return;
        }
    }
}

} // namespace

std::string RunReplyCase(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return {};
    const unsigned scenario = data[0] % kScenarios;
    StartSettings settings;
    settings.unitPixels = data[1] & 1;
    settings.evalMode = static_cast<unsigned short>((data[1] >> 1) & 3);
    settings.ccdMode = static_cast<unsigned short>(((data[1] >> 3) & 3) % 3);
    const unsigned pattern = (data[1] >> 5) & 3;
    const bool hangUp = (data[1] & 0x80) != 0;
    StartProgram(settings);

    Findings findings;
    ReceiveWatch watch(findings);
    auto chunks = Chunks(data + 3, size - 3, data[2], pattern);
    if (hangUp)
        fakeplat::SetHangupAfterPass(static_cast<long>(chunks.size()));
    fakeplat::SetArrivals(std::move(chunks));

    switch (scenario) {
    case kStartUp: RunStartUp(watch.frames(), findings); break;
    case kCycle: RunCycle(watch.frames(), findings); break;
    case kTeach: RunTeach(watch.frames(), findings); break;
    case kTeachBackground: RunTeachBackground(watch.frames(), findings); break;
    default: RunBareCallback(watch.frames(), findings); break;
    }
    CheckRequests(findings);
    CheckReads(findings);
    CheckFake(findings);
    return findings.first();
}

} // namespace fuzzh
