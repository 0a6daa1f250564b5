#pragma once

#include "browser/tabrecord.h"
#include "browser/zoomsteps.h"
#include "web/enginechannel.h"

#include <QByteArray>
#include <QMainWindow>
#include <QTimer>
#include <QWebEnginePage>

#include <memory>

class EngineProfiles;
class FindBar;
class PortalTabs;
class QAction;
class QCloseEvent;
class QEvent;
class QLineEdit;
class QMoveEvent;
class QProgressBar;
class QResizeEvent;
class QToolBar;
class QWebEngineDownloadRequest;

// The portal window: an ordinary small browser with tabs (PortalTabs), each on the profile of an
// account (or the guest's), so that accounts show side by side. As in browsers, the tabs are on
// top, the navigation bar with the address below them, then the page, the find bar and the status
// bar. The window shows what is on the current tab, keeps its geometry, and comes up when the
// user asks for a page.
//
// A page that leads off the portal hands the address to the default browser only when the user's
// own click or key press in that page asked for it (see GestureRule): a script alone cannot push
// pages into the user's browser. What is kept back shows in the status bar.
//
// When the portal sends an account's tab to its login form, the window tells the program, which
// may have it offer the renewal of the login on a bar above the tab's page.
class PortalWindow : public QMainWindow
{
    Q_OBJECT
public:
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
    // The accounts listed, and those of them logged in, in the list's order: a tab's page opens
    // as any other of them, and in each of the others logged in.
    void setAccounts(const QStringList &listed, const QStringList &loggedIn);
    // The renewal of an expired login, on the tab's bar: offered, done (the tab goes back to the
    // address the portal sent it away from, in the place of the login form in its history, and the
    // bar goes), or failed with the text given.
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
    // ログインし直す (or ログイン) was pressed on the tab's bar.
    void renewRequested(quint64 tab, const QString &account);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The steps of making the window, in order.
    void followTabs();
    void setUpToolBar();
    // Keys without a button of their own.
    void setUpKeys();
    void setUpFindBar();
    void setUpLayout();
    void setUpStatusBar();

    // The current tab's page shows, and the window's bars show what is on it.
    void showCurrentTab();
    void updateWindowTitle();
    // Brings the window up, as for a page the user asked for.
    void bringUp();
    void updateAddress();
    // Opens what was typed into the address bar: a page of the portal in the current tab, any
    // other web page in the default browser; anything else is refused.
    void goToTypedAddress();
    void updateNavigation();
    void updateLoading();
    // Has the current tab's page go back, forward, reload or stop.
    void act(QWebEnginePage::WebAction action);
    // Zooms the current tab one step in, out, or back to its normal size.
    void zoom(ZoomDirection direction);
    void showFindBar();

    // Deleted before the window's widgets: every page goes before the profiles.
    std::unique_ptr<PortalTabs> m_tabs;
    QToolBar *m_toolBar;
    QAction *m_back = nullptr;
    QAction *m_forward = nullptr;
    QAction *m_reloadOrStop = nullptr;
    QAction *m_openExternally = nullptr;
    QAction *m_escape = nullptr;
    QLineEdit *m_address;
    QProgressBar *m_progress;
    FindBar *m_findBar;
    QTimer m_geometrySave;
};
