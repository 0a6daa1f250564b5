#include "browser/portalwindow.h"

#include "browser/downloadprompt.h"
#include "browser/engineprofiles.h"
#include "browser/findbar.h"
#include "browser/portalpage.h"
#include "links/linkroute.h"
#include "ui/common/accountmark.h"

#include <QAction>
#include <QChildEvent>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>

namespace {

constexpr int kGeometrySaveDelayMs = 500;
// How long the window says that a typed address does not open.
constexpr int kAddressRefusalMs = 3000;
// How long the window says that it kept an address off the portal from the default browser.
constexpr int kOutsideRefusalMs = 5000;
constexpr QSize kDefaultSize(1024, 768);

} // namespace

PortalWindow::PortalWindow(EngineProfiles &profiles, QWidget *parent)
    : QMainWindow(parent)
    , m_profiles(profiles)
    , m_tabBar(new QTabBar)
    , m_pages(new QStackedWidget)
    , m_toolBar(new QToolBar(QStringLiteral("ナビゲーション")))
    , m_address(new QLineEdit)
    , m_progress(new QProgressBar)
    , m_findBar(new FindBar([this]() -> QWebEnginePage * {
        QWebEngineView *view = currentView();
        return view ? view->page() : nullptr;
    }))
{
    setUpTabs();
    setUpToolBar();
    setUpKeys();
    setUpFindBar();
    setUpLayout();
    setUpStatusBar();

    m_geometrySave.setSingleShot(true);
    m_geometrySave.setInterval(kGeometrySaveDelayMs);
    connect(&m_geometrySave, &QTimer::timeout, this,
            [this] { emit geometryChanged(saveGeometry()); });

    restoreSavedGeometry({});
    updateLoading();
}

PortalWindow::~PortalWindow()
{
    // Every page goes now, before the profiles, which the owner deletes after this window; the
    // tabs already closed and still waiting for their deletion among them.
    m_tabBar->disconnect(this);
    const QList<QWebEngineView *> views = m_pages->findChildren<QWebEngineView *>();
    for (QWebEngineView *view : views) {
        detach(view);
        delete view;
    }
}

void PortalWindow::setUpToolBar()
{
    QToolBar *toolBar = m_toolBar;
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_back = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                QStringLiteral("戻る"));
    m_back->setShortcuts(QKeySequence::Back);
    connect(m_back, &QAction::triggered, this, [this] {
        if (QWebEngineView *view = currentView())
            view->back();
    });
    m_forward = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                   QStringLiteral("進む"));
    m_forward->setShortcuts(QKeySequence::Forward);
    connect(m_forward, &QAction::triggered, this, [this] {
        if (QWebEngineView *view = currentView())
            view->forward();
    });
    m_reloadOrStop = toolBar->addAction(QString());
    connect(m_reloadOrStop, &QAction::triggered, this, [this] {
        QWebEngineView *view = currentView();
        if (view && view->page()->isLoading())
            view->stop();
        else if (view)
            view->reload();
    });
    // The address bar takes an address on Enter; Esc, or a tab shown, puts back the page's.
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setAccessibleName(QStringLiteral("アドレス"));
    connect(m_address, &QLineEdit::returnPressed, this, &PortalWindow::goToTypedAddress);
    m_address->installEventFilter(this);
    toolBar->addWidget(m_address);
    m_openExternally = toolBar->addAction(QStringLiteral("既定のブラウザで開く"));
    connect(m_openExternally, &QAction::triggered, this, [this] {
        if (QWebEngineView *view = currentView(); view && isWebAddress(view->url()))
            emit externalLinkRequested(view->url());
    });
}

