// The device link: frames, the line check, port set-up and the receive
// callback, the parameter record and the data-block read.
#ifndef LINK_COM232_H
#define LINK_COM232_H

// Command codes of the frames.
enum {
    CMD_WRITE_RAM = 1,
    CMD_READ_RAM = 2,
    CMD_WRITE_EEPROM = 3,
    CMD_READ_EEPROM = 4,
    CMD_TEACH = 5,
    CMD_TEACH_BACKGROUND = 6,
    CMD_ECHO = 7,
    CMD_MEASURE = 8,
    CMD_DATA_BLOCK = 9,
};

// Replies (parameter sets, measurements) are tested against this limit of
// 50 ms ticks; the teach command waits for fewer.
inline constexpr int WAIT_TICKS = 30;
inline constexpr int TEACH_TICKS = 15;
inline constexpr int ECHO_WORD = 0x00AA;

// Parameter record.
void CopyVarsToPP(void);
void CopyPPtoVars(void);

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

// Port set-up and receive callback.
void InitRS232(int port);
void RX_Receive_Function(int port, int eventMaskOccurred, void *callbackData);
const char *ComErrorText(int code);

// Data block read.
int ReadData64(int first, int refWord);
// Decodes `bytes` received bytes of a 64-word block into adcbuf[first..]:
// only whole words that arrived are stored; the others keep their values.
// The number of words stored.
int DecodeDataBlock(const unsigned char *bytes, int count, int first);

#endif
