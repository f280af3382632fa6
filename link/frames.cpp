// The parameter record and the byte layout of frames: 36 bytes, a sync word,
// a command word and sixteen words, all big-endian.
#include "app/globals.h"
#include "link/com232.h"

namespace {

// The sixteen parameter variables in record order.
unsigned short *const kRecord[PNUM] = {
    &power, &pwrMode, &vThd, &bVal, &polarity, &eMode, &eBeg, &eEnd,
    &tVal, &tTol, &iGain, &ePoti, &ccdMode, &pStart, &bMode, &para15,
};

void PutWord(char *at, unsigned int word)
{
    at[0] = static_cast<char>((word >> 8) & 0xFFu);
    at[1] = static_cast<char>(word & 0xFFu);
}

unsigned short GetWord(const unsigned char *at)
{
    return static_cast<unsigned short>((static_cast<unsigned int>(at[0]) << 8) | at[1]);
}

} // namespace

void CopyVarsToPP(void)
{
    for (int i = 0; i < PNUM; ++i)
        pp[i] = *kRecord[i];
}

void CopyPPtoVars(void)
{
    for (int i = 0; i < PNUM; ++i)
        *kRecord[i] = pp[i];
}

void FillTxBuf(unsigned short code, const unsigned short *words)
{
    PutWord(szWriteBuf, static_cast<unsigned int>(sync) & 0xFFFFu);
    PutWord(szWriteBuf + 2, code);
    for (int i = 0; i < PNUM; ++i)
        PutWord(szWriteBuf + 4 + 2 * i, words[i]);
}

void GetRxBuf(int count)
{
    // The four header bytes are not interpreted: frames are told apart by
    // their length alone.
    const auto *bytes = reinterpret_cast<const unsigned char *>(szReadBuf);
    if (count > PNUM)
        count = PNUM;
    for (int i = 0; i < count; ++i)
        pp[i] = GetWord(bytes + 4 + 2 * i);
}

int DecodeDataBlock(const unsigned char *bytes, int count, int first)
{
    if (first < 0 || first > LINE_SAMPLES - 64 || count < 0)
        return 0;
    int words = count / 2;
    if (words > 64)
        words = 64;
    for (int i = 0; i < words; ++i)
        adcbuf[first + i] = GetWord(bytes + 2 * i);
    return words;
}
