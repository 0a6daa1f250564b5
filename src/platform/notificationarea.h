#pragma once

#include <QObject>

// Whether the desktop has a notification area, found without asking Qt. Qt decides once per
// process, at its first look, whether to use a StatusNotifierItem host (Qt 6.4), so a look made
// before the panel is up would keep the icon from a panel that comes later. This looks for a
// host through the StatusNotifierWatcher on the session bus, and for an XEmbed tray on X11;
// elsewhere it asks Qt, which has no such memory there.
class NotificationAreaProbe : public QObject
{
    Q_OBJECT
public:
    explicit NotificationAreaProbe(QObject *parent = nullptr);

    // The first look waits for the watcher's answer (briefly); later looks answer with what the
    // previous one found and ask again in the background.
    bool isAvailable();

private:
    bool xembedTray();
    void askForHost(bool wait);

    // The X11 atom naming the screen's tray selection, once asked for (atoms never change).
    quint32 m_trayAtom = 0;
    bool m_hostRegistered = false;
    bool m_asked = false;
    bool m_asking = false;
};
