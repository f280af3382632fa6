// Start-up state, line chunks and the checks of the receive path.

// Standard headers may bring in <unistd.h>, whose sync() hides the program's
// variable of that name: the harnesses reach it through SyncWord().
#define QZAN_WITHOUT_SYNC

#include "fuzz/harness_common.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace fuzzh {
namespace {

// The shared variables as the program's load leaves them.
void ResetSharedState()
{
    panelHandle = 0;
    panelPopUp = 0;
    power = pwrMode = vThd = bVal = polarity = eMode = 0;
    eBeg = eEnd = tVal = tTol = iGain = ePoti = 0;
    ccdMode = pStart = bMode = para15 = 0;
    com = 1;
    SyncWord() = 0x55;
    order = 1;
    target = RAM;
    rx_flag = 0;
    graphrefresh = 0;
    stop_flag = 1;
    ttick = 0;
    nBytesW = 0;
    nBytesR = 0;
    ret = 0;
    ref_flag = 0;
    value = 0;
    std::memset(szStatus, 0, sizeof szStatus);
    std::memset(szWriteBuf, 0, sizeof szWriteBuf);
    std::memset(szReadBuf, 0, sizeof szReadBuf);
    std::memset(pp, 0, sizeof pp);
    std::memset(adcbuf, 0, sizeof adcbuf);
    std::memset(xArray, 0, sizeof xArray);
    std::memset(thdArray, 0, sizeof thdArray);
    std::memset(proj_dir, 0, sizeof proj_dir);
    std::memset(file_name, 0, sizeof file_name);
    scaleF = 1.0f;
    hidePopUp = 1;
    pix1 = 0;
    edcnt = mvstart = mvend = 0;
}

std::array<unsigned short, PNUM> Words(const fakeplat::Bytes &frame)
{
    std::array<unsigned short, PNUM> words{};
    for (int i = 0; i < PNUM; ++i)
        words[static_cast<std::size_t>(i)] = WordAt(frame, 4 + 2 * static_cast<std::size_t>(i));
    return words;
}

struct Snapshot {
    std::array<char, IO_BUF> readBuf{};
    std::array<unsigned short, PNUM> record{};
    int rx = 0, refresh = 0;
    unsigned short tick = 0;
    fakeplat::Bytes queue;
};

Snapshot TakeSnapshot()
{
    Snapshot s;
    std::memcpy(s.readBuf.data(), szReadBuf, sizeof szReadBuf);
    std::memcpy(s.record.data(), pp, sizeof pp);
    s.rx = rx_flag;
    s.refresh = graphrefresh;
    s.tick = ttick;
    s.queue = fakeplat::InQueue();
    return s;
}

bool SameRecord(const std::array<unsigned short, PNUM> &a)
{
    return std::memcmp(a.data(), pp, sizeof pp) == 0;
}

Snapshot g_before;

} // namespace

unsigned short WordAt(const fakeplat::Bytes &bytes, std::size_t offset)
{
    return static_cast<unsigned short>((bytes[offset] << 8) | bytes[offset + 1]);
}

void StartProgram(const StartSettings &settings)
{
    fakeplat::Reset();
    ResetSharedState();
    panelHandle = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
    panelPopUp = LoadPanel(panelHandle, QZAN_PANEL_FILE, POPUP);
    fakeplat::SetTimer(panelHandle, PANEL_Timer50ms, CC_Timer50ms);

    // The panel file's initial values.
    fakeplat::SetControl(panelHandle, PANEL_Slide_Power, 500);
    fakeplat::SetControl(panelHandle, PANEL_RingPowerMode, 0);
    fakeplat::SetControl(panelHandle, PANEL_NEDITVideoThreshold, 512);
    fakeplat::SetControl(panelHandle, PANEL_RingPolarity, 1);
    fakeplat::SetControl(panelHandle, PANEL_DropDEvalmode, settings.evalMode);
    fakeplat::SetControl(panelHandle, PANEL_NEDITEdgeLeft, 200);
    fakeplat::SetControl(panelHandle, PANEL_NEDITEdgeRight, 800);
    fakeplat::SetControl(panelHandle, PANEL_DropDCom, 1);
    fakeplat::SetControl(panelPopUp, POPUP_NEDITTeach, 512);
    fakeplat::SetControl(panelPopUp, POPUP_NEDITTolerance, 100);
    fakeplat::SetControl(panelPopUp, POPUP_NUM_BackGround, 64);
    fakeplat::SetControl(panelPopUp, POPUP_BIN_Switch_VGain, 1);
    fakeplat::SetControl(panelPopUp, POPUP_BIN_Sw_EnableTol, 1);
    fakeplat::SetControl(panelPopUp, POPUP_NSLIDE_PixelStart, settings.pixelStart);
    fakeplat::SetControl(panelPopUp, POPUP_RING_CCDMode, settings.ccdMode);
    fakeplat::SetControl(panelPopUp, POPUP_RING_CCDBGMode, 0);
    fakeplat::SetControl(panelPopUp, POPUP_NUM_ScalFact, 1.0);

    InitVars();
    fakeplat::SetControl(panelHandle, PANEL_BINSWITCH_UM, settings.unitPixels);
}

void OpenPortWithCallback()
{
    OpenComConfig(com, "", 19200, COM_PARITY_NONE, 8, 1, 4096, 4096);
    FlushInQ(com);
    FlushOutQ(com);
    InstallComCallback(com, eventMask, FRAME_BYTES, SyncWord(), RX_Receive_Function, nullptr);
}

