#include "tray/traynotifier.h"

#include <QSystemTrayIcon>

SystemTrayNotifier::SystemTrayNotifier(QSystemTrayIcon &icon)
    : m_icon(icon)
{
}

void SystemTrayNotifier::notify(Kind kind, const QString &title, const QString &text)
{
    m_icon.showMessage(title, text,
                       kind == Kind::Hint ? QSystemTrayIcon::Information : QSystemTrayIcon::Warning);
}
