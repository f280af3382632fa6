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

// ---- One exchange ----------------------------------------------------------
// Every request that waits for the sensor goes through Exchange: it sends
// `code` with the sixteen `words` on `port` and lets events run until the
// answer has come, the wait has timed out, the operator pressed Stop (where
// that ends it) or the main window was closed. Texts of the outcome are the
// caller's: each operation has its own.
enum {
    EXCHANGE_TIMED_OUT = 0,
    EXCHANGE_ANSWERED = 1,
    EXCHANGE_CLOSED = 2,  // the main window was closed meanwhile
    EXCHANGE_STOPPED = 3, // stop_flag was set meanwhile
};

// What differs between the operations that wait, and why.
//
// flush: both orders empty both queues before the request, so that no stale
// answer is taken for this one. Fetch, teach and the measurement requests
// drop the input first; the background teach and the block read drop the
// output first and the input just before asking. Each keeps its order so
// the calls on the port stay as they were. The line check needs none: the
// port was emptied when it was set up.
enum { FLUSH_NONE, FLUSH_IN_OUT, FLUSH_OUT_IN };
// sentShow: what the status box says once the request is queued. Most show
// a hint only when the whole frame went out; the block read always says it
// waits; the teach claims its result in szStatus at once (a time-out then
// corrects it).
enum { SENT_QUIET, SENT_SHOW_IF_QUEUED, SENT_SHOW, SENT_SET };
// ticks: whether Exchange starts and stops the 50 ms ticks itself. The teach
// leaves them on after its answer, so that the fetch it runs then nests in
// its wait; a measurement cycle and the data read's measurement keep them
// running across their requests and stop them when the loop ends.
enum { TICKS_OWN, TICKS_LEAVE_ON, TICKS_RUNNING };
// limit: replies are given up once more than WAIT_TICKS have passed; the
// teach gives up as soon as TEACH_TICKS are reached, as the sensor expects.
enum { LIMIT_REPLY, LIMIT_TEACH };
// until: a frame is complete when the receive callback has taken it in; a
// data block, read while the callback is removed, when its 128 bytes are
// waiting in the input queue.
enum { UNTIL_FRAME, UNTIL_BLOCK };

struct ExchangeWay {
    int flush;
    int sentShow;
    const char *sentText;
    int ticks;
    int limit;
    int until;
    int stoppable; // 1: stop_flag ends the wait (a measurement cycle)
};

// The outcome; `queued`, when given, receives the input queue's length as
// the last pass of a block read found it.
int Exchange(int port, unsigned short code, const unsigned short *words, const ExchangeWay &way,
             int *queued = nullptr);

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
