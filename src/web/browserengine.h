#pragma once

#include "web/enginechannel.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <vector>

// The browser engine behind the hidden host and the portal window: a persistent profile for each
// account the user logs in as (made at its first login) and one for the guest (empty account),
// silent pages for the runs and the window's tabs on them. The program's own engine runs in a
// helper process; tests put a fake in its place.
class BrowserEngine : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(RunOutcome outcome)>;

    using QObject::QObject;

    // Runs the steps on one page of the account's profile within the budget; `done` receives the
    // outcome exactly once. Once a run has succeeded, the window's tabs of that account show what
    // it changed. The host asks for one run at a time.
    virtual void run(EnginePage page, const QString &account, std::vector<PageStep> steps,
                     std::chrono::milliseconds budget, Done done) = 0;

    // Opens a page of the portal in a new tab of the portal window, on the account's profile, and
    // brings the window up. A window made for it takes the saved `geometry`.
    virtual void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry) = 0;
    // The user removed the account: its profile, with the portal's cookies for it, goes once no
    // tab shows it any more.
    virtual void forgetAccount(const QString &account) = 0;
    // The user is on the way to a page or a login, most likely as this account: an engine that
    // takes a while to start starts now, with the account's profile, so that what follows does
    // not wait for them.
    virtual void prepare(const QString &account) { Q_UNUSED(account); }
    // The accounts listed now and those of them logged in, in the list's order, for the portal
    // window's menus; an engine that runs is told whenever they change.
    virtual void setSessions(const EngineChannel::Sessions &sessions) { Q_UNUSED(sessions); }
    // What the tab whose login expired shows: the offer to log in again, or how that login went.
    virtual void showRenewal(quint64 tab, EngineChannel::RenewalState state, RunOutcome outcome)
    {
        Q_UNUSED(tab);
        Q_UNUSED(state);
        Q_UNUSED(outcome);
    }

signals:
    // The engine could not be started, once for each try: runs asked of it fail, and pages it
    // was to open come back through portalPageNotOpened.
    void unavailable();
    // A page the portal window could not open, because the engine is not there: it is the
    // caller's to open elsewhere.
    void portalPageNotOpened(const QUrl &url);
    // The portal window leaves this page to the default browser.
    void externalLinkRequested(const QUrl &url);
    // The portal window has moved, been resized or closed: its geometry to save.
    void portalGeometryChanged(const QByteArray &geometry);
    // The engine ended unexpectedly with the portal window open, and its tabs have come back.
    void tabsRestored(int tabs);
    // A login run is about to end as done: the portal's cookies it set in its account's profile.
    void loginCookies(const std::vector<EngineChannel::SessionCookie> &cookies);
    // Cookies of the portal's hosts were set in the account's profile or went from it, outside
    // the runs too, and those the profile held as the engine loaded it.
    void cookiesChanged(const QString &account, const std::vector<EngineChannel::SessionCookie> &set,
                        const std::vector<EngineChannel::SessionCookie> &gone);
    // The portal sent a tab of the account to its login form outside any run: its login expired.
    void loginFormShown(const QString &account, quint64 tab);
    // The user asked on that tab for the account's login again.
    void renewRequested(const QString &account, quint64 tab);
};
