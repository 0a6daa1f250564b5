#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QSettings;

// The program's own settings, apart from the account store: the user's choices and what the
// program remembers for them. Nothing here is a secret, but it names accounts (the one last
// logged in, those with passwords in the keyring): a settings file is the user's alone, as the
// store is. Every change is written at once, in one step (the file is written anew beside the old
// one and then takes its place).
class ProgramSettings
{
public:
    // The settings at their usual place: "yorumi-livedoor.conf" in the user's configuration
    // folder, or the registry key HKEY_CURRENT_USER\Software\yorumi-livedoor on Windows.
    ProgramSettings();
    ~ProgramSettings();
    ProgramSettings(const ProgramSettings &) = delete;
    ProgramSettings &operator=(const ProgramSettings &) = delete;

    static QString location();

    // Whether every link opens in the default browser, as it did before the portal window.
    bool linksInDefaultBrowser() const;
    void setLinksInDefaultBrowser(bool inDefaultBrowser);

    // Whether a password copied to the clipboard is taken off it again after 30 s (the default).
    bool clearsClipboard() const;
    void setClearsClipboard(bool clears);

    // Whether the passwords are kept in the desktop's keyring rather than in the store.
    bool passwordsInKeyring() const;
    bool setPasswordsInKeyring(bool inKeyring);
    // A move of the passwords begun and not yet ended: towards the keyring (true) or the store.
    std::optional<bool> unfinishedMove() const;
    bool setUnfinishedMove(std::optional<bool> toKeyring);
    // The IDs whose values in the keyring may still hold the lists from before and after a
    // change of the accounts.
    QStringList unsettledIds() const;
    bool setUnsettledIds(const QStringList &ids);
    // The keys under which the keyring may hold a value of the program's: each is noted before
    // its value is written (and taken off again when the write fails), and taken off once its
    // value is removed. The keyring cannot be asked for its keys, so a value whose ID has left
    // the list (by a hand edit of the store) is found here.
    QStringList keptKeys() const;
    bool setKeptKeys(const QStringList &keys);

    // Whether the engine's profiles have been through the change to a profile for each account
    // (the one shared profile of earlier versions given to the account last logged in).
    bool profilePerAccount() const;
    void setProfilePerAccount();

    // The ID of the account last logged in; empty after a logout or before the first login. It is
    // kept for the next start: while the program runs, the hidden browser host knows it.
    QString lastAccount() const;
    void setLastAccount(const QString &id);

    // The accounts logged in to the portal and the cookies of each login, as LoginSessions writes
    // them; empty for none.
    QByteArray loginSessions() const;
    void setLoginSessions(const QByteArray &sessions);

    // Whether an account's login that expired under an open page is renewed without asking (off
    // by default).
    bool renewsLogins() const;
    void setRenewsLogins(bool renews);

    // The portal window's geometry as it last was.
    QByteArray portalWindowGeometry() const;
    void setPortalWindowGeometry(const QByteArray &geometry);

private:
    // False when the settings could not be written. An invalid value removes the key.
    bool write(const QString &key, const QVariant &value);
    // Closes a settings file to everyone but its owner.
    void keepPrivate() const;

    std::unique_ptr<QSettings> m_settings;
};
