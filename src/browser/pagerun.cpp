#include "browser/pagerun.h"

#include "browser/scriptliteral.h"
#include "browser/silentpage.h"

#include <algorithm>

namespace {

// What a script answers in place of its own answer when the page is not where it may act.
const QString kElsewhere = QStringLiteral("yorumi:elsewhere");

// Where a step may act: the place's origin (scheme, host and port) and a path under the place's.
// The helper checks the page's address against it before it sends the step, and the page checks
// itself in the same turn as the script (below): the page may have gone elsewhere in between.
QString originOf(const QUrl &url)
{
    return url.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment
                        | QUrl::StripTrailingSlash | QUrl::FullyEncoded);
}

bool isAt(const QUrl &place, const QUrl &url)
{
    return url.isValid() && originOf(url) == originOf(place)
            && url.path(QUrl::FullyEncoded).startsWith(place.path(QUrl::FullyEncoded));
}

// The step's script, run only while the page is where the step may act. A page that has gone
// elsewhere since the helper looked never gets what the script would put into it.
QString guarded(const PageStep &step)
{
    if (step.onlyOn.isEmpty())
        return step.script;
    return QStringLiteral("(location.origin === %1 && location.pathname.indexOf(%2) === 0) ? (%3) : %4")
            .arg(scriptLiteral(originOf(step.onlyOn)), scriptLiteral(step.onlyOn.path(QUrl::FullyEncoded)),
                 step.script, scriptLiteral(kElsewhere));
}

} // namespace

PageRun::PageRun(SilentPage *page, std::vector<Step> steps, std::chrono::milliseconds budget,
                 QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_steps(std::move(steps))
    , m_budget(budget)
{
    m_deadline.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: the budget is a promise to the user.
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryInterval);
    connect(&m_deadline, &QTimer::timeout, this, &PageRun::onDeadline);
    connect(&m_retry, &QTimer::timeout, this, &PageRun::runStep);
    connect(page, &SilentPage::settled, this, &PageRun::onSettled);
}

void PageRun::start()
{
    // The run's one start time, read before its first navigation.
    m_clock.start();
    m_deadline.start(m_budget);
    runStep();
}

bool PageRun::expired() const
{
    return m_clock.elapsed() > m_budget.count();
}

void PageRun::advance()
{
    ++m_index;
    ++m_generation;
    m_sentTo.clear();
    runStep();
}

bool PageRun::pageIsWhereStepActs(const Step &step)
{
    if (step.onlyOn.isEmpty())
        return true;
    // A page on its way somewhere has no address to check yet: the step waits for it to settle,
    // and is checked for time while it waits, as a wait for the page is.
    if (m_page->isBusy()) {
        if (expired())
            finish(RunOutcome::TimedOut);
        else
            m_waitingIdle = true;
        return false;
    }
    // What the step carries (an ID, a password) goes only to a document the helper itself has
    // seen committed at the step's place, and a retry only to the document it went to first.
    const QUrl here = m_page->committedUrl();
    if (!isAt(step.onlyOn, here) || (!m_sentTo.isEmpty() && here != m_sentTo)) {
        finish(RunOutcome::WrongPage);
        return false;
    }
    m_sentTo = here;
    return true;
}

void PageRun::runStep()
{
    if (m_done)
        return;
    if (!m_page) {
        finish(RunOutcome::Failed);
        return;
    }
    if (m_index >= m_steps.size()) {
        finish(RunOutcome::Done);
        return;
    }
    const Step &step = m_steps[m_index];
    switch (step.kind) {
    case Step::Navigate:
        m_page->navigate(step.url);
        advance();
        return;
    case Step::WaitIdle:
        if (m_page->isBusy()) {
            // Checked for time only while the condition fails.
            if (expired()) {
                finish(RunOutcome::TimedOut);
                return;
            }
            m_waitingIdle = true;
            return;
        }
        if (!m_page->lastLoadSucceeded()) {
            finish(RunOutcome::Failed);
            return;
        }
        advance();
        return;
    case Step::Retry:
    case Step::SendForm:
        runScript([this, kind = step.kind](const QVariant &result) {
            if (result.metaType().id() == QMetaType::Bool && result.toBool()) {
                if (kind == Step::SendForm)
                    m_page->expectNavigation();
                advance();
            } else {
                retryLater();
            }
        });
        return;
    case Step::Once:
        runScript([this](const QVariant &result) {
            if (result.metaType().id() == QMetaType::Bool)
                advance();
            else
                finish(RunOutcome::Failed);
        });
        return;
    case Step::FailIf:
        runScript([this](const QVariant &result) {
            if (result.metaType().id() == QMetaType::Bool && !result.toBool())
                advance();
            else
                finish(RunOutcome::Failed);
        });
        return;
    }
}

void PageRun::runScript(const std::function<void(const QVariant &)> &onResult)
{
    if (!pageIsWhereStepActs(m_steps[m_index]))
        return;
    const quint64 generation = m_generation;
    QPointer<PageRun> self(this);
    m_scriptSent.start();
    m_scriptPending = true;
    // Our scripts run in their own world: the page's scripts cannot see or replace them.
    m_page->runScript(guarded(m_steps[m_index]), [self, generation, onResult](const QVariant &result) {
        if (!self || self->m_done || self->m_generation != generation)
            return;
        self->m_scriptPending = false;
        if (result.metaType().id() == QMetaType::QString && result.toString() == kElsewhere)
            self->finish(RunOutcome::WrongPage);
        else
            onResult(result);
    });
}

void PageRun::retryLater()
{
    if (expired()) {
        finish(RunOutcome::TimedOut);
        return;
    }
    m_retry.start();
}

void PageRun::onSettled()
{
    if (!m_waitingIdle || m_done)
        return;
    m_waitingIdle = false;
    runStep();
}

void PageRun::onDeadline()
{
    if (m_done)
        return;
    if (!m_pastDeadline && !expired()) {
        m_deadline.start(std::max<qint64>(1, m_budget.count() - m_clock.elapsed() + 1));
        return;
    }
    // A wait for the page ends at the deadline, and so does a wait for a script that the page
    // has left unanswered for long: its renderer has stopped answering. A retry loop finds
    // out on its next failed pass and a one-off step goes on to the next loop; should the
    // page never answer a script sent shortly before or after the deadline, the run still
    // ends shortly after its budget.
    const qint64 unanswered = m_scriptPending ? m_scriptSent.elapsed() : 0;
    if (m_waitingIdle || m_pastDeadline || unanswered >= kScriptGrace.count()) {
        finish(RunOutcome::TimedOut);
        return;
    }
    m_pastDeadline = true;
    m_deadline.start(std::chrono::milliseconds(kScriptGrace.count() - unanswered));
}

void PageRun::finish(RunOutcome outcome)
{
    if (m_done)
        return;
    m_done = true;
    ++m_generation;
    m_deadline.stop();
    m_retry.stop();
    if (m_page && outcome == RunOutcome::TimedOut)
        m_page->stopLoading();
    emit finished(outcome);
}

SilentPage *PageRun::page() const
{
    return m_page;
}
