#pragma once

#include "store/settingsfile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

// The user's choices and what the program remembers for them, in the program's settings file:
// one table of settings, each with its key in the file and its default (programsettings.cpp).
// A change that the file took is followed by `changed`, so that every view of a setting shows
// it whoever changed it.
class ProgramSettings : public QObject
{
    Q_OBJECT
public:
    enum class Key {
        // Whether every link opens in the default browser, as it did before the portal window.
        LinksInDefaultBrowser,
        // Whether a password copied to the clipboard is taken off it again after 30 s.
        ClearsClipboard,
        // Whether the passwords are kept in the desktop's keyring rather than in the store.
        PasswordsInKeyring,
        // Whether the engine's profiles have been through the change to a profile for each
        // account (the one shared profile of earlier versions given to the account last
        // logged in).
        ProfilePerAccount,
        // The ID of the account last logged in; empty after a logout or before the first login.
        // It is kept for the next start: while the program runs, the hidden browser host knows
        // it.
        LastAccount,
        // The accounts logged in to the portal and the cookies of each login, as LoginSessions
        // writes them; empty for none.
        LoginSessions,
        // The accounts whose login expired (not by a logout) since they last logged in.
        ExpiredLogins,
        // The names, domains and paths of the cookies that the portal's logins set, as
        // LoginSessions writes them.
        LoginCookies,
        // Those of them each account's profile holds, as the browser engine last told.
        PortalCookies,
        // Whether an account's login that expired under an open page is renewed without asking.
        RenewsLogins,
        // The portal window's geometry as it last was.
        PortalWindowGeometry,
    };
    Q_ENUM(Key)

    explicit ProgramSettings(QObject *parent = nullptr);
    ~ProgramSettings() override;

    static QString location() { return SettingsFile::location(); }

    // The setting's value, of its default's type; the default when the file holds none.
    QVariant value(Key key) const;
    // Writes a value that differs from the one held (an empty text or list removes the key,
    // which then reads as its default), then emits `changed`. False when the file did not take
    // it.
    bool set(Key key, const QVariant &value);

    bool linksInDefaultBrowser() const { return value(Key::LinksInDefaultBrowser).toBool(); }
    void setLinksInDefaultBrowser(bool inDefaultBrowser) { set(Key::LinksInDefaultBrowser, inDefaultBrowser); }
    bool clearsClipboard() const { return value(Key::ClearsClipboard).toBool(); }
    void setClearsClipboard(bool clears) { set(Key::ClearsClipboard, clears); }
    bool passwordsInKeyring() const { return value(Key::PasswordsInKeyring).toBool(); }
    bool setPasswordsInKeyring(bool inKeyring) { return set(Key::PasswordsInKeyring, inKeyring); }
    bool profilePerAccount() const { return value(Key::ProfilePerAccount).toBool(); }
    void setProfilePerAccount() { set(Key::ProfilePerAccount, true); }
    QString lastAccount() const { return value(Key::LastAccount).toString(); }
    void setLastAccount(const QString &id) { set(Key::LastAccount, id); }
    QByteArray loginSessions() const { return value(Key::LoginSessions).toString().toUtf8(); }
    void setLoginSessions(const QByteArray &sessions) { set(Key::LoginSessions, QString::fromUtf8(sessions)); }
    QStringList expiredLogins() const { return value(Key::ExpiredLogins).toStringList(); }
    void setExpiredLogins(const QStringList &accounts) { set(Key::ExpiredLogins, accounts); }
    QByteArray loginCookies() const { return value(Key::LoginCookies).toString().toUtf8(); }
    void setLoginCookies(const QByteArray &cookies) { set(Key::LoginCookies, QString::fromUtf8(cookies)); }
    QByteArray portalCookies() const { return value(Key::PortalCookies).toString().toUtf8(); }
    void setPortalCookies(const QByteArray &cookies) { set(Key::PortalCookies, QString::fromUtf8(cookies)); }
    bool renewsLogins() const { return value(Key::RenewsLogins).toBool(); }
    void setRenewsLogins(bool renews) { set(Key::RenewsLogins, renews); }
    QByteArray portalWindowGeometry() const { return value(Key::PortalWindowGeometry).toByteArray(); }
    void setPortalWindowGeometry(const QByteArray &geometry) { set(Key::PortalWindowGeometry, geometry); }

signals:
    // The setting now holds another value.
    void changed(ProgramSettings::Key key);

private:
    SettingsFile m_file;
};
