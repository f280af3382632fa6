// Which receive-callback events occurred since the callback last ran.
#include "platform/serial/events.h"

#include <cstring>

void ComEvents::install(int mask, int notifyCount, int eventCharacter, ComCallback callback,
                        void *callbackData)
{
    remove();
    if (mask == 0 || !callback)
        return;
    m_callback = callback;
    m_data = callbackData;
    m_mask = mask;
    // A count below one would report every arrival, even of nothing.
    m_notifyCount = notifyCount < 1 ? 1 : notifyCount;
    // Callers pass the character as an int, sometimes sign-extended from char.
    m_eventCharacter = static_cast<unsigned char>(eventCharacter & 0xFF);
    m_arrived = true;
}

void ComEvents::remove() { *this = ComEvents{}; }

void ComEvents::noteArrival(const char *fresh, long long count)
{
    if (!installed() || count <= 0)
        return;
    m_arrived = true;
    if (fresh && wantsEventCharacter() &&
        std::memchr(fresh, m_eventCharacter, static_cast<std::size_t>(count)))
        m_sawEventCharacter = true;
}

void ComEvents::noteOutputEmpty()
{
    if (installed() && (m_mask & COM_EV_TXEMPTY))
        m_outputEmpty = true;
}

int ComEvents::take(long long waiting)
{
    int events = 0;
    // Only new bytes re-arm the count: a callback that leaves bytes behind is
    // not called again for them until more arrive.
    if (m_arrived && waiting >= m_notifyCount)
        events |= COM_EV_NOTIFY;
    if (m_sawEventCharacter)
        events |= COM_EV_RXFLAG;
    if (m_outputEmpty)
        events |= COM_EV_TXEMPTY;
    m_arrived = false;
    m_sawEventCharacter = false;
    m_outputEmpty = false;
    return events & m_mask;
}
