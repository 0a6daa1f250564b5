#include "browser/webenginebrowser.h"

#include "browser/engineprofiles.h"
#include "browser/pagerun.h"
#include "browser/portalwindow.h"
#include "browser/sessioncookies.h"
#include "browser/silentpage.h"
#include "browser/tabrecord.h"

#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

WebEngineBrowser::WebEngineBrowser(const QString &storagePath, const QString &cachePath,
                                   const QString &tabsFile, QObject *parent)
    : QObject(parent)
    , m_profiles(std::make_unique<EngineProfiles>(storagePath, cachePath))
    , m_tabsFile(tabsFile)
{
    // Only the portal window's pages may download, and only where the user says.
    connect(m_profiles.get(), &EngineProfiles::downloadRequested, this,
            [this](QWebEngineDownloadRequest *download) {
                if (!m_portal || !m_portal->handleDownload(download))
                    download->cancel();
            });
    connect(m_profiles.get(), &EngineProfiles::cookiesChanged, this,
            [this](const QString &account, const QList<QNetworkCookie> &set, const QList<QNetworkCookie> &gone) {
                emit cookiesChanged(account, sessionCookies(set), sessionCookies(gone));
            });
    m_tabSave.setSingleShot(true);
    m_tabSave.setInterval(kTabSaveDelay);
    connect(&m_tabSave, &QTimer::timeout, this, &WebEngineBrowser::saveTabs);
    // Tabs left behind come back only when the program asks for them; the file is this
    // helper's from now on.
    m_leftBehind = TabRecord::read(m_tabsFile);
    TabRecord::forget(m_tabsFile);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // The helper ends in order: the window's tabs need no keeping.
    m_tabSave.stop();
    TabRecord::forget(m_tabsFile);
    // Every page before its profile, so that the engine writes its cookies out: the window's
    // tabs, the pages retired, and those still at work, the run's and the blank ones that warm
    // a profile (which are this object's children, and would go only after the profiles).
    m_running.reset();
    delete m_portal.data();
    for (const QPointer<QObject> &object : m_retired)
        delete object.data();
    qDeleteAll(findChildren<QWebEnginePage *>(Qt::FindDirectChildrenOnly));
    m_profiles.reset();
}

void WebEngineBrowser::retire(QObject *object)
{
    std::erase_if(m_retired, [](const QPointer<QObject> &retired) { return retired.isNull(); });
    m_retired.emplace_back(object);
    object->deleteLater();
}

void WebEngineBrowser::run(EnginePage, const QString &account, std::vector<PageStep> steps,
                           std::chrono::milliseconds budget, Done done)
{
    Q_ASSERT(!m_running);
    // Every run has a page of its own: what the portal served keeps running in a page (a script
    // that never ends, a worker that spins, a load that never ends and keeps the engine from
    // reporting the next one). The login lives on in the profile's cookies, not in the page, so
    // each run leaves its page behind, and taking it down stops all it was doing.
    // A run that was on its way as the user removed its account gets none: its profile went with
    // the account, and would come back.
    QWebEngineProfile *profile = m_profiles->open(account);
    if (!profile) {
        const RunOutcome outcome = m_profiles->isListed(account) ? RunOutcome::Failed : RunOutcome::Cancelled;
        QMetaObject::invokeMethod(this, [outcome, done = std::move(done)] { done(outcome, {}); },
                                  Qt::QueuedConnection);
        return;
    }
    auto *page = new SilentPage(profile, this);
    m_profiles->watchSilent(page);
    // What the run sets on the hosts of its page, from the first it goes to on.
    auto *cookies = new RunCookies(profile->cookieStore(), page);
    for (const PageStep &step : steps) {
        cookies->addHost(step.url);
        cookies->addHost(step.onlyOn);
    }
    connect(page, &QWebEnginePage::urlChanged, cookies, &RunCookies::addHost);
    m_running = std::make_unique<PageRun>(page, std::move(steps), budget);
    m_runningAccount = account;
    connect(m_running.get(), &PageRun::finished, this,
            [this, page, cookies = QPointer(cookies), account, done = std::move(done)](RunOutcome outcome) {
                // Nothing, should the page have gone before its run ended.
                const std::vector<EngineChannel::SessionCookie> set
                        = cookies ? cookies->cookies() : std::vector<EngineChannel::SessionCookie>();
                retire(page);
                // The run is still on the stack: let it go once control has returned.
                m_running.release()->deleteLater();
                // The account's tabs show the login or logout; the other accounts' stay as
                // they are.
                if (outcome == RunOutcome::Done && m_portal)
                    m_portal->reloadTabs(account);
                done(outcome, set);
            });
    m_running->start();
}

