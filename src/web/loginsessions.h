#pragma once

#include "web/enginechannel.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

class ProgramSettings;

// Which accounts are logged in to the portal. The cookies a successful login
// sets on the portal's hosts are its login cookies: their names, domains and
// paths are learned from the logins, and the engine tells of every change of
// the portal's cookies in each account's profile. An account is logged in from
// a successful login that set login cookies until a successful logout of it,
// until each of those cookies has expired or gone from its profile, or until
// the portal sends one of its pages to the login form outside a run. A login
// that ended so, not by the user's logout, has expired: it is the one the
// program may renew, and one its profile gets login cookies again (a login
// made elsewhere, the portal's own) counts again. The program's settings keep
// all of it, so the state outlives the program and needs no engine running:
// an expiry that passes is seen by a timer set for the next one. Only listed
// accounts count; an account removed from the list, or given another ID, is
// forgotten.
class LoginSessions : public QObject
{
    Q_OBJECT
public:
    using Cookie = EngineChannel::SessionCookie;

    // `listed`: the list's IDs, in order. `now`: the clock (the system's when
    // empty).
    LoginSessions(ProgramSettings &settings, std::function<QStringList()> listed, std::function<QDateTime()> now = {},
                  QObject *parent = nullptr);
    ~LoginSessions() override;

    bool isLoggedIn(const QString &account) const;
    // Whether the account's last login ended without the user's logout (its cookies expired or
    // gone, the portal's login form shown), and it has not logged in since.
    bool hasExpired(const QString &account) const;
    // The listed accounts that are logged in, in the list's order, each once.
    QStringList loggedIn() const;
    // The listed accounts whose profile holds login cookies, logged in or not (a login the
    // program did not see end, a logout that left them), and those logged in: a logout is
    // theirs. In the list's order, each once.
    QStringList holdingLogins() const;

    // A login of the account succeeded, setting these cookies; an account logged
    // in already keeps the cookies of its earlier login that have not gone. One
    // that set none is not taken for a login.
    void loginSucceeded(const QString &account, const std::vector<Cookie> &cookies);
    // The account's profile holds the login of the one profile every login shared
    // before each account had its own: it is logged in, its cookies not known.
    void adopted(const QString &account);
    // A logout of the account succeeded.
    void loggedOut(const QString &account);
    // The portal showed one of the account's pages as the login form: its login
    // expired.
    void loginFormShown(const QString &account);
    // These of the portal's cookies were set in the account's profile, and these
    // went from it: once none that its login set is left, its login has expired.
    void cookiesChanged(const QString &account, const std::vector<Cookie> &set, const std::vector<Cookie> &gone);
    // Forgets the accounts the list no longer holds.
    void keepListed();

signals:
    // The logged-in accounts have changed.
    void changed();

private:
    // Takes off the cookies past their expiry (and the logins left with none),
    // and sets the timer for the next expiry; true when a login ended.
    bool dropExpired();
    // Whether the cookie is one that logins set.
    bool isLoginCookie(const Cookie &cookie) const;
    // The cookie is one that logins set.
    void learn(const Cookie &cookie);
    void load();
    void save() const;
    // Saves and tells of a change.
    void commit();
    // The account's login has ended without its logout.
    void expire(const QString &account);

    ProgramSettings &m_settings;
    std::function<QStringList()> m_listed;
    std::function<QDateTime()> m_now;
    // Each logged-in account and the cookies its login set (none known: it stays
    // logged in until a logout or the login form ends it).
    QHash<QString, std::vector<Cookie>> m_sessions;
    // The accounts whose login expired since they last logged in.
    QStringList m_expired;
    // The cookies logins set (no expiry), by their identity.
    QMap<QByteArray, Cookie> m_loginCookies;
    // Those of them each account's profile holds.
    QHash<QString, std::vector<Cookie>> m_held;
    QTimer m_expiry;
};
