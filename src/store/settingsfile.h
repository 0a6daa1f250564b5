#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

// The program's own settings file, apart from the account store: "yorumi-livedoor.conf" in the
// user's configuration folder, or the registry key HKEY_CURRENT_USER\Software\yorumi-livedoor on
// Windows. Nothing in it is a secret, but it names accounts: the file is the user's alone, as the
// store is. Every change is written at once, in one step (the file is written anew beside the
// old one and then takes its place). Several of these over the same file in one program see
// each other's changes at once.
class SettingsFile
{
public:
    SettingsFile();
    ~SettingsFile();
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    static QString location();

    // The value under the key, or `fallback` when there is none.
    QVariant value(const QString &key, const QVariant &fallback = {}) const;
    // Writes the value (an invalid one removes the key); false when it could not be written.
    bool write(const QString &key, const QVariant &value);

private:
    // Closes a settings file to everyone but its owner.
    void keepPrivate() const;

    std::unique_ptr<QSettings> m_settings;
};
