#pragma once

#include "web/browserengine.h"

#include <QPointer>

#include <memory>
#include <vector>

class PageRun;
class QWebEngineProfile;
class SilentPage;

// The browser engine on QtWebEngine: a named persistent profile and two silent pages.
class WebEngineBrowser final : public BrowserEngine
{
public:
    WebEngineBrowser(const QString &storagePath, const QString &cachePath, QObject *parent);
    ~WebEngineBrowser() override;

    void run(Page page, std::vector<PageStep> steps, const QString &doneText,
             const QString &failedText, std::chrono::milliseconds budget, Done done) override;
    bool isBusy(Page page) const override;

private:
    SilentPage *page(Page which) const;
    void replacePage(SilentPage *old);

    QWebEngineProfile *m_profile;
    SilentPage *m_logIn;
    SilentPage *m_logOut;
    std::unique_ptr<PageRun> m_running;
    // Pages taken out of service and not yet deleted; they go before the profile.
    std::vector<QPointer<SilentPage>> m_retired;
};

class WebEngineBrowserPlugin final : public QObject, public BrowserEngineFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrowserEngineFactory_iid)
    Q_INTERFACES(BrowserEngineFactory)
public:
    BrowserEngine *create(const QString &storagePath, const QString &cachePath,
                          QObject *parent) override;
};
