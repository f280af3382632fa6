// The program's whole state: every shared variable, with the names the
// modules use. All of it lives for the whole run and is touched only on the
// user-interface thread.
#ifndef CORE_GLOBALS_H
#define CORE_GLOBALS_H

#include "core/protocol/frame.h"

// ---- Constants -------------------------------------------------------------
using qzan::protocol::PNUM;        // parameter words in pp and in every frame
using qzan::protocol::FRAME_BYTES; // one request or reply frame
inline constexpr int RAM = 1;           // transfer targets
inline constexpr int EEPROM = 2;
inline constexpr int DATFILE = 3;
inline constexpr int PPITCH = 7800;     // pixel pitch: pixels * PPITCH / 1000 = micrometres
inline constexpr int eventMask = 0x8006; // receive callback: event char, output empty, notify count
inline constexpr int TEXT_BUF = 64;     // szStatus
inline constexpr int PATH_BUF = 260;    // proj_dir, file_name
inline constexpr int IO_BUF = 1024;     // szWriteBuf, szReadBuf
inline constexpr int LINE_SAMPLES = 256;

// ---- Panels ----------------------------------------------------------------
extern int panelHandle; // main panel
extern int panelPopUp;  // settings popup, a child of the main panel

// ---- Sensor parameters (words 0 to 15 of the parameter record) -------------
extern unsigned short power;    // 0
extern unsigned short pwrMode;  // 1
extern unsigned short vThd;     // 2 video threshold; also every entry of thdArray
extern unsigned short bVal;     // 3 background value (background mode 1)
extern unsigned short polarity; // 4
extern unsigned short eMode;    // 5 evaluation mode
extern unsigned short eBeg;     // 6 evaluation window, pixels
extern unsigned short eEnd;     // 7
extern unsigned short tVal;     // 8 teach value (setpoint), pixels
extern unsigned short tTol;     // 9 tolerance, pixels
extern unsigned short iGain;    // 10
extern unsigned short ePoti;    // 11 tolerance enable
extern unsigned short ccdMode;  // 12
extern unsigned short pStart;   // 13 pixel start of the 256-pixel window
extern unsigned short bMode;    // 14 background mode
extern unsigned short para15;   // 15 scale factor in thousandths

// ---- Link and run state ----------------------------------------------------
extern int com;           // serial port number (1 is COM1)
// POSIX declares a function sync() in <unistd.h>; the program's modules never
// include it, but a test that must (through its test framework) defines
// QZAN_WITHOUT_SYNC and reaches this variable through SyncWord().
#ifndef QZAN_WITHOUT_SYNC
extern int sync;          // leading word of every frame; also the event character
#endif
int &SyncWord(void);
extern int order;         // command code of the frame being sent
extern int target;        // RAM, EEPROM or DATFILE
extern int rx_flag;       // 1 once the receive callback took in a frame
extern int graphrefresh;  // 1 when the cycle should plot the last answer
extern int stop_flag;     // 0 while a measurement cycle or data read runs
extern unsigned short ttick; // 50 ms ticks since the last reset, held at 60000
extern int nBytesW;       // bytes the last write queued
extern int nBytesR;       // bytes the last data-block read took in
extern int ret;           // result of the last port opening or echo check
extern int ref_flag;      // second word of a data-block request
extern int value;         // state of a target radio button as read by its callback

// ---- Buffers and arrays ----------------------------------------------------
extern char szStatus[TEXT_BUF];
extern char szWriteBuf[IO_BUF];
extern char szReadBuf[IO_BUF];
extern unsigned short pp[PNUM];
extern unsigned short adcbuf[LINE_SAMPLES];
extern unsigned short xArray[LINE_SAMPLES];
extern unsigned short thdArray[LINE_SAMPLES];
extern char proj_dir[PATH_BUF];
extern char file_name[PATH_BUF];

// ---- Display state ---------------------------------------------------------
extern float scaleF;
extern unsigned short hidePopUp;
extern unsigned short pix1;
extern unsigned short edcnt, mvstart, mvend;

#endif
