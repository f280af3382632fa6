// One exchange with the sensor: a request goes out, then events run until
// its answer has come, the wait has timed out, the operator stopped it or
// the main window was closed.
#include "link/com232.h"

#include "core/globals.h"
#include "core/protocol/frame.h"
#include "core/status.h"
#include "platform/rs232.h"

namespace {

void Flush(int port, int how)
{
    if (how == FLUSH_IN_OUT) {
        FlushInQ(port);
        FlushOutQ(port);
    } else if (how == FLUSH_OUT_IN) {
        FlushOutQ(port);
        FlushInQ(port);
    }
}

void Announce(const ExchangeWay &way)
{
    if (!way.sentText)
        return;
    switch (way.sentShow) {
    case SENT_SHOW_IF_QUEUED:
        if (nBytesW == FRAME_BYTES)
            ShowStatusText(way.sentText);
        break;
    case SENT_SHOW: ShowStatusText(way.sentText); break;
    case SENT_SET: SetStatus(way.sentText); break;
    default: break;
    }
}

bool TimedOut(const ExchangeWay &way)
{
    return way.limit == LIMIT_TEACH ? qzan::protocol::TeachTimedOut(ttick)
                                    : qzan::protocol::ReplyTimedOut(ttick);
}

} // namespace

int Exchange(int port, unsigned short code, const unsigned short *words, const ExchangeWay &way,
             int *queued)
{
    Flush(port, way.flush);
    order = code;
    FillTxBuf(code, words);
    // A block is collected from the queue, not by the receive callback, so
    // the answer flag of the frames is left alone.
    if (way.until == UNTIL_FRAME)
        rx_flag = 0;
    nBytesW = ComWrt(port, szWriteBuf, FRAME_BYTES);
    Announce(way);
    if (way.ticks != TICKS_RUNNING)
        StartTicks();

    int result = EXCHANGE_TIMED_OUT;
    for (;;) {
        const int goesOn = WaitPass();
        const int waiting = way.until == UNTIL_BLOCK ? GetInQLen(port) : 0;
        if (queued)
            *queued = waiting;
        if (!goesOn) {
            result = EXCHANGE_CLOSED;
            break;
        }
        if (way.stoppable && stop_flag != 0) {
            result = EXCHANGE_STOPPED;
            break;
        }
        if (way.until == UNTIL_BLOCK) {
            // No callback resets the ticks while a block comes in, so a block
            // whose last byte comes with the last tick has timed out.
            if (TimedOut(way))
                break;
            if (waiting >= qzan::protocol::BLOCK_BYTES) {
                result = EXCHANGE_ANSWERED;
                break;
            }
            continue;
        }
        // The answer is tested before the time-out: one that comes with the
        // last tick counts.
        if (rx_flag == 1) {
            result = EXCHANGE_ANSWERED;
            break;
        }
        if (TimedOut(way))
            break;
    }

    if (way.ticks == TICKS_OWN)
        StopTicks();
    return result;
}
