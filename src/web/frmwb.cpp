#include "web/frmwb.h"

#include "links/hosts.h"
#include "links/linkroute.h"
#include "web/helperengine.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Calls a script function with its arguments encoded as JSON, never spliced into the text:
// IDs and passwords reach the page exactly as stored, whatever characters they hold.
QString call(const char *function, const QJsonArray &arguments)
{
    return QStringLiteral("(%1)(%2)")
            .arg(QLatin1String(function),
                 QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)));
}

// Sets the value of the element with identifier a[0] to a[1]; false when there is none.
constexpr char kSetFieldValue[] = R"(function (a) {
    var element = document.getElementById(a[0]);
    if (!element) return false;
    try { element.value = a[1]; return true; } catch (e) { return false; }
})";

// Sends form number a[0] of the document; false when there is no such form.
constexpr char kSubmitForm[] = R"(function (a) {
    var form = document.forms[a[0]];
    if (!form) return false;
    HTMLFormElement.prototype.submit.call(form);
    return true;
})";

// Ticks the first INPUT element named "auto_login", in document order.
constexpr char kTickAutoLogin[] = R"(function () {
    var all = document.all || document.getElementsByTagName('*');
    for (var i = 0; i < all.length; i++) {
        var element = all[i];
        if (element.tagName === 'INPUT' && element.name === 'auto_login') {
            element.checked = true;
            return true;
        }
    }
    return false;
})";

// The portal shows its login form again when it refused the credentials.
constexpr char kLoginFormShown[] = R"(function () {
    return document.getElementById('livedoor_id') !== null;
})";

using Step = PageStep;

} // namespace

frmWB::frmWB(std::chrono::milliseconds runBudget, QObject *parent)
    : frmWB(std::make_unique<HelperEngine>(), runBudget, parent)
{
}

frmWB::frmWB(std::unique_ptr<BrowserEngine> engine, std::chrono::milliseconds runBudget,
             QObject *parent)
    : QObject(parent)
    , m_runBudget(runBudget)
    , m_engine(std::move(engine))
{
    setObjectName(QStringLiteral("frmWB"));
    connect(m_engine.get(), &BrowserEngine::loginCookies, this,
            [this](const std::vector<EngineChannel::SessionCookie> &cookies) {
                if (m_running)
                    m_runCookies = cookies;
            });
}

frmWB::~frmWB()
{
    m_queue.clear();
}

void frmWB::Form_Load()
{
    // Nothing to do until the first run: the engine starts then.
}

void frmWB::loginLD(const QString &rid, const QString &rpw, Done done, Current current)
{
    // The ID and the password go into the portal's login pages alone: a login page that took the
    // page elsewhere (a moved page, a network's own sign-in page, a hostile redirect) gets
    // nothing, and the run ends with what it found.
    const QUrl loginPages = loginFormPages();
    enqueue({ Page::LogIn,
              {
                      { Step::Navigate, QUrl(httpsUrl(Host::MemberLogin, QStringLiteral("/login/index"))), {} },
                      { Step::WaitIdle, {}, {} },
                      { Step::Retry, {}, call(kSetFieldValue, { QStringLiteral("livedoor_id"), rid }), loginPages },
                      { Step::WaitIdle, {}, {} },
                      { Step::Retry, {}, call(kSetFieldValue, { QStringLiteral("password"), rpw }), loginPages },
                      { Step::WaitIdle, {}, {} },
                      { Step::Once, {}, call(kTickAutoLogin, {}), loginPages },
                      { Step::SendForm, {}, call(kSubmitForm, { 0 }), loginPages },
                      { Step::WaitIdle, {}, {} },
                      { Step::FailIf, {}, call(kLoginFormShown, {}) },
              },
              rid, std::move(done), current });
}

namespace {

std::vector<PageStep> logoutSteps()
{
    return {
        { Step::Navigate, QUrl(httpsUrl(Host::PortalMain, QStringLiteral("/login/logout"))), {} },
        { Step::WaitIdle, {}, {} },
    };
}

} // namespace

void frmWB::logoutLD(Done done)
{
    enqueue({ Page::LogOut, logoutSteps(), QString(), std::move(done), Current::Becomes, true });
}

void frmWB::logoutAccount(const QString &account, Done done)
{
    enqueue({ Page::LogOut, logoutSteps(), account, std::move(done), Current::Stays, false });
}

void frmWB::forgetAccount(const QString &account)
{
    if (account.isEmpty())
        return;
    m_engine->forgetAccount(account);
    std::deque<Request> dropped;
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        if (it->account == account) {
            dropped.push_back(std::move(*it));
            it = m_queue.erase(it);
        } else {
            ++it;
        }
    }
    if (m_runningAccount == account)
        m_runningAccount.clear();
    if (account == m_account) {
        m_account.clear();
        emit accountChanged(QString());
    }
    for (Request &request : dropped) {
        if (request.done)
            request.done(RunOutcome::Cancelled);
    }
}

void frmWB::keepCurrentListed(const QStringList &listed)
{
    if (m_account.isEmpty() || listed.contains(m_account))
        return;
    m_account.clear();
    emit accountChanged(QString());
}

void frmWB::enqueue(Request request)
{
    m_queue.push_back(std::move(request));
    if (!m_running)
        startNext();
}

void frmWB::startNext()
{
    if (m_running || m_queue.empty())
        return;
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    m_running = true;
    emit runStarted(request.page);
    // A login runs in the profile of the account it logs in as, a logout in that of the account
    // it logs out; once it succeeded, that account (none after a logout) is the current one.
    const bool login = request.page == Page::LogIn;
    const QString profile = request.ofCurrent ? m_account : request.account;
    m_runningAccount = profile;
    m_runCookies.clear();
    m_engine->run(request.page, profile, std::move(request.steps), m_runBudget,
                  [this, page = request.page, login, current = request.current,
                   done = std::move(request.done)](RunOutcome outcome) {
                      // A login whose account the user removed meanwhile makes nothing current.
                      const bool removed = login && m_runningAccount.isEmpty();
                      const QString account = std::exchange(m_runningAccount, QString());
                      if (outcome == RunOutcome::Done && !removed) {
                          // A logout of an account other than the current one leaves it current.
                          const bool changes = login ? current == Current::Becomes
                                                     : current == Current::Becomes || account == m_account;
                          if (changes) {
                              m_account = login ? account : QString();
                              emit accountChanged(m_account);
                          }
                          if (login)
                              emit loggedIn(account, std::exchange(m_runCookies, {}));
                          else if (!account.isEmpty())
                              emit loggedOut(account);
                      }
                      m_running = false;
                      emit runEnded(page, outcome);
                      if (done)
                          done(outcome);
                      startNext();
                  });
}
