#pragma once

#include <QString>

class QSystemTrayIcon;

// Shows a short desktop notification from the tray icon: a hint, or a warning that something
// the user asked for did not happen.
class TrayNotifier
{
public:
    enum class Kind { Hint, Warning };

    virtual ~TrayNotifier() = default;
    virtual void notify(Kind kind, const QString &title, const QString &text) = 0;
};

class SystemTrayNotifier final : public TrayNotifier
{
public:
    explicit SystemTrayNotifier(QSystemTrayIcon &icon);
    void notify(Kind kind, const QString &title, const QString &text) override;

private:
    QSystemTrayIcon &m_icon;
};
