// The parameter record and the frames of the shared buffers; the byte
// layouts are the protocol core's.
#include "core/globals.h"
#include "core/protocol/frame.h"
#include "link/com232.h"

namespace {

// The sixteen parameter variables in record order.
unsigned short *const kRecord[PNUM] = {
    &power, &pwrMode, &vThd, &bVal, &polarity, &eMode, &eBeg, &eEnd,
    &tVal, &tTol, &iGain, &ePoti, &ccdMode, &pStart, &bMode, &para15,
};

} // namespace

void CopyVarsToWords(unsigned short *words)
{
    for (int i = 0; i < PNUM; ++i)
        words[i] = *kRecord[i];
}

void CopyWordsToVars(const unsigned short *words)
{
    for (int i = 0; i < PNUM; ++i)
        *kRecord[i] = words[i];
}

void CopyVarsToPP(void) { CopyVarsToWords(pp); }

void CopyPPtoVars(void) { CopyWordsToVars(pp); }

void FillTxBuf(unsigned short code, const unsigned short *words)
{
    qzan::protocol::EncodeRequest(static_cast<unsigned int>(sync), code, words,
                                  reinterpret_cast<unsigned char *>(szWriteBuf));
}

void GetRxBuf(int count)
{
    // The four header bytes are not interpreted: frames are told apart by
    // their length alone.
    qzan::protocol::DecodeReplyWords(reinterpret_cast<const unsigned char *>(szReadBuf), count,
                                     pp);
}

int DecodeDataBlock(const unsigned char *bytes, int count, int first)
{
    if (first < 0 || first > LINE_SAMPLES - qzan::protocol::BLOCK_WORDS)
        return 0;
    return qzan::protocol::DecodeBlock(bytes, count, adcbuf + first);
}
