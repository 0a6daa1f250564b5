#include "web/frmwb.h"

#include "app/ownerfolder.h"
#include "links/hosts.h"
#include "web/pagerun.h"
#include "web/silentpage.h"
#include "web/statustext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

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

using Step = PageRun::Step;

} // namespace

frmWB::frmWB(std::chrono::milliseconds runBudget, QObject *parent)
    : QObject(parent)
    , m_runBudget(runBudget)
{
    setObjectName(QStringLiteral("frmWB"));
}

frmWB::~frmWB()
{
    m_queue.clear();
    m_running.reset();
    // Pages before their profile, so that the engine writes its cookies out.
    delete wbLogInLD;
    delete wbLogOutLD;
    delete m_profile;
}

void frmWB::Form_Load()
{
    // The pages are silent from the moment they exist; the engine starts on the first run.
}

void frmWB::startEngine()
{
    if (m_profile)
        return;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString storage = data + QStringLiteral("/webengine");
    // The profile holds the portal's login cookies: its folders are the user's alone.
    makeOwnerOnlyFolder(storage);
    makeOwnerOnlyFolder(data + QStringLiteral("/webengine-cache"));

    m_profile = new QWebEngineProfile(QStringLiteral("yorumi-livedoor"), this);
    m_profile->setPersistentStoragePath(storage);
    m_profile->setCachePath(data + QStringLiteral("/webengine-cache"));
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    // Keep session cookies too, so that a login survives a restart of the program.
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    wbLogInLD = new SilentPage(m_profile, this);
    wbLogOutLD = new SilentPage(m_profile, this);
}

void frmWB::loginLD(const QString &rid, const QString &rpw, StatusCallback done)
{
    enqueue({ [this, rid, rpw] {
                 std::vector<Step> steps{
                     { Step::Navigate, QUrl(httpsUrl(Host::MemberLogin, QStringLiteral("/login/index"))), {} },
                     { Step::WaitIdle, {}, {} },
                     { Step::Retry, {}, call(kSetFieldValue, { QStringLiteral("livedoor_id"), rid }) },
                     { Step::WaitIdle, {}, {} },
                     { Step::Retry, {}, call(kSetFieldValue, { QStringLiteral("password"), rpw }) },
                     { Step::WaitIdle, {}, {} },
                     { Step::Once, {}, call(kTickAutoLogin, {}) },
                     { Step::SendForm, {}, call(kSubmitForm, { 0 }) },
                     { Step::WaitIdle, {}, {} },
                     { Step::FailIf, {}, call(kLoginFormShown, {}) },
                 };
                 return std::make_unique<PageRun>(wbLogInLD, std::move(steps), StatusText::loginDone,
                                                  StatusText::loginFailed, m_runBudget);
             },
              std::move(done) });
}

void frmWB::logoutLD(StatusCallback done)
{
    enqueue({ [this] {
                 std::vector<Step> steps{
                     { Step::Navigate, QUrl(httpsUrl(Host::PortalMain, QStringLiteral("/login/logout"))), {} },
                     { Step::WaitIdle, {}, {} },
                 };
                 return std::make_unique<PageRun>(wbLogOutLD, std::move(steps), StatusText::logoutDone,
                                                  StatusText::logoutFailed, m_runBudget);
             },
              std::move(done) });
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
    startEngine();
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    m_running = request.makeRun();
    connect(m_running.get(), &PageRun::finished, this,
            [this, done = std::move(request.done)](const QString &statusText) {
                // The run is still on the stack: let it go once control has returned.
                m_running.release()->deleteLater();
                if (done)
                    done(statusText);
                startNext();
            });
    m_running->start();
}
