#include "browser/webenginebrowser.h"

#include "browser/pagerun.h"
#include "browser/portalwindow.h"
#include "browser/silentpage.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

WebEngineBrowser::WebEngineBrowser(const QString &storagePath, const QString &cachePath,
                                   QObject *parent)
    : QObject(parent)
    , m_profile(new QWebEngineProfile(QStringLiteral("yorumi-livedoor"), this))
{
    m_profile->setPersistentStoragePath(storagePath);
    m_profile->setCachePath(cachePath);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    // Keep session cookies too, so that a login survives a restart of the program.
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    // Only the portal window's pages may download, and only where the user says.
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest *download) {
                if (!m_portal || !m_portal->handleDownload(download))
                    download->cancel();
            });
    m_logIn = new SilentPage(m_profile, this);
    m_logOut = new SilentPage(m_profile, this);
}

WebEngineBrowser::~WebEngineBrowser()
{
    m_running.reset();
    delete m_portal.data();
    // Pages before their profile, so that the engine writes its cookies out.
    delete m_logIn;
    delete m_logOut;
    for (const QPointer<QObject> &object : m_retired)
        delete object.data();
    delete m_profile;
}

void WebEngineBrowser::replacePage(SilentPage *old)
{
    SilentPage **slot = old == m_logIn ? &m_logIn : old == m_logOut ? &m_logOut : nullptr;
    if (!slot)
        return;
    *slot = new SilentPage(m_profile, this);
    // Its run is still on the stack: the old page goes once control has returned.
    retire(old);
}

void WebEngineBrowser::retire(QObject *object)
{
    std::erase_if(m_retired, [](const QPointer<QObject> &retired) { return retired.isNull(); });
    m_retired.emplace_back(object);
    object->deleteLater();
}

SilentPage *WebEngineBrowser::page(EnginePage which) const
{
    return which == EnginePage::LogIn ? m_logIn : m_logOut;
}

void WebEngineBrowser::run(EnginePage which, std::vector<PageStep> steps,
                           std::chrono::milliseconds budget, Done done)
{
    Q_ASSERT(!m_running);
    m_running = std::make_unique<PageRun>(page(which), std::move(steps), budget);
    connect(m_running.get(), &PageRun::finished, this,
            [this, done = std::move(done)](RunOutcome outcome) {
                // What the portal served keeps running in its page: a script that never ends,
                // a worker that spins, a load that never ends and keeps the engine from
                // reporting the next one. The login lives on in the profile's cookies, not in
                // the page, so every run leaves its page behind and the next one starts afresh;
                // taking the old page down stops all it was doing.
                replacePage(m_running->page());
                // The run is still on the stack: let it go once control has returned.
                m_running.release()->deleteLater();
                done(outcome);
            });
    m_running->start();
}

void WebEngineBrowser::openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry)
{
    if (!m_portal) {
        m_portal = new PortalWindow(m_profile);
        m_portal->setAccount(account);
        m_portal->restoreSavedGeometry(geometry);
        connect(m_portal, &PortalWindow::externalLinkRequested, this, &WebEngineBrowser::externalLinkRequested);
        connect(m_portal, &PortalWindow::geometryChanged, this, &WebEngineBrowser::portalGeometryChanged);
        connect(m_portal, &PortalWindow::closed, this, [this] {
            // Its pages stop with it; the next page opens a new window.
            retire(std::exchange(m_portal, nullptr).data());
            emit portalClosed();
        });
    }
    m_portal->openTab(url);
}

void WebEngineBrowser::setAccount(const QString &account)
{
    if (!m_portal)
        return;
    m_portal->setAccount(account);
    m_portal->reloadTabs();
}
