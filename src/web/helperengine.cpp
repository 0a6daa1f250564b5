#include "web/helperengine.h"

#include "web/accountprofile.h"
#include "web/helperprocess.h"

#include <QDebug>
#include <QFileInfo>

HelperEngine::HelperEngine(QObject *parent)
    : HelperEngine(Options{}, parent)
{
}

HelperEngine::HelperEngine(Options options, QObject *parent)
    : BrowserEngine(parent)
    , m_options(std::move(options))
{
    if (m_options.program.isEmpty())
        m_options.program = HelperProcess::installed();
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &HelperEngine::onDeadline);
    m_answerWait.setSingleShot(true);
    m_answerWait.setInterval(kAnswerWait);
    connect(&m_answerWait, &QTimer::timeout, this, &HelperEngine::onNoAnswer);
}

HelperEngine::~HelperEngine()
{
    // The helper writes the portal's cookies out as it ends; this is the program's end, and
    // waiting a moment for it is harmless. The profiles it was to forget go after it.
    delete std::exchange(m_helper, nullptr);
    passOnForgotten();
}

qint64 HelperEngine::helperProcessId() const
{
    return m_helper ? m_helper->processId() : 0;
}

void HelperEngine::run(EnginePage page, const QString &account, std::vector<PageStep> steps,
                       std::chrono::milliseconds budget, Done done)
{
    Q_ASSERT(!m_run);
    // An account added again after it was forgotten keeps the profile this run makes.
    m_forgotten.removeAll(account);
    m_run.emplace();
    m_run->run = { m_nextId++, page, account, std::move(steps), budget };
    m_run->done = std::move(done);
    m_run->clock.start();
    m_deadline.start(budget + kDeadlineGrace);
    if (recentlyFailedToStart()) {
        finishSoon(RunOutcome::EngineUnavailable);
        return;
    }
    if (!m_helper && !startHelper())
        return;
    if (m_helper->isReady())
        send();
}

void HelperEngine::openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry)
{
    // A helper that cannot start opens no window: the failure has been reported already.
    if (recentlyFailedToStart()) {
        emit portalPageNotOpened(url);
        return;
    }
    const quint64 id = m_nextOpenId++;
    post({ EngineChannel::OpenPage{ id, url, account, geometry }, id, url });
    if (!m_helper)
        startHelper();
}

void HelperEngine::forgetAccount(const QString &account)
{
    // The guest's profile is the engine's profile folder itself: it is never forgotten.
    if (account.isEmpty())
        return;
    if (m_helper) {
        m_forgotten.append(account);
        post({ EngineChannel::Forget{ account }, 0, {} });
        return;
    }
    AccountProfile::removeFolders(m_options.profile, m_options.cache, account);
}

void HelperEngine::prepare(const QString &account)
{
    // A helper that could not start just now is not tried again for it: what follows reports.
    if (!m_helper && !recentlyFailedToStart())
        startHelper();
    if (m_helper)
        post({ EngineChannel::Prepare{ account }, 0, {} });
}

void HelperEngine::setSessions(const EngineChannel::Sessions &sessions)
{
    if (sessions.listed == m_sessions.listed && sessions.loggedIn == m_sessions.loggedIn)
        return;
    m_sessions = sessions;
    m_sessionsSent = false;
    sendSessions();
}

void HelperEngine::sendSessions()
{
    if (m_sessionsSent || !m_helper || !m_helper->isReady())
        return;
    m_helper->send(m_sessions);
    m_sessionsSent = true;
}

void HelperEngine::showRenewal(quint64 tab, EngineChannel::RenewalState state, RunOutcome outcome)
{
    if (m_helper)
        post({ EngineChannel::Renewal{ tab, state, outcome }, 0, {} });
}

bool HelperEngine::recentlyFailedToStart() const
{
    return m_lastStartFailure.isValid() && m_lastStartFailure.elapsed() < kStartRetryPause.count();
}

void HelperEngine::post(Outgoing outgoing)
{
    m_outbox.push_back(std::move(outgoing));
    if (m_helper && m_helper->isReady())
        sendOutbox();
}