void PortalWindow::setUpKeys()
{
    auto *reload = new QAction(this);
    reload->setShortcuts({ QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R) });
    connect(reload, &QAction::triggered, this, [this] {
        if (QWebEngineView *view = currentView())
            view->reload();
    });
    // Enabled only while there is something to stop or close, so that pages get Esc otherwise.
    m_escape = new QAction(this);
    m_escape->setShortcut(Qt::Key_Escape);
    connect(m_escape, &QAction::triggered, this, [this] {
        m_findBar->dismiss();
        if (QWebEngineView *view = currentView())
            view->stop();
    });
    auto *findInPage = new QAction(this);
    findInPage->setShortcuts(QKeySequence::Find);
    connect(findInPage, &QAction::triggered, this, &PortalWindow::showFindBar);
    auto *zoomIn = new QAction(this);
    zoomIn->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Plus),
                           QKeySequence(Qt::CTRL | Qt::Key_Equal) });
    connect(zoomIn, &QAction::triggered, this, [this] { zoom(ZoomDirection::In); });
    auto *zoomOut = new QAction(this);
    zoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    connect(zoomOut, &QAction::triggered, this, [this] { zoom(ZoomDirection::Out); });
    auto *zoomReset = new QAction(this);
    zoomReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(zoomReset, &QAction::triggered, this, [this] { zoom(ZoomDirection::Reset); });
    auto *closeCurrent = new QAction(this);
    closeCurrent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(closeCurrent, &QAction::triggered, this, [this] { closeTab(m_tabBar->currentIndex()); });
    // The next and the previous tab, round the ends, as in browsers. Shift+Tab comes as Backtab.
    auto *nextTab = new QAction(this);
    nextTab->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown) });
    connect(nextTab, &QAction::triggered, this, [this] {
        if (m_tabBar->count() > 0)
            m_tabBar->setCurrentIndex((m_tabBar->currentIndex() + 1) % m_tabBar->count());
    });
    auto *previousTab = new QAction(this);
    previousTab->setShortcuts({ QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                QKeySequence(Qt::CTRL | Qt::Key_PageUp) });
    connect(previousTab, &QAction::triggered, this, [this] {
        if (m_tabBar->count() > 0)
            m_tabBar->setCurrentIndex((m_tabBar->currentIndex() + m_tabBar->count() - 1) % m_tabBar->count());
    });
    addActions({ reload, m_escape, findInPage, zoomIn, zoomOut, zoomReset, closeCurrent, nextTab,
                 previousTab });
}

void PortalWindow::setUpFindBar()
{
    // Once the find bar is hidden, Esc is the page's again where nothing loads, and the focus it
    // had goes back to the page.
    connect(m_findBar, &FindBar::dismissed, this, [this](bool hadFocus) {
        updateLoading();
        if (QWebEngineView *view = currentView(); view && hadFocus)
            view->setFocus();
    });
}

void PortalWindow::setUpLayout()
{
    // As in browsers: the tabs on top, the navigation bar below them, the page, the find bar.
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabBar);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_findBar);
    setCentralWidget(central);
}

void PortalWindow::setUpStatusBar()
{
    m_progress->setTextVisible(false);
    m_progress->setMaximumSize(160, 10);
    m_progress->hide();
    statusBar()->addPermanentWidget(m_progress);
}

void PortalWindow::restoreSavedGeometry(const QByteArray &geometry)
{
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(kDefaultSize);
        return;
    }
    // Room is left for the window's frame on a small screen.
    const QRect available = screen->availableGeometry();
    const QSize size = kDefaultSize.boundedTo(available.size() * 0.9);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

void PortalWindow::openTab(const QUrl &url, const QString &account)
{
    openBeside(url, account, nullptr);
}

void PortalWindow::openBeside(const QUrl &url, const QString &account, const QWebEngineView *source)
{
    QWebEngineProfile *profile = m_profiles.profile(account);
    if (!profile)
        return;
    QWebEngineView *view = addTab(profile, true, source);
    view->load(url);
    bringUp();
    view->setFocus();
}

void PortalWindow::openTabs(const TabRecord &record)
{
    restoreSavedGeometry(record.geometry);
    for (const TabRecord::Tab &tab : record.tabs) {
        if (QWebEngineProfile *profile = m_profiles.profile(tab.account))
            addTab(profile, false)->load(tab.url);
    }
    m_tabBar->setCurrentIndex(std::min(record.current, m_tabBar->count() - 1));
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (QWebEngineView *view = currentView())
        view->setFocus();
}

void PortalWindow::bringUp()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool PortalWindow::handleDownload(QWebEngineDownloadRequest *download)
{
    if (indexOf(download->page()) < 0)
        return false;
    promptForDownload(this, download);
    return true;
}

