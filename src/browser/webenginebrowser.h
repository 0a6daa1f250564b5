#pragma once

#include "browser/tabrecord.h"
#include "web/enginechannel.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class EngineProfiles;
class PageRun;
class PortalWindow;

// The browser engine on QtWebEngine: a persistent profile for each account and the guest's
// (EngineProfiles), a silent page for each run on the profile it logs in or out, and, when the
// user opens a page of the portal, the portal window with its tabs on those profiles. While the
// window is open its tabs are kept in a file. The next helper takes the file as it starts, and
// opens those tabs again when the program asks it to, having seen this one end unexpectedly.
class WebEngineBrowser final : public QObject
{
    Q_OBJECT
public:
    // How the run ended, and the portal's cookies it set or changed on the hosts of its page.
    using Done = std::function<void(RunOutcome outcome, const std::vector<EngineChannel::SessionCookie> &cookies)>;

    // How soon after a change of the window's tabs they are written down.
    static constexpr std::chrono::milliseconds kTabSaveDelay{ 300 };

    WebEngineBrowser(const QString &storagePath, const QString &cachePath, const QString &tabsFile,
                     QObject *parent = nullptr);
    ~WebEngineBrowser() override;

    // Runs the steps on a page of the account's profile within the budget; `done` receives the
    // outcome exactly once. Once a run has succeeded, the account's tabs show what it changed.
    // One run at a time. A run of an account the program no longer lists ends Cancelled at once.
    void run(EnginePage page, const QString &account, std::vector<PageStep> steps,
             std::chrono::milliseconds budget, Done done);
    bool isRunning() const { return m_running != nullptr; }
    // Ends the run as timed out now, if one still goes on.
    void cancel();

    // Opens the page in a new tab of the portal window on the account's profile, making the
    // window first when there is none (at the saved geometry), and brings it up; nothing for an
    // account the program no longer lists.
    void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry);
    bool isPortalOpen() const { return !m_portal.isNull(); }
    // A page or a login as the account is likely to follow: its profile is made now, unless it
    // was made before, and a blank page on it starts a renderer, which the engine keeps for the
    // next page. Until another account is named so, its profile outlasts its runs and that page
    // (those of other accounts go as their runs end); then it goes unless a tab shows it.
    void prepare(const QString &account);
    // The user removed the account: its profile goes once no tab shows it.
    void forgetAccount(const QString &account);

    // Opens again the tabs that the helper before this one left behind, those of the accounts
    // and the guest's, without taking the focus from what the user is doing; how many. Once.
    int restoreTabs(const QStringList &accounts);

    // The accounts listed and those of them logged in, for the profiles and the portal window's
    // tab menu.
    void setSessions(const EngineChannel::Sessions &sessions);
    // The renewal of an expired login on a tab's bar (see PortalWindow::showRenewal).
    void showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text);

signals:
    void externalLinkRequested(const QUrl &url);
    void portalGeometryChanged(const QByteArray &geometry);
    void portalClosed();
    // The portal sent a tab of the account to its login form outside the runs on its profile.
    void loginFormShown(const QString &account, quint64 tab, const QUrl &from);
    void renewRequested(const QString &account, quint64 tab);
    // Cookies of the portal's hosts were set in the account's profile or went from it.
    void cookiesChanged(const QString &account, const std::vector<EngineChannel::SessionCookie> &set,
                        const std::vector<EngineChannel::SessionCookie> &gone);

private:
    PortalWindow *portal(const QByteArray &geometry);
    void saveTabs();
    // Deletes the object once control has returned to the event loop, or with the browser.
    void retire(QObject *object);

    // The profiles outlive every page: they are deleted last.
    std::unique_ptr<EngineProfiles> m_profiles;
    QString m_tabsFile;
    // The tabs the helper before this one left behind, until they are restored or let go.
    std::optional<TabRecord> m_leftBehind;
    std::unique_ptr<PageRun> m_running;
    // Whose profile the run going on is on.
    QString m_runningAccount;
    EngineChannel::Sessions m_sessions;
    // Pages and windows taken out of service and not yet deleted; they go before the profiles.
    std::vector<QPointer<QObject>> m_retired;
    QPointer<PortalWindow> m_portal;
    QTimer m_tabSave;
};
