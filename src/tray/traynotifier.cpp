#include "tray/traynotifier.h"

#include <QSystemTrayIcon>

SystemTrayNotifier::SystemTrayNotifier(QSystemTrayIcon &icon)
    : m_icon(icon)
{
}

void SystemTrayNotifier::notify(const QString &title, const QString &text)
{
    m_icon.showMessage(title, text, QSystemTrayIcon::Warning);
}
