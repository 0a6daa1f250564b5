#pragma once

#include "web/enginechannel.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <vector>

// The browser engine behind the hidden host and the portal window: two silent pages and the
// window on one persistent profile. The program's own engine runs in a helper process; tests put
// a fake in its place.
class BrowserEngine : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(RunOutcome outcome)>;

    using QObject::QObject;

    // Runs the steps on one page within the budget; `done` receives the outcome exactly once.
    // The host asks for one run at a time.
    virtual void run(EnginePage page, std::vector<PageStep> steps,
                     std::chrono::milliseconds budget, Done done) = 0;

    // Opens a page of the portal in a new tab of the portal window and brings the window up. A
    // window made for it shows `account` in its title and takes the saved `geometry`.
    virtual void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry) = 0;
    // The portal knows the user as this account now (empty: a guest): an open portal window
    // shows it and reloads its pages.
    virtual void setAccount(const QString &account) = 0;

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
};