void WebEngineBrowser::cancel()
{
    if (m_running)
        m_running->cancel();
}

PortalWindow *WebEngineBrowser::portal(const QByteArray &geometry)
{
    if (m_portal)
        return m_portal;
    m_portal = new PortalWindow(*m_profiles);
    m_portal->restoreSavedGeometry(geometry);
    connect(m_portal, &PortalWindow::externalLinkRequested, this, &WebEngineBrowser::externalLinkRequested);
    connect(m_portal, &PortalWindow::geometryChanged, this, &WebEngineBrowser::portalGeometryChanged);
    connect(m_portal, &PortalWindow::tabsChanged, &m_tabSave, qOverload<>(&QTimer::start));
    connect(m_portal, &PortalWindow::loginFormShown, this,
            [this](quint64 tab, const QString &account, const QUrl &from) {
                // A run of the account's own may send its tabs there: that is no expiry.
                if (!isRunning() || m_runningAccount != account)
                    emit loginFormShown(account, tab, from);
            });
    connect(m_portal, &PortalWindow::renewRequested, this,
            [this](quint64 tab, const QString &account) { emit renewRequested(account, tab); });
    m_portal->setAccounts(m_sessions.listed, m_sessions.loggedIn);
    connect(m_portal, &PortalWindow::closed, this, [this] {
        // Closed by the user: nothing to bring back.
        m_tabSave.stop();
        TabRecord::forget(m_tabsFile);
        // Its pages stop with it; the next page opens a new window.
        retire(std::exchange(m_portal, nullptr).data());
        emit portalClosed();
    });
    return m_portal;
}

void WebEngineBrowser::openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry)
{
    // A page of an account removed meanwhile gets no tab, nor a window without one.
    if (m_profiles->isListed(account))
        portal(geometry)->openTab(url, account);
}

void WebEngineBrowser::prepare(const QString &account)
{
    m_profiles->expectNext(account);
    // Once for each profile: one made earlier has started its engine's parts already.
    if (m_profiles->hasProfile(account))
        return;
    QWebEngineProfile *profile = m_profiles->open(account);
    if (!profile)
        return;
    auto *page = new SilentPage(profile, this);
    m_profiles->watchSilent(page);
    connect(
            page, &SilentPage::settled, this, [this, page] { retire(page); }, Qt::SingleShotConnection);
    page->navigate(QUrl(QStringLiteral("about:blank")));
}

void WebEngineBrowser::forgetAccount(const QString &account)
{
    m_profiles->forget(account);
}

int WebEngineBrowser::restoreTabs(const QStringList &accounts)
{
    const std::optional<TabRecord> left = std::exchange(m_leftBehind, std::nullopt);
    if (!left)
        return 0;
    const TabRecord record = left->ofAccounts(accounts);
    if (record.tabs.empty())
        return 0;
    portal(record.geometry)->openTabs(record);
    return int(record.tabs.size());
}

void WebEngineBrowser::setSessions(const EngineChannel::Sessions &sessions)
{
    m_sessions = sessions;
    m_profiles->setListed(sessions.listed);
    if (m_portal)
        m_portal->setAccounts(sessions.listed, sessions.loggedIn);
}

void WebEngineBrowser::showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text)
{
    if (m_portal)
        m_portal->showRenewal(tab, state, text);
}

void WebEngineBrowser::saveTabs()
{
    if (m_portal)
        m_portal->record().write(m_tabsFile);
}
