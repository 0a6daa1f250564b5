#pragma once

#include "ui/common/clipboard.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// The clipboard as the windows use it, as password tools keep it: a password put on it is taken
// off again a while later, if it is still there (text the user copied since stays), unless the
// user chose to keep it there. A password still there when the program ends goes with it.
class ExpiringClipboard final : public QObject, public Clipboard
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kLifetime{ 30000 };

    // `enabled` says whether the user wants copied passwords taken off again.
    ExpiringClipboard(Clipboard &clipboard, std::function<bool()> enabled,
                      std::chrono::milliseconds lifetime = kLifetime, QObject *parent = nullptr);
    ~ExpiringClipboard() override;

    // Puts the password on the clipboard; it comes off again after the lifetime (counted anew
    // for each password). A copy that fails changes nothing of the one before.
    bool setSecretText(const QString &text) override;
    QString text() const override;
    void clear() override;

private:
    // Takes the password off, unless something else is on the clipboard by now.
    void expire();

    Clipboard &m_clipboard;
    std::function<bool()> m_enabled;
    // The password to take off when the time comes; empty when there is none.
    QString m_copied;
    QTimer m_expiry;
};
