#pragma once

#include "web/browserengine.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <optional>

class QProcess;

// The browser engine in a helper process (yorumi-browser), so that the program idling in the
// tray never carries it and a crash inside it cannot end the program. The helper starts on the
// first run or page to open, serves what comes after, and ends by itself once it has been idle
// for a while with its portal window closed.
//
// Passwords cross only the helper's standard input: never its command line, its environment
// or a file. Every run's budget is kept here too, so a helper that hangs cannot stretch a run.
class HelperEngine final : public BrowserEngine
{
    Q_OBJECT
public:
    // How long the helper stays after its last run before it ends by itself.
    static constexpr std::chrono::milliseconds kIdleEnd{ 60000 };
    // How long past a run's budget the helper may take to report its own time-out (a script
    // it sent just before the deadline may hold it up to a second) before it counts as hung.
    static constexpr std::chrono::milliseconds kDeadlineGrace{ 1500 };
    // After a helper failed to start, runs fail at once and pages are handed back for this long
    // instead of starting another: a broken installation costs one try, not one per queued run.
    static constexpr std::chrono::milliseconds kStartRetryPause{ 10000 };
    // How long the program's end waits for the helper to write its cookies out and end.
    static constexpr std::chrono::milliseconds kEndWait{ 2000 };

    struct Options
    {
        // The helper's executable; empty means where the program finds its own.
        QString program;
        QStringList arguments;
        std::chrono::milliseconds idleEnd = kIdleEnd;
    };

    explicit HelperEngine(QObject *parent = nullptr);
    explicit HelperEngine(Options options, QObject *parent = nullptr);
    ~HelperEngine() override;

    // The helper installed with the program: beside it, or in ../lib/yorumi-livedoor (which is
    // also where the build tree puts it). Empty when there is none.
    static QString installedHelper();

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
    void readHelper();
    void onMessage(const QJsonObject &message);
    void onHelperEnded();
    void onDeadline();
    void retireHelper();
    bool recentlyFailedToStart() const;
    void startFailed(const QString &why);
    void finish(RunOutcome outcome);
    void finishSoon(RunOutcome outcome);

    Options m_options;
    QProcess *m_helper = nullptr;
    EngineChannel::Reader m_reader;
    bool m_ready = false;
    bool m_saidBye = false;
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
