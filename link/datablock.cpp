// One block of 64 line samples: request command 9, then collect the 128-byte
// answer by polling the input queue (the receive callback is removed meanwhile).
#include "core/status.h"
#include "core/globals.h"
#include "core/protocol/frame.h"
#include "link/com232.h"
#include "platform/rs232.h"
#include "platform/ui.h"

namespace {
constexpr int kBlockWords = qzan::protocol::BLOCK_WORDS;
constexpr int kBlockBytes = qzan::protocol::BLOCK_BYTES;
} // namespace

int ReadData64(int first, int refWord)
{
    if (first < 0 || first > LINE_SAMPLES - kBlockWords)
        return 1; // no block lies there
    // Drop whatever is left of earlier exchanges just before asking.
    static constexpr ExchangeWay kBlock = {FLUSH_OUT_IN, SENT_SHOW, "Waiting for Data[64] ...",
                                           TICKS_OWN, LIMIT_REPLY, UNTIL_BLOCK, 0};
    sync = 0x55;
    order = CMD_DATA_BLOCK;
    const qzan::protocol::Words words = qzan::protocol::BlockRequestWords(first, refWord);
    int waiting = 0;
    // After a close, what has come is taken all the same.
    if (Exchange(com, CMD_DATA_BLOCK, words.data(), kBlock, &waiting) == EXCHANGE_TIMED_OUT)
        SetStatus("Timeout-RS-232 while reading 64 data-words!");

    if (waiting < 0)
        waiting = 0;
    if (waiting > IO_BUF)
        waiting = IO_BUF;
    nBytesR = waiting > 0 ? ComRd(com, szReadBuf, waiting) : 0;
    if (nBytesR == kBlockBytes)
        SetStatus("Data[64] block received!");
    // Only the words that arrived in this read are stored; after a short read
    // the rest of the block keeps its values instead of taking stale bytes.
    DecodeDataBlock(reinterpret_cast<const unsigned char *>(szReadBuf),
                    nBytesR > 0 ? nBytesR : 0, first);
    ShowStatus();
    return 1;
}
