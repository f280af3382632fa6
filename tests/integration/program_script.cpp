// Scripted steps polled from the event loop.
#include "program_script.h"

void Script::Add(std::function<bool()> when, std::function<void()> action, bool inside)
{
    steps_.push_back({std::move(when), std::move(action), inside});
}

void Script::Start()
{
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
}

void Script::Poll()
{
    if (next_ >= steps_.size() || (busy_ > 0 && !steps_[next_].inside) || !steps_[next_].when())
        return;
    // From a timer of its own: a timer's slot is never re-entered, and the
    // action may run the cycle, inside which the next steps must poll.
    QTimer::singleShot(0, [this, action = steps_[next_++].action] {
        ++busy_;
        action();
        --busy_;
    });
}
