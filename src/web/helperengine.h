#pragma once

#include "web/browserengine.h"
#include "web/helperprocess.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <optional>

// The browser engine in a helper process (yorumi-browser, see HelperProcess), so that the
// program idling in the tray never carries it and a crash inside it cannot end the program.
// The helper starts on the first run or page to open, serves what comes after, and ends by
// itself once it has been idle for a while with its portal window closed. A helper that dies
// is replaced by the next thing asked of it.
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
    using Options = HelperProcess::Options;

    explicit HelperEngine(QObject *parent = nullptr);
    explicit HelperEngine(Options options, QObject *parent = nullptr);
    ~HelperEngine() override;

    void run(EnginePage page, std::vector<PageStep> steps, std::chrono::milliseconds budget,
             Done done) override;
    void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry) override;
    void setAccount(const QString &account) override;

    // The running helper's process, or 0.
    qint64 helperProcessId() const;

private:
    // A message other than a run; a page to open carries its id, for the helper's answer, and
    // its address.
    struct Outgoing
    {
        QJsonObject message;
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
    void post(Outgoing outgoing);
    void onMessage(const QJsonObject &message);
    void onHelperEnded(const QString &failure);
    void onDeadline();
    void retireHelper();
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
    QTimer m_deadline;
    QElapsedTimer m_lastStartFailure;
    QString m_lastReport;
};
