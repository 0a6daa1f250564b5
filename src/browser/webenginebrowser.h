#pragma once

#include "web/enginechannel.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class PageRun;
class PortalWindow;
class QWebEngineProfile;
class SilentPage;

// The browser engine on QtWebEngine: a named persistent profile, two silent pages and, when
// the user opens a page of the portal, the portal window on the same profile.
class WebEngineBrowser final : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(RunOutcome outcome)>;

    WebEngineBrowser(const QString &storagePath, const QString &cachePath, QObject *parent = nullptr);
    ~WebEngineBrowser() override;

    // Runs the steps on one page within the budget; `done` receives the outcome exactly once.
    // One run at a time.
    void run(EnginePage page, std::vector<PageStep> steps, std::chrono::milliseconds budget,
             Done done);
    bool isRunning() const { return m_running != nullptr; }

    // Opens the page in a new tab of the portal window, making the window first when there is
    // none (titled with the account, at the saved geometry), and brings it up.
    void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry);
    // The portal knows the user as this account now (empty: a guest): an open portal window
    // shows it and reloads its pages.
    void setAccount(const QString &account);
    bool isPortalOpen() const { return !m_portal.isNull(); }

signals:
    void externalLinkRequested(const QUrl &url);
    void portalGeometryChanged(const QByteArray &geometry);
    void portalClosed();

private:
    SilentPage *page(EnginePage which) const;
    void replacePage(SilentPage *old);
    // Deletes the object once control has returned to the event loop, or with the browser.
    void retire(QObject *object);

    QWebEngineProfile *m_profile;
    SilentPage *m_logIn;
    SilentPage *m_logOut;
    std::unique_ptr<PageRun> m_running;
    // Pages and windows taken out of service and not yet deleted; they go before the profile.
    std::vector<QPointer<QObject>> m_retired;
    QPointer<PortalWindow> m_portal;
};
