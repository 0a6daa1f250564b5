#pragma once

#include "web/browserengine.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

// The hidden browser host: logs the browser engine in to the portal as one account, or out,
// through pages that are never shown. The engine tells how each run ended, and the host hands
// that outcome on; the windows say it in words. Runs execute one at a time, in the order asked.
//
// Each account has a profile of its own in the engine. The host keeps the current account: the
// one the latest successful login made current, empty (the guest) after a successful logout. It is
// the one place the program asks which account is current; the program's settings only keep it
// for the next start.
class frmWB : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(RunOutcome outcome)>;
    using Page = EnginePage;

    // Every run has this long, from its start, to reach its end.
    static constexpr std::chrono::milliseconds kRunBudget{ 30000 };

    // The program's own engine: a helper process started on the first run.
    explicit frmWB(std::chrono::milliseconds runBudget = kRunBudget, QObject *parent = nullptr);
    frmWB(std::unique_ptr<BrowserEngine> engine, std::chrono::milliseconds runBudget = kRunBudget,
          QObject *parent = nullptr);
    ~frmWB() override;

    void Form_Load();

    // The current account as the program starts: the one it was when the program last ran.
    void setCurrentAccount(const QString &account) { m_account = account; }
    const QString &currentAccount() const { return m_account; }
    // The current account is always a listed one or the guest: one that the list no longer
    // holds (removed from the store by hand, or since the program last ran) gives way to the
    // guest.
    void keepCurrentListed(const QStringList &listed);

    // Whether a login that succeeds makes its account the current one.
    enum class Current { Becomes, Stays };

    // Logs in as the account, in its profile; `done` receives the outcome when the run has ended.
    void loginLD(const QString &rid, const QString &rpw, Done done, Current current = Current::Becomes);
    // Logs out the account current when the run starts, in its profile; `done` receives the
    // outcome.
    void logoutLD(Done done);
    // Logs out this account, in its profile; the guest becomes current only when it was the
    // current one.
    void logoutAccount(const QString &account, Done done);
    // The user removed the account: the engine forgets it (its profile goes once the page of a
    // run that is on it has gone), and when it was the current account the guest takes its
    // place, since its login has gone with it. Logins and logouts asked for it and not yet begun
    // are dropped (they end Cancelled): each would make its profile again. A login that runs no
    // longer makes it current.
    void forgetAccount(const QString &account);

    BrowserEngine &engine() const { return *m_engine; }
    // Runs asked for and not yet ended, the running one included.
    int pendingRuns() const { return int(m_queue.size()) + (m_running ? 1 : 0); }

signals:
    // A login or logout run has begun: its budget starts now. Every run that begins also ends.
    void runStarted(EnginePage page);
    // A run has ended so, just before its caller hears of it.
    void runEnded(EnginePage page, RunOutcome outcome);
    // The current account has changed: after a successful login or logout (empty after a
    // logout), or when the current account was forgotten (empty).
    void accountChanged(const QString &account);
    // A login of the account succeeded (one of an account removed meanwhile does not count), with
    // the portal's cookies it set; a logout of the account succeeded.
    void loggedIn(const QString &account, const std::vector<EngineChannel::SessionCookie> &cookies);
    void loggedOut(const QString &account);

private:
    struct Request
    {
        Page page;
        std::vector<PageStep> steps;
        // The account a login runs as, or a logout of an account runs in; a logout of the current
        // account runs in the profile of the one current when it starts.
        QString account;
        Done done;
        Current current = Current::Becomes;
        bool ofCurrent = false;
    };
    void enqueue(Request request);
    void startNext();

    std::chrono::milliseconds m_runBudget;
    std::unique_ptr<BrowserEngine> m_engine;
    std::deque<Request> m_queue;
    bool m_running = false;
    // The account the running login logs in as, until the user removes it.
    QString m_runningAccount;
    // The cookies the running login set, once the engine has told them.
    std::vector<EngineChannel::SessionCookie> m_runCookies;
    QString m_account;
};
