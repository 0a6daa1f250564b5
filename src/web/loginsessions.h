#pragma once

#include "web/enginechannel.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

class ProgramSettings;

// Which accounts are logged in to the portal. An account is logged in from its
// successful login until a successful logout of it, until every cookie its
// login set on the portal's hosts has expired or gone, or until the portal
// sends one of its pages to the login form outside a run. A login that ended
// so, not by the user's logout, has expired: it is the one the program may
// renew. The program's settings keep the logins, their cookies' expiry times
// and the logins that expired, so the state outlives the program and needs no
// engine running: an expiry that passes is seen by a timer set for the next
// one. Only listed accounts count; an account removed from the list, or given
// another ID, is forgotten.
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

    // A login of the account succeeded, setting these cookies; an account logged
    // in already keeps the cookies of its earlier login that have not gone.
    void loginSucceeded(const QString &account, const std::vector<Cookie> &cookies);
    // A logout of the account succeeded.
    void loggedOut(const QString &account);
    // The portal showed one of the account's pages as the login form: its login
    // expired.
    void loginFormShown(const QString &account);
    // These cookies went from the account's profile: once none that its login set
    // is left, it is logged out.
    void cookiesGone(const QString &account, const std::vector<Cookie> &cookies);
    // Forgets the accounts the list no longer holds.
    void keepListed();

signals:
    // The logged-in accounts have changed.
    void changed();

private:
    // Takes off the cookies past their expiry (and the logins left with none),
    // and sets the timer for the next expiry; true when a login ended.
    bool dropExpired();
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
    QTimer m_expiry;
};
