#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include <chrono>

class AccountLogin;
class LoginSessions;
class ProgramSettings;
class frmWB;

// Renews a login that expired under an open page. When the portal sends a tab
// of an account that is logged in, or whose login expired, to its login form
// outside the program's runs, the login has expired; the tab then offers to
// log in again (ログインし直す), or, with
// the automatic renewal ticked, the account logs in again at once, at most once
// a minute for a tab. The login is the program's as every login (the stored
// password, in the account's profile; the current account stays as it is), and
// the tab hears how it went: back to its page, or the login's outcome, which it
// says in words.
class LoginRenewal : public QObject
{
    Q_OBJECT
public:
    // How long after an automatic renewal a tab gets the offer instead of another
    // one.
    static constexpr std::chrono::milliseconds kAutomaticPause{ 60000 };

    LoginRenewal(AccountLogin &login, frmWB &webHost, LoginSessions &sessions, const ProgramSettings &settings,
                 QObject *parent = nullptr);
    ~LoginRenewal() override;

private:
    void loginFormShown(const QString &account, quint64 tab);
    void renew(const QString &account, quint64 tab);

    AccountLogin &m_login;
    frmWB &m_webHost;
    LoginSessions &m_sessions;
    const ProgramSettings &m_settings;
    // When each tab was last renewed without asking.
    QHash<quint64, QElapsedTimer> m_automatic;
};
