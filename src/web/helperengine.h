#pragma once

#include "web/browserengine.h"
#include "web/helperprocess.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <optional>

// The browser engine in a helper process (yorumi-browser, see HelperProcess), so that the
// program idling in the tray never carries it and a crash inside it cannot end the program.
// The helper starts on the first run or page to open (or earlier, when the user is on the way
// to one: prepare), serves what comes after, and ends by itself once it has been idle for a
// while with its portal window closed. A helper that dies is replaced by the next thing asked
// of it; one that ended unexpectedly with the portal window open is replaced at once, and the
// new one is asked to open the window's tabs again (the listed accounts' and the guest's). No
// other helper opens them: the tabs that a helper of another run of the program left behind
// stay closed.
//
// Every run's budget is kept here too, so a helper that hangs cannot stretch a run.
class HelperEngine final : public BrowserEngine
{
    Q_OBJECT
public:
    // How long past a run's budget the helper may take to report its own time-out (a script
    // it sent just before the deadline may hold it up to a second) before it counts as hung.
    static constexpr std::chrono::milliseconds kDeadlineGrace{ 1500 };
    // After a helper failed to start, runs fail at once and pages are handed back for this long
    // instead of starting another: a broken installation costs one try, not one per queued run.
    static constexpr std::chrono::milliseconds kStartRetryPause{ 10000 };
    // How long a helper has to answer once a run's deadline has passed. Its event loop answers
    // "cancel" with "ended" for that run at once, whether or not the run still went on; a
    // helper whose main thread hangs answers nothing, and is killed when this has passed.
    static constexpr std::chrono::milliseconds kAnswerWait{ 3000 };
    using Options = HelperProcess::Options;

    explicit HelperEngine(QObject *parent = nullptr);
    explicit HelperEngine(Options options, QObject *parent = nullptr);
    ~HelperEngine() override;

    void run(EnginePage page, const QString &account, std::vector<PageStep> steps,
             std::chrono::milliseconds budget, Done done) override;
    void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry) override;
    // A running helper is told (it removes the profile once no tab shows it); without one, the
    // account's profile and cache folders go at once.
    void forgetAccount(const QString &account) override;
    void prepare(const QString &account) override;
    // Sent to the running helper when they differ from what it was last told, and to each helper
    // as it becomes ready.
    void setSessions(const EngineChannel::Sessions &sessions) override;
    // Only a running helper has the tab.
    void showRenewal(quint64 tab, EngineChannel::RenewalState state, RunOutcome outcome) override;

    // The running helper's process, or 0.
    qint64 helperProcessId() const;

private:
    // A message other than a run; a page to open carries its id, for the helper's answer, and
    // its address.
    struct Outgoing
    {
        EngineChannel::ToHelper message;
        quint64 openId = 0;
        QUrl page;
    };
    struct Pending
    {
        EngineChannel::Run run;
        Done done;
        QElapsedTimer clock;
        bool sent = false;
        bool started = false;
    };

    bool startHelper();
    void send();
    // Sends what waited for the helper to be ready.
    void sendOutbox();
    // Tells a ready helper the accounts, unless it knows them.
    void sendSessions();
    void post(Outgoing outgoing);
    void onMessage(const EngineChannel::FromHelper &message);
    void onHelperEnded(const QString &failure);
    void onDeadline();
    // The helper did not answer in time after a run's deadline: it hangs.
    void onNoAnswer();
    void retireHelper();
    // After a helper went: a new one takes what is left (and brings the portal window's tabs
    // back when `restoreTabs`), and gets what the one that went was to forget.
    void replaceHelper(bool restoreTabs);
    // Whether the helper that is going left the portal window's tabs for the next one to open.
    bool tabsLeftBehind() const;
    void passOnForgotten();
    bool recentlyFailedToStart() const;
    void startFailed(const QString &why);
    void finish(RunOutcome outcome);
    void finishSoon(RunOutcome outcome);

    Options m_options;
    // The running helper, from its start until it ends or is let go.
    HelperProcess *m_helper = nullptr;
    std::optional<Pending> m_run;
    quint64 m_nextId = 1;
    // Messages that wait for the helper to be ready.
    std::deque<Outgoing> m_outbox;
    // Pages sent to open that the helper has not yet acknowledged: should it end for
    // idleness without reading them, a new helper opens them.
    std::deque<Outgoing> m_unacknowledged;
    quint64 m_nextOpenId = 1;
    // Accounts the running helper was told to forget: should it go first, the next one is
    // told, or the folders go once no helper runs.
    QStringList m_forgotten;
    // The running helper was started to open the tabs that one before it left behind, and has
    // not said it did: should it end unexpectedly too, no other is started for them.
    bool m_restoring = false;
    QTimer m_deadline;
    QTimer m_answerWait;
    // The accounts as the program last gave them, and whether the running helper has been told.
    EngineChannel::Sessions m_sessions;
    bool m_sessionsSent = false;
    QElapsedTimer m_lastStartFailure;
    QString m_lastReport;
};
