// Definitions of the shared state with the values it holds at load.
#include "core/globals.h"

int panelHandle = 0;
int panelPopUp = 0;

unsigned short power = 0, pwrMode = 0, vThd = 0, bVal = 0, polarity = 0, eMode = 0;
unsigned short eBeg = 0, eEnd = 0, tVal = 0, tTol = 0, iGain = 0, ePoti = 0;
unsigned short ccdMode = 0, pStart = 0, bMode = 0, para15 = 0;

int com = 1;
int sync = 0x55;
int &SyncWord(void) { return sync; }
int order = 1;
int target = RAM;
int rx_flag = 0;
int graphrefresh = 0;
int stop_flag = 1;
unsigned short ttick = 0;
int nBytesW = 0;
int nBytesR = 0;
int ret = 0;
int ref_flag = 0;
int value = 0;

char szStatus[TEXT_BUF] = "";
char szWriteBuf[IO_BUF] = {};
char szReadBuf[IO_BUF] = {};
unsigned short pp[PNUM] = {};
unsigned short adcbuf[LINE_SAMPLES] = {};
unsigned short xArray[LINE_SAMPLES] = {};
unsigned short thdArray[LINE_SAMPLES] = {};
char proj_dir[PATH_BUF] = "";
char file_name[PATH_BUF] = "";

float scaleF = 1.0f;
unsigned short hidePopUp = 1;
unsigned short pix1 = 0;
unsigned short edcnt = 0, mvstart = 0, mvend = 0;