std::vector<fakeplat::Bytes> Chunks(const std::uint8_t *data, std::size_t n, unsigned size,
                                    unsigned pattern)
{
    std::vector<fakeplat::Bytes> chunks;
    if (n == 0)
        return chunks;
    if (size == 0) {
        chunks.emplace_back(data, data + n);
        return chunks;
    }
    std::uint32_t seed = 0x9E3779B9u ^ size;
    bool small = false;
    std::size_t at = 0;
    while (at < n) {
        std::size_t take = size;
        switch (pattern & 3u) {
        case 1:
            take = small ? 1 : size;
            small = !small;
            break;
        case 3:
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            take = 1 + seed % (2 * size);
            break;
        default:
            break;
        }
        take = std::min(take, n - at);
        chunks.emplace_back(data + at, data + at + take);
        at += take;
        if ((pattern & 3u) == 2)
            chunks.emplace_back();
    }
    return chunks;
}

int LastRequestCode()
{
    const auto &writes = fakeplat::Writes();
    for (auto it = writes.rbegin(); it != writes.rend(); ++it)
        if (it->result == FRAME_BYTES && it->bytes.size() == FRAME_BYTES)
            return it->bytes[3];
    return 0;
}

ReceiveWatch::ReceiveWatch(Findings &findings) : m_findings(findings)
{
    fakeplat::SetDeliveryHooks(
        [](const fakeplat::Delivery &) { g_before = TakeSnapshot(); },
        [this](const fakeplat::Delivery &d) {
            Findings &f = m_findings;
            const auto &reads = fakeplat::Reads();
            const std::size_t readsDuring = reads.size() - d.readsBefore;
            if ((d.events & COM_EV_NOTIFY) == 0) {
                if (readsDuring != 0)
                    f.add("the receive callback read bytes without a notify event");
                if (rx_flag != g_before.rx || graphrefresh != g_before.refresh ||
                    ttick != g_before.tick || !SameRecord(g_before.record))
                    f.add("the receive callback acted on an event other than notify");
                if (fakeplat::InQueue() != g_before.queue)
                    f.add("the receive callback touched the input queue without a notify event");
                return;
            }
            if (d.waiting.size() < static_cast<std::size_t>(FRAME_BYTES)) {
                f.add("notify event with fewer than 36 bytes waiting");
                return;
            }
            if (readsDuring != 1) {
                f.add("the receive callback did not read exactly once");
                return;
            }
            const fakeplat::ReadCall &r = reads[d.readsBefore];
            if (r.buffer != szReadBuf || r.count != FRAME_BYTES || r.result != FRAME_BYTES) {
                f.add("the receive callback's read is not one frame into szReadBuf");
                return;
            }
            const fakeplat::Bytes frame(d.waiting.begin(), d.waiting.begin() + FRAME_BYTES);
            if (std::memcmp(szReadBuf, frame.data(), FRAME_BYTES) != 0)
                f.add("szReadBuf does not hold the frame that was waiting");
            if (std::memcmp(szReadBuf + FRAME_BYTES, g_before.readBuf.data() + FRAME_BYTES,
                            IO_BUF - FRAME_BYTES) != 0)
                f.add("the receive callback wrote szReadBuf beyond one frame");
            const auto words = Words(frame);
            if (!SameRecord(words))
                f.add("pp does not hold the words of the frame taken");
            const bool echo = frame[4] == 0x00 && frame[5] == 0xAA;
            if ((pp[0] == ECHO_WORD) != echo)
                f.add("the echo test on pp[0] disagrees with the frame's bytes 4 and 5");
            if (rx_flag != 1 || graphrefresh != 1 || ttick != 0)
                f.add("the receive callback did not raise rx_flag and graphrefresh or restart ttick");
            if (!fakeplat::InQueue().empty())
                f.add("bytes beyond the frame were left in the input queue");
            // Decoding again gives the same words; a count beyond the record stays in it.
            GetRxBuf(PNUM);
            if (!SameRecord(words))
                f.add("decoding the same reply twice gave different words");
            m_frames.push_back({frame, LastRequestCode()});
        });
}

ReceiveWatch::~ReceiveWatch() { fakeplat::SetDeliveryHooks(nullptr, nullptr); }

void CheckRequests(Findings &findings)
{
    for (const auto &w : fakeplat::Writes()) {
        if (w.buffer != szWriteBuf || w.count != FRAME_BYTES) {
            findings.add("a write that is not one 36-byte frame from szWriteBuf");
            return;
        }
        if (w.result != FRAME_BYTES)
            continue; // the port was gone: nothing was read from the buffer
        if (w.bytes[0] != 0x00 || w.bytes[1] != 0x55 || w.bytes[2] != 0x00 || w.bytes[3] < 1 ||
            w.bytes[3] > 9) {
            findings.add("a request without a valid header");
            return;
        }
    }
}

void CheckReads(Findings &findings)
{
    for (const auto &r : fakeplat::Reads()) {
        if (r.count <= 0)
            continue; // nothing is written for these
        const char *begin = szReadBuf;
        const char *end = szReadBuf + IO_BUF;
        const bool inside = std::less_equal<const char *>()(begin, r.buffer) &&
                            std::less<const char *>()(r.buffer, end) &&
                            r.count <= end - r.buffer;
        if (!inside) {
            findings.add("a read into memory outside szReadBuf");
            return;
        }
    }
}

void CheckFake(Findings &findings)
{
    if (!fakeplat::Failure().empty())
        findings.add(fakeplat::Failure());
}

} // namespace fuzzh
