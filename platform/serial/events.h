// The receive callback of one port and the events it has not yet been told
// about: what arrived, whether the event character was among it, whether the
// output queue ran empty. Pure bookkeeping; the port decides when to deliver.
#ifndef PLATFORM_SERIAL_EVENTS_H
#define PLATFORM_SERIAL_EVENTS_H

#include "platform/rs232.h"

class ComEvents {
public:
    // A mask of 0 or a null callback removes the callback. Installing counts
    // as an arrival, so that bytes already waiting are reported once.
    void install(int mask, int notifyCount, int eventCharacter, ComCallback callback,
                 void *callbackData);
    void remove();

    bool installed() const { return m_callback != nullptr; }
    bool wantsEventCharacter() const { return installed() && (m_mask & COM_EV_RXFLAG); }
    bool pending() const
    {
        return installed() && (m_arrived || m_sawEventCharacter || m_outputEmpty);
    }

    // Bytes that have just arrived (`fresh` may be null when nobody asked for
    // the event character).
    void noteArrival(const char *fresh, long long count);
    void noteOutputEmpty();

    // Whether take() needs the number of bytes waiting.
    bool needsCount() const { return m_arrived && (m_mask & COM_EV_NOTIFY); }
    // The events to report now, within the mask; forgets them.
    int take(long long waiting);

    ComCallback callback() const { return m_callback; }
    void *callbackData() const { return m_data; }

private:
    ComCallback m_callback = nullptr;
    void *m_data = nullptr;
    int m_mask = 0;
    long long m_notifyCount = 1;
    unsigned char m_eventCharacter = 0;
    bool m_arrived = false;
    bool m_sawEventCharacter = false;
    bool m_outputEmpty = false;
};

#endif
