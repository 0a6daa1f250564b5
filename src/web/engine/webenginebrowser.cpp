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
    delete m_profile;
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
