#pragma once

#include <QObject>

// What the program knows of the desktop's notification area: whether there is one now, and
// whether the settings window's close box only hides the window. It does once a notification
// area has been seen in this run (a panel restarting is away for a moment; the icon comes back
// with it, and a second start of the program shows the window meanwhile), and while one is
// awaited at login; with none since the start, the window is the only way in and its close box
// ends the program.
class NotificationAreaState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool isPresent() const { return m_present; }
    bool closeBoxHides() const { return m_seen || m_awaited; }

    // The desktop has (or has not) a notification area now.
    void setPresent(bool present);
    // A program started at login gives the panel a moment to come: meanwhile the close box
    // hides the window as if one were there.
    void setAwaited(bool awaited);

signals:
    void changed();

private:
    bool m_present = false;
    bool m_seen = false;
    bool m_awaited = false;
};
