#pragma once

#include <QString>

class QSystemTrayIcon;

// Shows a short desktop notification from the tray icon.
class TrayNotifier
{
public:
    virtual ~TrayNotifier() = default;
    virtual void notify(const QString &title, const QString &text) = 0;
};

class SystemTrayNotifier final : public TrayNotifier
{
public:
    explicit SystemTrayNotifier(QSystemTrayIcon &icon);
    void notify(const QString &title, const QString &text) override;

private:
    QSystemTrayIcon &m_icon;
};
