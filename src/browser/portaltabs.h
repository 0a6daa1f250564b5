#pragma once

#include "browser/gesturerule.h"
#include "browser/tabrecord.h"
#include "web/enginechannel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

class EngineProfiles;
class PortalPage;
class QPoint;
class QStackedWidget;
class QTabBar;
class QWebEngineFindTextResult;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;
class TabPane;

// Which of the tabs a login or logout of `account` reloads, given each tab's account and whether
// its page answers a form: that account's tabs, but not those that would send their form again.
struct TabState
{
    QString account;
    bool formAnswer = false;
};
std::vector<int> tabsToReload(const std::vector<TabState> &tabs, const QString &account);

// The portal window's tabs: the tab bar, and a pane for each tab with the tab's page and the
// renewal bar above it, one shown at a time. Each tab is on the profile of an account (or the
// guest's); its label starts with the account and carries its colour, and the pages a tab opens
// stay on its profile, in new tabs right after it. Each tab has an id, unique in the helper's run,
// by which the program names it.
//
// It speaks for the current tab: what its page does that the window shows (its title, address,
// loading, history, the link under the pointer) is passed on only while its tab is current, so
// the window never asks whose page a signal came from. What concerns every tab (the tabs as a
// whole, an address off the portal, an expired login) comes from any.
class PortalTabs final : public QObject
{
    Q_OBJECT
public:
    explicit PortalTabs(EngineProfiles &profiles, QObject *parent = nullptr);
    // Every page goes with the tabs, before the profiles.
    ~PortalTabs() override;

    QTabBar *bar() const { return m_bar; }
    QWidget *panes() const;

    // A new tab that loads the page on the account's profile, made current if asked. One opened
    // from the tab of `source` goes right after it and the tabs it opened before (so that several
    // keep the order they were opened in), any other at the end. Nothing when the account's
    // profile cannot be made.
    QWebEngineView *open(const QUrl &url, const QString &account, bool makeCurrent,
                         const QWebEngineView *source = nullptr);
    void close(int index);
    void closeCurrent();
    // Makes the tab `steps` after the current one current, round the ends.
    void step(int steps);
    void setCurrent(int index);
    QWebEngineView *currentView() const;
    // Whose profile the tab's page is on; empty for the guest's.
    QString accountOf(const QWebEngineView *view) const;
    QString titleOf(const QWebEngineView *view) const;
    bool holds(const QWebEnginePage *page) const;

    // After a login or logout of the account: its tabs show what changed (see tabsToReload).
    void reloadAfterRun(const QString &account);
    // The accounts listed, and those of them logged in, in the list's order, for the tab menu. The
    // tabs of an account logged in offer no login on their bars.
    void setAccounts(const QStringList &listed, const QStringList &loggedIn);
    // The renewal of an expired login, on the tab's bar (see PortalWindow::showRenewal).
    void showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text);
    // The tabs as they are now (without the window's geometry).
    TabRecord record() const;

signals:
    // Of the current tab: another tab became current (or none is left), its title or account,
    // its address, its loading, its history changed, or its page shows where a link leads.
    void currentChanged();
    void titleChanged();
    void urlChanged();
    void loadingChanged();
    void historyChanged();
    void linkHovered(const QString &url);
    // Of any tab.
    void findTextFinished(const QWebEnginePage *page, const QWebEngineFindTextResult &result);
    // A tab was opened, closed, moved or made current, or went to another page.
    void tabsChanged();
    void lastTabClosed();
    // A page the user's own action leads to off the portal: for the default browser.
    void externalLinkRequested(const QUrl &url);
    // A page off the portal that was kept back: no action of the user's asked for it.
    void outsideAddressKeptBack(const QUrl &url);
    // The portal sent the account's tab to its login form on its way to `from`.
    void loginFormShown(quint64 tab, const QString &account, const QUrl &from);
    // ログインし直す (or ログイン) was pressed on the tab's bar.
    void renewRequested(quint64 tab, const QString &account);

private:
    QWebEngineView *addTab(QWebEngineProfile *profile, bool makeCurrent, const QWebEngineView *source);
    // Connects the page's signals: their own for every tab, those passed on for the current one.
    void follow(TabPane *pane);
    // Passes the sender's signal on as one of the tabs' own while the view's tab is current.
    template <typename Sender, typename Signal, typename... Arguments>
    void passOn(const QWebEngineView *view, const Sender *sender, Signal signal,
                void (PortalTabs::*own)(Arguments...));
    int placeFor(const QWebEngineView *source) const;
    void showCurrent();
    void showMenu(const QPoint &position);
    // The page in a new current tab after the tab of `source`, as the account; one that is not
    // logged in offers its login on the tab's bar.
    void openAs(const QUrl &url, const QString &account, const QWebEngineView *source);
    // A new tab for the page in each of the accounts' profiles, in order after the tab of
    // `source`; the first is made current.
    void openInEach(const QUrl &url, const QStringList &accounts, const QWebEngineView *source);
    // The page was kept from an address off the portal: it goes if the user's action in the page
    // (or, for a new window that shows nothing yet, in the page that opened it) asked for it.
    void leaveThePortal(PortalPage *page, const QUrl &url, const QUrl &start);
    // Cuts the tab's page off from the tabs and stops it.
    void detach(QWebEngineView *view);
    int indexOf(const QWebEnginePage *page) const;
    int indexOf(const QWebEngineView *view) const;
    QWebEngineView *viewAt(int index) const;
    TabPane *paneAt(int index) const;
    void updateTitles(const QWebEngineView *view);
    // The tab's page's address, or the one it was asked to load.
    static QUrl addressOf(const QWebEngineView *view);

    EngineProfiles &m_profiles;
    QTabBar *m_bar;
    QStackedWidget *m_panes;
    GestureRule m_gestures;
    QStringList m_listed;
    QStringList m_loggedIn;
};
