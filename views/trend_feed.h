// The trend's two calls on the answer's road: the feed, and the alarm state
// the recording writes. Plain declarations: they include nothing.
#ifndef VIEWS_TREND_FEED_H
#define VIEWS_TREND_FEED_H

// The answer now in pp, into the trend; called right before RecordAnswer,
// so that the recording sees this answer's alarm.
void FeedTrend(void);

// 1 while the limit alarm's condition holds (k of the last n answers
// outside the tolerance band), else 0: the recording's alarm column.
int TrendAlarmActive(void);

#endif
