// Recording: while a measurement cycle or data read runs, every answer is
// appended to a CSV file the operator chose.
#ifndef APP_RECORD_H
#define APP_RECORD_H

#include "platform/ui.h"

int CC_BIN_Sw_Record(CALLBACK_ARGS);
// Appends the answer now in pp; does nothing while recording is off.
void RecordAnswer(void);
// Writes out what is buffered once a second has passed since the last time.
void RecordFlushIfDue(void);
// Writes out what is buffered now (a loop that recorded has ended).
void RecordFlush(void);
void StopRecording(void);

#endif
