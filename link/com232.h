// The device link: frames, the line check, port set-up and the receive
// callback, the parameter record and the data-block read. The opening that
// ends in a fetch is the application's InitRS232.
#ifndef LINK_COM232_H
#define LINK_COM232_H

#include "core/protocol/comerror.h"
#include "core/protocol/frame.h"

// Command codes, tick limits and the echo word of the protocol core.
using enum qzan::protocol::Command;
using qzan::protocol::ECHO_WORD;
using qzan::protocol::TEACH_TICKS;
using qzan::protocol::WAIT_TICKS;

// Parameter record.
void CopyVarsToPP(void);
void CopyPPtoVars(void);
// The same copies to and from any sixteen words in record order.
void CopyVarsToWords(unsigned short *words);
void CopyWordsToVars(const unsigned short *words);

// Frames.
void FillTxBuf(unsigned short order, const unsigned short *words);
void GetRxBuf(int count);
int CheckComLine(int port);
// The wait of a fetch or background teach: lets events run until the receive
// callback has taken in a frame (1) or more than WAIT_TICKS ticks have passed
// (0, with "Timeout-RS-232..." in szStatus). The answer is tested before the
// time-out, so one that comes with the last tick counts. 0 without a text
// when the main window was closed meanwhile.
int WaitForReply(void);

// Port set-up and receive callback. OpenComPort opens the port at 19200
// baud, 8N1 (0 or a negative error code); SetUpComPort gives an opened port
// its read time-out, empty queues and the receive callback.
int OpenComPort(int port);
void SetUpComPort(int port);
void RX_Receive_Function(int port, int eventMaskOccurred, void *callbackData);
using qzan::protocol::ComErrorText;

// Data block read.
int ReadData64(int first, int refWord);
// Decodes `bytes` received bytes of a 64-word block into adcbuf[first..]:
// only whole words that arrived are stored; the others keep their values.
// The number of words stored.
int DecodeDataBlock(const unsigned char *bytes, int count, int first);

#endif
