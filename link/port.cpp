// Port set-up, the echo check and the receive callback that takes every
// 36-byte reply off the line.
#include "core/status.h"
#include "core/globals.h"
#include "link/com232.h"
#include "platform/rs232.h"

namespace {

constexpr long kBaud = 19200;
constexpr int kQueueBytes = 4096;
constexpr double kReadTimeout = 2.0;

} // namespace

// The serial services report the codes the protocol core has texts for.
namespace proto = qzan::protocol;
static_assert(int{COM_UNKNOWN_SYSTEM_ERROR} == int{proto::COM_UNKNOWN_SYSTEM_ERROR});
static_assert(int{COM_INVALID_PORT} == int{proto::COM_INVALID_PORT});
static_assert(int{COM_NOT_OPEN} == int{proto::COM_NOT_OPEN});
static_assert(int{COM_IO_ERROR} == int{proto::COM_IO_ERROR});
static_assert(int{COM_ERROR} == int{proto::COM_ERROR});
static_assert(int{COM_NO_PORT_FOUND} == int{proto::COM_NO_PORT_FOUND});
static_assert(int{COM_CANNOT_OPEN} == int{proto::COM_CANNOT_OPEN});
static_assert(int{COM_TIMEOUT} == int{proto::COM_TIMEOUT});

int OpenComPort(int port)
{
    return OpenComConfig(port, "", kBaud, COM_PARITY_NONE, 8, 1, kQueueBytes, kQueueBytes);
}

void SetUpComPort(int port)
{
    SetComTime(port, kReadTimeout);
    FlushInQ(port);
    FlushOutQ(port);
    SetCTSMode(port, 0);
    InstallComCallback(port, eventMask, FRAME_BYTES, sync, RX_Receive_Function, nullptr);
}

int CheckComLine(int port)
{
    static constexpr ExchangeWay kEcho = {FLUSH_NONE, SENT_QUIET, nullptr, TICKS_OWN,
                                          LIMIT_REPLY, UNTIL_FRAME, 0};
    int result = 0;
    CopyVarsToPP();
    if (Exchange(port, CMD_ECHO, pp, kEcho) == EXCHANGE_TIMED_OUT)
        SetStatus("Timeout-RS-232...");
    // An answer that came in the pass that saw the window close counts too.
    if (rx_flag == 1) {
        if (qzan::protocol::EchoAnswered(pp[0])) {
            SetStatus("Echo Check - Line Ok!");
            result = 1;
        } else {
            SetStatus("read error - not sync byte 0xAA!");
        }
    }
    ShowStatus();
    return result;
}

void RX_Receive_Function(int /*port*/, int eventMaskOccurred, void * /*callbackData*/)
{
    if ((eventMaskOccurred & COM_EV_NOTIFY) == 0)
        return;
    const int got = ComRd(com, szReadBuf, FRAME_BYTES);
    if (qzan::protocol::IsWholeReply(got)) {
        GetRxBuf(PNUM);
        ttick = 0;
        rx_flag = 1;
        graphrefresh = 1;
    }
    // Bytes beyond one frame belong to no request. A frame that could not be
    // read whole (the port went away meanwhile) is no answer either.
    FlushInQ(com);
}
