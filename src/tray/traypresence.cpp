#include "tray/traypresence.h"

TrayPresence::TrayPresence(Probe probe, std::chrono::milliseconds interval, QObject *parent)
    : QObject(parent)
    , m_probe(std::move(probe))
    , m_available(m_probe())
{
    connect(&m_timer, &QTimer::timeout, this, &TrayPresence::look);
    m_timer.start(interval);
}

void TrayPresence::look()
{
    const bool available = m_probe();
    if (available == m_available)
        return;
    m_available = available;
    emit changed(available);
}
