#pragma once

#include "browser/tabrecord.h"
#include "browser/zoomsteps.h"
#include "web/enginechannel.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <chrono>

class EngineProfiles;
class FindBar;
class QAction;
class QLineEdit;
class QProgressBar;
class QStackedWidget;
class QTabBar;
class QToolBar;
class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// Which of the tabs a login or logout of `account` reloads, given each tab's account and whether
// its page answers a form: that account's tabs, but not those that would send their form again.
struct TabState
{
    QString account;
    bool formAnswer = false;
};
std::vector<int> tabsToReload(const std::vector<TabState> &tabs, const QString &account);

// The portal window: an ordinary small browser with tabs, each on the profile of an account (or
// the guest's), so that accounts show side by side. As in browsers, the tabs are on top, the
// navigation bar with the address below them, then the page. A tab's label starts with its account
// and carries the account's colour; the pages a tab opens stay on its profile, in new tabs right
// after it.
//
// A page that leads off the portal hands the address to the default browser only when the user
// has just clicked or pressed a key in one of the window's pages, one address for each such
// action: a script alone cannot push pages into the user's browser. What is kept back shows in
// the status bar.
//
// Each tab has an id, unique in the helper's run, by which the program names it. When the portal
// sends an account's tab to its login form, the window tells the program, which may have it
// offer the renewal of the login on a bar above the tab's page.
class PortalWindow : public QMainWindow
{
    Q_OBJECT
public:
    // How long after a click or a key press in a page an address off the portal may still go to
    // the default browser: as long as the engine's own mark of a user's action lasts.
    static constexpr std::chrono::milliseconds kUserActionSpan{ 5000 };

    explicit PortalWindow(EngineProfiles &profiles, QWidget *parent = nullptr);
    ~PortalWindow() override;

    // Geometry saved by an earlier window (QWidget::saveGeometry bytes); applied before the
    // window is first shown. Empty or unusable: a default size, fitted to the screen, centred.
    void restoreSavedGeometry(const QByteArray &geometry);
    // Opens the page in a new tab on the account's profile, makes it current, shows the window,
    // raises and activates it.
    void openTab(const QUrl &url, const QString &account);
    // Opens the recorded tabs (the window's first) and shows the window without activating it:
    // the user did not ask for it just now, and what has the focus keeps it.
    void openTabs(const TabRecord &record);
    // After a login or logout of the account: its tabs show what changed (see tabsToReload).
    void reloadTabs(const QString &account);
    // The accounts logged in, in the list's order: a tab's page opens in each of the others.
    void setSessions(const QStringList &accounts);
    // The renewal of an expired login, on the tab's bar: offered, done (the tab goes back to the
    // address the portal sent it away from, and the bar goes), or failed with the text given.
    void showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text);
    // The tabs as they are now.
    TabRecord record() const;
    // Takes a download that one of this window's pages asked for: asks where to save it
    // (the user's download folder and the suggested name to begin with) and accepts or cancels
    // it. False when the download is not from one of this window's pages.
    bool handleDownload(QWebEngineDownloadRequest *download);

signals:
    // A page the window does not show itself: hand it to the default browser.
    void externalLinkRequested(const QUrl &url);
    // saveGeometry() shortly after the window was moved or resized, and once more when it closes.
    void geometryChanged(const QByteArray &geometry);
    // A tab was opened, closed, moved or made current, or went to another page.
    void tabsChanged();
    // The window was closed, by the user or by closing its last tab; its owner deletes it.
    void closed();
    // The portal sent the account's tab to its login form on its way to `from`.
    void loginFormShown(quint64 tab, const QString &account, const QUrl &from);
    // ログインし直す was pressed on the tab's bar.
    void renewRequested(quint64 tab, const QString &account);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The steps of making the window, in order.
    void setUpTabs();
    void setUpToolBar();
    // Keys without a button of their own.
    void setUpKeys();
    void setUpFindBar();
    void setUpLayout();
    void setUpStatusBar();

    // The tabs, each a view of a page: these, setUpTabs and reloadTabs are in
    // portalwindow_tabs.cpp.
    // A new tab on the profile; one opened from the tab of `source` goes right after it (see
    // placeFor), any other at the end.
    QWebEngineView *addTab(QWebEngineProfile *profile, bool makeCurrent,
                           const QWebEngineView *source = nullptr);
    // Where a tab opened from the tab of `source` goes: right after it and the tabs it opened
    // before that follow it, so that several keep the order they were opened in; at the end
    // when there is no such tab.
    int placeFor(const QWebEngineView *source) const;
    // The current tab's page shows, and the window's bars show what is on it.
    void showCurrentTab();
    void showTabMenu(const QPoint &position);
    // openTab, for a page opened from the tab of `source`.
    void openBeside(const QUrl &url, const QString &account, const QWebEngineView *source);
    // A new tab for the page in each of the accounts' profiles, in order after the tab of
    // `source`; the first is made current.
    void openInEach(const QUrl &url, const QStringList &accounts, const QWebEngineView *source);
    void closeTab(int index);
    // Cuts the tab's page off from the window and stops it.
    void detach(QWebEngineView *view);
    // A page leads to this address off the portal: it goes to the default browser if the user
    // has just acted in a page, and is kept back otherwise.
    void leaveThePortal(const QUrl &url);
    // Takes the user's latest click or key press in a page, if it is recent and no address has
    // gone for it yet.
    bool takeUserAction();
    int indexOf(const QWebEnginePage *page) const;
    QWebEngineView *currentView() const;
    QString titleOf(const QWebEngineView *view) const;
    QString accountOf(const QWebEngineView *view) const;
    // The tab's page's address, or the one it was asked to load.
    static QUrl addressOf(const QWebEngineView *view);
    QWebEngineView *viewAt(int index) const;
    int tabIndex(const QWebEngineView *view) const;
    void updateTitles(QWebEngineView *view);

    void updateWindowTitle();
    // Brings the window up, as for a page the user asked for.
    void bringUp();
    void updateAddress();
    // Opens what was typed into the address bar: a page of the portal in the current tab, any
    // other web page in the default browser; anything else is refused.
    void goToTypedAddress();
    void updateNavigation();
    void updateLoading();
    // Zooms the current tab one step in, out, or back to its normal size.
    void zoom(ZoomDirection direction);
    void showFindBar();

    EngineProfiles &m_profiles;
    // The tabs, and their pages, one for each tab (the tab's data), the current one shown.
    QTabBar *m_tabBar;
    QStackedWidget *m_pages;
    QToolBar *m_toolBar;
    QAction *m_back;
    QAction *m_forward;
    QAction *m_reloadOrStop;
    QAction *m_openExternally;
    QAction *m_escape;
    QLineEdit *m_address;
    QProgressBar *m_progress;
    FindBar *m_findBar;
    QTimer m_geometrySave;
    // The user's latest click or key press in one of the pages, and whether an address has gone
    // to the default browser for it.
    QElapsedTimer m_userAction;
    bool m_userActionTaken = false;
    QStringList m_sessions;
    // The id of the tab opened last.
    quint64 m_lastTab = 0;
};
