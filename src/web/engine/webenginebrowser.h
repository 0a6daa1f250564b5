#pragma once

#include "web/enginechannel.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class PageRun;
class QWebEngineProfile;
class SilentPage;

// The browser engine on QtWebEngine: a named persistent profile and two silent pages.
class WebEngineBrowser final : public QObject
{
public:
    using Done = std::function<void(RunOutcome outcome)>;

    WebEngineBrowser(const QString &storagePath, const QString &cachePath, QObject *parent = nullptr);
    ~WebEngineBrowser() override;

    // Runs the steps on one page within the budget; `done` receives the outcome exactly once.
    // One run at a time.
    void run(EnginePage page, std::vector<PageStep> steps, std::chrono::milliseconds budget,
             Done done);
    bool isRunning() const { return m_running != nullptr; }

private:
    SilentPage *page(EnginePage which) const;
    void replacePage(SilentPage *old);

    QWebEngineProfile *m_profile;
    SilentPage *m_logIn;
    SilentPage *m_logOut;
    std::unique_ptr<PageRun> m_running;
    // Pages taken out of service and not yet deleted; they go before the profile.
    std::vector<QPointer<SilentPage>> m_retired;
};