void HelperEngine::sendOutbox()
{
    while (m_helper && !m_outbox.empty()) {
        Outgoing outgoing = std::move(m_outbox.front());
        m_outbox.pop_front();
        m_helper->send(outgoing.message);
        if (outgoing.openId != 0)
            m_unacknowledged.push_back(std::move(outgoing));
    }
}

bool HelperEngine::startHelper()
{
    m_restoring = false;
    m_sessionsSent = false;
    m_helper = new HelperProcess(this);
    connect(m_helper, &HelperProcess::ready, this, [this] {
        // The run first: an account forgotten while the helper started goes after the run on its
        // profile, once the run's page has gone, rather than before it, which would make its
        // profile again.
        send();
        sendSessions();
        sendOutbox();
    });
    connect(m_helper, &HelperProcess::message, this, &HelperEngine::onMessage);
    connect(m_helper, &HelperProcess::ended, this, &HelperEngine::onHelperEnded);
    QString why;
    if (!m_helper->start(m_options, why)) {
        delete std::exchange(m_helper, nullptr);
        startFailed(why);
        return false;
    }
    return true;
}

void HelperEngine::send()
{
    if (!m_run || m_run->sent || !m_helper)
        return;
    const auto left = m_run->run.budget - std::chrono::milliseconds(m_run->clock.elapsed());
    if (left <= std::chrono::milliseconds(0)) {
        finish(RunOutcome::TimedOut);
        return;
    }
    EngineChannel::Run run = m_run->run;
    run.budget = left;
    m_helper->send(run);
    m_run->sent = true;
}

void HelperEngine::onMessage(const EngineChannel::FromHelper &message)
{
    using namespace EngineChannel;
    // Whatever it says, it still answers.
    m_answerWait.stop();
    std::visit(Visitor{
                       // The process takes these two itself.
                       [](const Ready &) {},
                       [](const Bye &) {},
                       [this](const Opened &opened) {
                           std::erase_if(m_unacknowledged,
                                         [id = opened.open](const Outgoing &open) { return open.openId == id; });
                       },
                       [this](const External &external) { emit externalLinkRequested(external.url); },
                       [this](const Geometry &geometry) { emit portalGeometryChanged(geometry.geometry); },
                       [this](const Restored &restored) {
                           m_restoring = false;
                           if (restored.tabs > 0)
                               emit tabsRestored(restored.tabs);
                       },
                       [this](const Cookies &cookies) { emit cookiesChanged(cookies.account, cookies.set, cookies.gone); },
                       [this](const LoginForm &form) { emit loginFormShown(form.account, form.tab); },
                       [this](const Renew &renew) { emit renewRequested(renew.account, renew.tab); },
                       [this](const Started &started) {
                           if (m_run && started.run == m_run->run.id)
                               m_run->started = true;
                       },
                       [this](const Ended &ended) {
                           if (!m_run || ended.run != m_run->run.id)
                               return;
                           if (ended.outcome == RunOutcome::Done && m_run->run.page == EnginePage::LogIn)
                               emit loginCookies(ended.cookies);
                           finish(ended.outcome);
                       },
               },
               message);
}

void HelperEngine::onHelperEnded(const QString &failure)
{
    if (!m_helper)
        return;
    const bool wasReady = m_helper->isReady();
    const bool saidBye = m_helper->saidBye();
    // It was ending for idleness when these pages were sent: a new helper opens them. Pages it
    // took went with its window.
    std::deque<Outgoing> unread = std::exchange(m_unacknowledged, {});
    // It crashed or was killed: a window it had open comes back in the next one. One that never
    // became ready had none, and starting another for its tabs could go on for ever.
    const bool restoreTabs = wasReady && !saidBye && tabsLeftBehind();
    retireHelper();
    if (saidBye)
        m_outbox.insert(m_outbox.begin(), unread.begin(), unread.end());
    if (!wasReady) {
        if (m_run || !m_outbox.empty())
            startFailed(failure);
        passOnForgotten();
        return;
    }
    if (m_run) {
        if (saidBye && !m_run->started)
            m_run->sent = false; // it was ending for idleness when this run was sent
        else
            finish(RunOutcome::EngineEnded); // it crashed or was killed during the run
    }
    replaceHelper(restoreTabs);
}

