// The receive callback's delivery, the same whatever carries a port's bytes.
#include "platform/serial/line.h"

#include "platform/runtime/internal.h"

ComLine::ComLine(int number, QObject *parent)
    : QObject(parent), m_number(number), m_deliver([this] { deliver(); })
{
}

void ComLine::scheduleDelivery()
{
    if (m_events.pending())
        rt::Dispatch(this, m_number, m_deliver);
}

void ComLine::deliver()
{
    if (m_delivering || !isOpen() || !m_events.installed())
        return; // a nested delivery is picked up once the running callback returns
    const int events = m_events.take(m_events.needsCount() ? waitingForEvents() : 0);
    if (events != 0) {
        m_delivering = true;
        m_events.callback()(m_number, events, m_events.callbackData());
        m_delivering = false;
    }
    if (m_events.pending()) {
        // What came while the callback ran goes out on a later pass of the
        // event loop: a callback that keeps re-installing itself over
        // waiting bytes then cannot hold the loop.
        rt::OperationScope later;
        rt::Dispatch(this, m_number, m_deliver);
    }
    settle();
}
