// The status line and the time base that every module shares: the text in
// szStatus shown in the status box, and the 50 ms ticks counted in ttick.
#ifndef APP_STATUS_H
#define APP_STATUS_H

// Copies `text` into szStatus (cut to fit) and shows it.
void SetStatus(const char *text);
void ShowStatus(void);                 // shows szStatus
void ShowStatusText(const char *text); // shows a text directly, szStatus unchanged

// Every wait enables the 50 ms timer and counts its ticks in ttick from 0;
// StartTicks and StopTicks are those two steps.
void StartTicks(void);
void StopTicks(void);

#endif
