// The status line and the time base that every module shares: the text in
// szStatus shown in the status box, and the 50 ms ticks counted in ttick.
#ifndef CORE_STATUS_H
#define CORE_STATUS_H

// Copies `text` into szStatus (cut to fit) and shows it.
void SetStatus(const char *text);
void ShowStatus(void);                 // shows szStatus
void ShowStatusText(const char *text); // shows a text directly, szStatus unchanged

// Every wait enables the 50 ms timer and counts its ticks in ttick from 0;
// StartTicks and StopTicks are those two steps, once each per wait.
// Waits nest: a port change inside a Get runs the line check's wait inside
// the Get's. The timer then stays on until the outermost wait has stopped,
// so the waits outside keep their time-outs; each counts again from 0 from
// where the nested one ended (StopTicks sets ttick to 0 in either case).
void StartTicks(void);
void StopTicks(void);
// Waits under way, nested ones included: 0 when no exchange is on the stack.
int WaitsUnderWay(void);

// One pass of a wait: lets pending events run. 1 while the wait goes on;
// 0 once the operator has closed the main window, at once and on every
// later pass: the wait then ends as Stop would end it, without an answer,
// so that the close is honoured whatever waits are on the stack.
int WaitPass(void);

#endif
