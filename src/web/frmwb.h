#pragma once

#include "web/browserengine.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>

// The hidden browser host: logs the browser engine in to the portal as one account, or out,
// through pages that are never shown. The engine is loaded on the first run, not before: an
// idle tray program does not pay for it. Runs execute one at a time, in the order asked.
class frmWB : public QObject
{
    Q_OBJECT
public:
    using StatusCallback = std::function<void(const QString &statusText)>;
    using Page = BrowserEngine::Page;

    // Every run has this long, from its start, to reach its end.
    static constexpr std::chrono::milliseconds kRunBudget{ 30000 };

    explicit frmWB(std::chrono::milliseconds runBudget = kRunBudget, QObject *parent = nullptr);
    ~frmWB() override;

    void Form_Load();

    // Logs in as the account; `done` receives the status text when the run has ended.
    void loginLD(const QString &rid, const QString &rpw, StatusCallback done);
    // Logs out whichever account is logged in; `done` receives the status text.
    void logoutLD(StatusCallback done);

    // Whether the browser engine has been loaded (by a first run).
    bool engineStarted() const { return m_engine != nullptr; }
    // Whether the page of the login (or logout) is still loading.
    bool pageBusy(Page page) const { return m_engine && m_engine->isBusy(page); }
    // Runs asked for and not yet ended, the running one included.
    int pendingRuns() const { return int(m_queue.size()) + (m_running ? 1 : 0); }

signals:
    // A run has begun: its budget starts now. Every run that begins also ends.
    void runStarted();
    // A run has ended with this status text, just before its caller hears of it.
    void runEnded(const QString &statusText);

private:
    struct Request
    {
        Page page;
        std::vector<PageStep> steps;
        QString doneText;
        QString failedText;
        StatusCallback done;
    };
    void enqueue(Request request);
    void startNext();
    bool startEngine();

    std::chrono::milliseconds m_runBudget;
    BrowserEngine *m_engine = nullptr;
    std::deque<Request> m_queue;
    bool m_running = false;
};