void HelperEngine::replaceHelper(bool restoreTabs)
{
    // Unless the next run has already started one.
    if (!m_helper && ((m_run && !m_run->sent) || !m_outbox.empty() || restoreTabs))
        startHelper();
    if (restoreTabs && m_helper) {
        // Ahead of everything else that waits for the new helper (but the run it may have).
        m_outbox.push_front({ EngineChannel::Restore{ m_options.accounts ? m_options.accounts() : QStringList() },
                              0, {} });
        m_restoring = true;
        if (m_helper->isReady())
            sendOutbox();
    }
    passOnForgotten();
}

bool HelperEngine::tabsLeftBehind() const
{
    // The helper keeps the file while its window is open and removes it when the window
    // closes or it ends normally.
    return !m_restoring && QFileInfo::exists(m_options.tabs);
}

void HelperEngine::passOnForgotten()
{
    for (const QString &account : std::exchange(m_forgotten, {}))
        forgetAccount(account);
}

void HelperEngine::onDeadline()
{
    if (!m_run)
        return;
    if (m_helper && m_run->sent) {
        // The user hears of it now. The helper is told to give the run up, and goes only if it
        // does not answer: it keeps the portal window and its tabs.
        m_helper->send(EngineChannel::Cancel{ m_run->run.id });
        if (!m_answerWait.isActive())
            m_answerWait.start();
        finish(RunOutcome::TimedOut);
        return;
    }
    // A helper that has not become ready within the whole budget hangs as it starts: it goes,
    // and what waits for it goes to a new one.
    if (m_helper)
        retireHelper();
    finish(RunOutcome::TimedOut);
    replaceHelper(false);
}

void HelperEngine::onNoAnswer()
{
    if (!m_helper)
        return;
    const bool restoreTabs = tabsLeftBehind();
    retireHelper();
    // A run sent to it since then has not started (that would have been an answer): the next
    // helper takes it.
    if (m_run)
        m_run->sent = false;
    replaceHelper(restoreTabs);
}

void HelperEngine::retireHelper()
{
    m_unacknowledged.clear();
    m_answerWait.stop();
    // What it was to forget is passed on once it is known whether another helper follows.
    std::erase_if(m_outbox, [](const Outgoing &outgoing) {
        return std::holds_alternative<EngineChannel::Forget>(outgoing.message);
    });
    std::exchange(m_helper, nullptr)->retire();
}

void HelperEngine::startFailed(const QString &why)
{
    m_lastStartFailure.start();
    // One line, once for each reason: a broken installation does not fill the log.
    const QString report = QStringLiteral("yorumi-livedoor: the browser engine cannot start: ") + why;
    if (report != m_lastReport) {
        m_lastReport = report;
        qWarning().noquote() << report;
    }
    QList<QUrl> pages;
    for (const Outgoing &outgoing : std::exchange(m_outbox, {})) {
        if (outgoing.openId != 0)
            pages.append(outgoing.page);
    }
    if (m_run)
        finishSoon(RunOutcome::EngineUnavailable);
    emit unavailable();
    for (const QUrl &page : std::as_const(pages))
        emit portalPageNotOpened(page);
}

void HelperEngine::finishSoon(RunOutcome outcome)
{
    // Not from inside run(): the host is still setting the run up.
    QMetaObject::invokeMethod(
            this,
            [this, outcome, id = m_run->run.id] {
                if (m_run && m_run->run.id == id)
                    finish(outcome);
            },
            Qt::QueuedConnection);
}

void HelperEngine::finish(RunOutcome outcome)
{
    if (!m_run)
        return;
    m_deadline.stop();
    Done done = std::move(m_run->done);
    m_run.reset();
    done(outcome);
}
