#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// Follows whether the desktop has a notification area. Qt docks the icon by itself when one
// appears, and tells nobody of either change, so this looks every few seconds.
class TrayPresence : public QObject
{
    Q_OBJECT
public:
    using Probe = std::function<bool()>;
    static constexpr std::chrono::milliseconds kInterval{ 2000 };

    TrayPresence(Probe probe, std::chrono::milliseconds interval, QObject *parent = nullptr);

    bool isAvailable() const { return m_available; }

signals:
    void changed(bool available);

private:
    void look();

    Probe m_probe;
    bool m_available;
    QTimer m_timer;
};
