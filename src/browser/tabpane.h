#pragma once

#include "web/enginechannel.h"

#include <QWidget>

class PortalPage;
class QString;
class QWebEngineView;
class RenewalBar;

// A tab of the portal window: its page's view, with the renewal bar above it. It knows the tab it
// was opened from (0 for none), so that the tabs opened from one stay together after it.
class TabPane final : public QWidget
{
public:
    TabPane(quint64 tabId, quint64 openerId, QWebEngineView *page);
    // A tab's id, never given twice while the helper runs, whichever window the tab is in: the
    // program answers a tab's renewal, and pauses its automatic renewals, by it.
    static quint64 nextId();

    PortalPage *page() const;
    // The renewal of the account's expired login: offered, done (the page goes back to where the
    // portal sent it away from, in the login form's place, and the bar goes), or failed with the
    // text given.
    void showRenewal(const QString &account, EngineChannel::RenewalState state, const QString &text);

    const quint64 id;
    const quint64 opener;
    QWebEngineView *const view;
    RenewalBar *const bar;
};