void PortalWindow::closeEvent(QCloseEvent *event)
{
    m_geometrySave.stop();
    emit geometryChanged(saveGeometry());
    QMainWindow::closeEvent(event);
    emit closed();
}

void PortalWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (isVisible())
        m_geometrySave.start();
}

void PortalWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (isVisible())
        m_geometrySave.start();
}

void PortalWindow::updateWindowTitle()
{
    QWebEngineView *view = currentView();
    QString title = view ? QStringLiteral("%1 - %2").arg(titleOf(view), accountLabel(accountOf(view)))
                         : QString();
    // A window title takes "[*]" for the modified mark; a page's title means it as it is.
    title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(title);
}

void PortalWindow::updateAddress()
{
    QWebEngineView *view = currentView();
    const QUrl url = view ? view->url() : QUrl();
    m_address->setText(url.toDisplayString());
    m_address->setCursorPosition(0);
    m_openExternally->setEnabled(isWebAddress(url));
}

void PortalWindow::goToTypedAddress()
{
    const TypedAddress typed = typedAddress(m_address->text());
    QWebEngineView *view = currentView();
    if (typed.place == LinkPlace::PortalWindow && view) {
        view->load(typed.url);
        view->setFocus();
        return;
    }
    updateAddress();
    if (typed.place == LinkPlace::DefaultBrowser)
        emit externalLinkRequested(typed.url);
    else
        statusBar()->showMessage(QStringLiteral("このアドレスは開けません。"), kAddressRefusalMs);
}

bool PortalWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A page's view shows it in a widget of its own, made as the page first loads (and again
    // when its renderer is replaced): each is watched for the user's clicks and key presses.
    if (qobject_cast<QWebEngineView *>(watched)) {
        if (event->type() == QEvent::ChildAdded) {
            if (QObject *child = static_cast<QChildEvent *>(event)->child(); child->isWidgetType())
                child->installEventFilter(this);
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
        && qobject_cast<QWebEngineView *>(watched->parent())) {
        m_userAction.start();
        m_userActionTaken = false;
    }
    // Esc in an address being typed puts the page's back; otherwise it is the window's (stop, or
    // close the find bar).
    if (watched == m_address && m_address->isModified()
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        // Accepting the override keeps the window's Esc shortcut from taking the key.
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            updateAddress();
            m_address->selectAll();
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void PortalWindow::leaveThePortal(const QUrl &url)
{
    if (takeUserAction())
        emit externalLinkRequested(url);
    else
        statusBar()->showMessage(QStringLiteral("既定のブラウザで開くのを止めました: %1").arg(url.toDisplayString()),
                                 kOutsideRefusalMs);
}

bool PortalWindow::takeUserAction()
{
    if (!m_userAction.isValid() || m_userActionTaken || m_userAction.elapsed() > kUserActionSpan.count())
        return false;
    m_userActionTaken = true;
    return true;
}

void PortalWindow::updateNavigation()
{
    QWebEngineView *view = currentView();
    m_back->setEnabled(view && view->history()->canGoBack());
    m_forward->setEnabled(view && view->history()->canGoForward());
}

void PortalWindow::updateLoading()
{
    QWebEngineView *view = currentView();
    const bool loading = view && view->page()->isLoading();
    m_reloadOrStop->setIcon(
            style()->standardIcon(loading ? QStyle::SP_BrowserStop : QStyle::SP_BrowserReload));
    m_reloadOrStop->setText(loading ? QStringLiteral("中止") : QStringLiteral("再読み込み"));
    m_progress->setValue(loading ? static_cast<PortalPage *>(view->page())->loadProgress() : 100);
    m_progress->setVisible(loading);
    m_escape->setEnabled(loading || !m_findBar->isHidden());
}

void PortalWindow::zoom(ZoomDirection direction)
{
    QWebEngineView *view = currentView();
    if (!view)
        return;
    const qreal factor = nextZoomFactor(view->zoomFactor(), direction);
    view->setZoomFactor(factor);
    statusBar()->showMessage(QStringLiteral("ズーム: %1%").arg(qRound(factor * 100)), 2000);
}

void PortalWindow::showFindBar()
{
    m_findBar->open();
    m_escape->setEnabled(true);
}
