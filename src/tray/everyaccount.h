#pragma once

#include "web/enginechannel.h"

#include <QObject>
#include <QStringList>

#include <optional>

class AccountLogin;
class Accounts;
class LoginSessions;
class frmWB;

// Logs every listed account in, each in its own profile, or every logged-in
// account out: one run after another through the hidden browser host's queue,
// so that a single login asked for meanwhile takes its turn between two of
// them. The current account stays as it was (a logout of it makes the guest
// current, as any logout). What runs is told as it goes, and how it all went
// once, at the end. The user may stop it (the run under way ends first), and a
// keyring that cannot give a password (locked, refused, not there) stops it at
// once: every further account would ask it again.
class EveryAccount : public QObject
{
    Q_OBJECT
public:
    EveryAccount(Accounts &accounts, AccountLogin &login, frmWB &webHost, const LoginSessions &sessions,
                 QObject *parent = nullptr);
    ~EveryAccount() override;

    bool isRunning() const { return m_page.has_value(); }
    // What runs, if anything does.
    std::optional<EnginePage> running() const { return m_page; }
    // Each does nothing while either runs.
    void logInAll();
    void logOutAll();
    // Stops what runs once its run under way has ended: no further account is taken.
    void stop();

signals:
    // What runs now ("ログイン中... 3/10"); empty once every run has ended.
    void progress(const QString &text);
    // The end: whether every account succeeded, what to tell the user, and the accounts that
    // failed.
    void finished(bool allDone, const QString &text, const QStringList &failed);

private:
    void start(EnginePage page, const QStringList &accounts);
    void next();
    void ended(const QString &account, RunOutcome outcome);

    Accounts &m_accounts;
    AccountLogin &m_login;
    frmWB &m_webHost;
    const LoginSessions &m_sessions;
    std::optional<EnginePage> m_page;
    QStringList m_queue;
    int m_total = 0;
    int m_done = 0;
    QStringList m_failed;
    // Why it stopped before the end: the user asked, or what the keyring answered.
    bool m_stopped = false;
    QString m_stopCause;
};

// What the end of an every-account run says: how many succeeded, or which
// accounts failed; for a run stopped before the end, that it stopped (and why,
// when the keyring stopped it) first.
QString everyAccountText(EnginePage page, int done, const QStringList &failed, bool stopped = false,
                         const QString &cause = QString());
