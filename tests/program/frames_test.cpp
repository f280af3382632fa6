// Frames and the parameter record: byte layouts of requests, decoding of
// replies and data blocks, and the copies between pp and the variables.
#include "core/globals.h"
#include "link/com232.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

unsigned char Byte(int i) { return static_cast<unsigned char>(szWriteBuf[i]); }

void PutReply(const unsigned char *bytes, int n) { std::memcpy(szReadBuf, bytes, n); }

TEST(Frames, echoRequestOfZeroWordsIsHeaderAndThirtyTwoZeros)
{
    SyncWord() = 0x55;
    unsigned short zeros[PNUM] = {};
    FillTxBuf(CMD_ECHO, zeros);
    const unsigned char head[] = {0x00, 0x55, 0x00, 0x07};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Byte(i), head[i]) << i;
    for (int i = 4; i < FRAME_BYTES; ++i)
        EXPECT_EQ(Byte(i), 0) << i;
}

TEST(Frames, wordsGoOutHighByteFirstInRecordOrder)
{
    SyncWord() = 0x55;
    unsigned short words[PNUM];
    for (int i = 0; i < PNUM; ++i)
        words[i] = static_cast<unsigned short>(0x1234 + 0x0101 * i);
    FillTxBuf(CMD_MEASURE, words);
    EXPECT_EQ(Byte(3), 8);
    for (int i = 0; i < PNUM; ++i) {
        EXPECT_EQ(Byte(4 + 2 * i), words[i] >> 8) << i;
        EXPECT_EQ(Byte(5 + 2 * i), words[i] & 0xFF) << i;
    }
}

TEST(Frames, replyHeaderIsIgnoredAndWordsAreBigEndian)
{
    unsigned char reply[FRAME_BYTES];
    for (int h = 0; h < 2; ++h) {
        for (int i = 0; i < 4; ++i)
            reply[i] = static_cast<unsigned char>(h ? 0xFF - i : i);
        for (int i = 0; i < PNUM; ++i) {
            reply[4 + 2 * i] = static_cast<unsigned char>(0x80 + i);
            reply[5 + 2 * i] = static_cast<unsigned char>(0xF0 + i);
        }
        PutReply(reply, FRAME_BYTES);
        GetRxBuf(PNUM);
        for (int i = 0; i < PNUM; ++i)
            EXPECT_EQ(pp[i], ((0x80 + i) << 8) | (0xF0 + i)) << i;
    }
}

TEST(Frames, decodingTwiceGivesTheSameWordsAndNeverMoreThanTheRecord)
{
    unsigned char reply[FRAME_BYTES] = {0, 0x55, 0, 2, 0x00, 0xAA};
    PutReply(reply, FRAME_BYTES);
    GetRxBuf(PNUM);
    GetRxBuf(PNUM);
    EXPECT_EQ(pp[0], 0x00AA);
    GetRxBuf(1000); // asks for more words than a frame holds
    EXPECT_EQ(pp[0], 0x00AA);
}

TEST(Record, copiesFollowTheRecordOrderAndAreExactInverses)
{
    unsigned short *vars[PNUM] = {&power, &pwrMode, &vThd, &bVal, &polarity, &eMode,
                                  &eBeg, &eEnd, &tVal, &tTol, &iGain, &ePoti,
                                  &ccdMode, &pStart, &bMode, &para15};
    for (int i = 0; i < PNUM; ++i)
        *vars[i] = static_cast<unsigned short>(1000 + i);
    CopyVarsToPP();
    for (int i = 0; i < PNUM; ++i)
        EXPECT_EQ(pp[i], 1000 + i) << i;
    for (int i = 0; i < PNUM; ++i)
        pp[i] = 0xFFFF;
    CopyPPtoVars();
    for (int i = 0; i < PNUM; ++i)
        EXPECT_EQ(*vars[i], 0xFFFF) << "nothing limits received values";
    CopyVarsToPP();
    CopyPPtoVars();
    for (int i = 0; i < PNUM; ++i)
        EXPECT_EQ(*vars[i], 0xFFFF);
}

TEST(DataBlock, wholeBlockFillsItsSixtyFourSamples)
{
    unsigned char block[128];
    for (int i = 0; i < 64; ++i) {
        block[2 * i] = 0x03;
        block[2 * i + 1] = static_cast<unsigned char>(i);
    }
    std::memset(adcbuf, 0, sizeof adcbuf);
    EXPECT_EQ(DecodeDataBlock(block, 128, 192), 64);
    EXPECT_EQ(adcbuf[191], 0);
    EXPECT_EQ(adcbuf[192], 0x0300);
    EXPECT_EQ(adcbuf[255], 0x0300 + 63);
}

TEST(DataBlock, shortReadStoresOnlyTheWordsThatArrived)
{
    unsigned char block[128] = {0x03, 0xFF, 0x01, 0x02, 0x05};
    for (unsigned short &s : adcbuf)
        s = 7;
    EXPECT_EQ(DecodeDataBlock(block, 5, 64), 2); // two whole words and half a word
    EXPECT_EQ(adcbuf[64], 1023);
    EXPECT_EQ(adcbuf[65], 0x0102);
    EXPECT_EQ(adcbuf[66], 7);
    EXPECT_EQ(adcbuf[127], 7);
}

TEST(DataBlock, oversizedReadsAndBadOffsetsStayInsideTheLine)
{
    unsigned char big[1024] = {};
    for (unsigned short &s : adcbuf)
        s = 9;
    EXPECT_EQ(DecodeDataBlock(big, 1024, 0), 64);
    EXPECT_EQ(adcbuf[64], 9);
    EXPECT_EQ(DecodeDataBlock(big, 128, 193), 0);
    EXPECT_EQ(DecodeDataBlock(big, 128, -1), 0);
    EXPECT_EQ(DecodeDataBlock(big, -5, 0), 0);
}

} // namespace
