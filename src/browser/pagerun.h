#pragma once

#include "web/enginechannel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <vector>

class SilentPage;

// One login or logout: a fixed sequence of steps on one page, driven by the page's signals,
// script callbacks and two timers. The whole run shares one time budget. Nothing here
// blocks or spins: between events the run simply waits.
//
// A step that may act only at a place (the portal's login pages) is sent only once the page has
// settled with its main frame's document committed there, as the helper sees it: a page that
// went elsewhere gets nothing of what the step carries, not even into a renderer of its own. A
// retry is sent only to the address the step first went to. The script still checks the page's
// place itself as it runs, should the page have moved on since.
class PageRun : public QObject
{
    Q_OBJECT
public:
    using Step = PageStep;

    // How often a retry loop tries its action again.
    static constexpr std::chrono::milliseconds kRetryInterval{ 50 };
    // How long a script sent shortly before the deadline may take to answer past it. A
    // script that has gone unanswered this long at the deadline ends the run at once.
    static constexpr std::chrono::milliseconds kScriptGrace{ 1000 };

    PageRun(SilentPage *page, std::vector<Step> steps, std::chrono::milliseconds budget,
            QObject *parent = nullptr);

    // Starts the run; `finished` reports its outcome exactly once.
    void start();
    // Ends the run as timed out now, unless it has ended.
    void cancel() { finish(RunOutcome::TimedOut); }
    // The page the run drives.
    SilentPage *page() const;

signals:
    void finished(RunOutcome outcome);

private:
    void runStep();
    void advance();
    // Whether the step may be sent to the page now. Otherwise the run waits for the page to
    // settle, or has ended.
    bool pageIsWhereStepActs(const Step &step);
    void runScript(const std::function<void(const QVariant &)> &onResult);
    void retryLater();
    void onSettled();
    void onDeadline();
    void finish(RunOutcome outcome);
    bool expired() const;

    QPointer<SilentPage> m_page;
    std::vector<Step> m_steps;
    std::size_t m_index = 0;
    std::chrono::milliseconds m_budget;
    QElapsedTimer m_clock;
    QTimer m_deadline;
    QTimer m_retry;
    // Where the step going on was first sent, for its retries.
    QUrl m_sentTo;
    // When the script the run waits for was sent, while it waits for one.
    QElapsedTimer m_scriptSent;
    bool m_scriptPending = false;
    bool m_waitingIdle = false;
    bool m_pastDeadline = false;
    bool m_done = false;
    // Script callbacks of earlier steps (or a finished run) must not act on this one.
    quint64 m_generation = 0;
};
