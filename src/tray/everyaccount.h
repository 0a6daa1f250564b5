#pragma once

#include "web/enginechannel.h"

#include <QObject>
#include <QStringList>

#include <optional>

class Accounts;
class LoginSessions;
class Passwords;
class frmWB;

// Logs every listed account in, each in its own profile, or every logged-in
// account out: one run after another through the hidden browser host's queue,
// so that a single login asked for meanwhile takes its turn between two of
// them. The current account stays as it was (a logout of it makes the guest
// current, as any logout). What runs is told as it goes, and how it all went
// once, at the end.
class EveryAccount : public QObject
{
    Q_OBJECT
public:
    EveryAccount(Accounts &accounts, Passwords &passwords, frmWB &webHost, const LoginSessions &sessions,
                 QObject *parent = nullptr);
    ~EveryAccount() override;

    bool isRunning() const { return m_page.has_value(); }
    // Each does nothing while either runs.
    void logInAll();
    void logOutAll();

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
    Passwords &m_passwords;
    frmWB &m_webHost;
    const LoginSessions &m_sessions;
    std::optional<EnginePage> m_page;
    QStringList m_queue;
    int m_total = 0;
    int m_done = 0;
    QStringList m_failed;
};

// What the end of an every-account run says: how many succeeded, or which
// accounts failed.
QString everyAccountText(EnginePage page, int done, const QStringList &failed);
