#include "web/engine/webenginebrowser.h"

#include "web/pagerun.h"
#include "web/silentpage.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

WebEngineBrowser::WebEngineBrowser(const QString &storagePath, const QString &cachePath,
                                   QObject *parent)
    : BrowserEngine(parent)
    , m_profile(new QWebEngineProfile(QStringLiteral("yorumi-livedoor"), this))
{
    m_profile->setPersistentStoragePath(storagePath);
    m_profile->setCachePath(cachePath);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    // Keep session cookies too, so that a login survives a restart of the program.
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });
    m_logIn = new SilentPage(m_profile, this);
    m_logOut = new SilentPage(m_profile, this);
}

WebEngineBrowser::~WebEngineBrowser()
{
    m_running.reset();
    // Pages before their profile, so that the engine writes its cookies out.
    delete m_logIn;
    delete m_logOut;
    for (const QPointer<SilentPage> &page : m_retired)
        delete page.data();
    delete m_profile;
}

void WebEngineBrowser::replacePage(SilentPage *old)
{
    SilentPage **slot = old == m_logIn ? &m_logIn : old == m_logOut ? &m_logOut : nullptr;
    if (!slot)
        return;
    *slot = new SilentPage(m_profile, this);
    // Its run is still on the stack: the old page goes once control has returned.
    std::erase_if(m_retired, [](const QPointer<SilentPage> &retired) { return retired.isNull(); });
    m_retired.emplace_back(old);
    old->deleteLater();
}

SilentPage *WebEngineBrowser::page(Page which) const
{
    return which == Page::LogIn ? m_logIn : m_logOut;
}

void WebEngineBrowser::run(Page which, std::vector<PageStep> steps, const QString &doneText,
                           const QString &failedText, std::chrono::milliseconds budget, Done done)
{
    // The host asks for one run at a time; a run asked for meanwhile would end the first.
    m_running = std::make_unique<PageRun>(page(which), std::move(steps), doneText, failedText,
                                          budget);
    connect(m_running.get(), &PageRun::finished, this,
            [this, done = std::move(done)](const QString &statusText) {
                // What the portal served keeps running in its page: a script that never ends,
                // a worker that spins, a load that never ends and keeps the engine from
                // reporting the next one. The login lives on in the profile's cookies, not in
                // the page, so every run leaves its page behind and the next one starts afresh;
                // taking the old page down stops all it was doing.
                replacePage(m_running->page());
                // The run is still on the stack: let it go once control has returned.
                m_running.release()->deleteLater();
                done(statusText);
            });
    m_running->start();
}

bool WebEngineBrowser::isBusy(Page which) const
{
    return page(which)->isBusy();
}

BrowserEngine *WebEngineBrowserPlugin::create(const QString &storagePath, const QString &cachePath,
                                              QObject *parent)
{
    return new WebEngineBrowser(storagePath, cachePath, parent);
}
