// Reports to the operator through the program's message sink.
#ifndef PLATFORM_UI_MESSAGES_H
#define PLATFORM_UI_MESSAGES_H

class QObject;
class QString;

namespace ui {

// Hands `text` to the sink, at once when program callbacks may run, else
// once they may; dropped when `owner` is destroyed before then.
void Tell(QObject *owner, const QString &text);

} // namespace ui

#endif
