#include "tray/notificationareastate.h"

void NotificationAreaState::setPresent(bool present)
{
    const bool seen = m_seen || present;
    if (present == m_present && seen == m_seen)
        return;
    m_present = present;
    m_seen = seen;
    emit changed();
}

void NotificationAreaState::setAwaited(bool awaited)
{
    if (awaited == m_awaited)
        return;
    m_awaited = awaited;
    emit changed();
}
