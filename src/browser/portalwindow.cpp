#include "browser/portalwindow.h"

#include "browser/downloadprompt.h"
#include "browser/findbar.h"
#include "browser/portalpage.h"
#include "browser/portaltabs.h"
#include "links/linkroute.h"
#include "ui/common/accountmark.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <functional>

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
    , m_tabs(std::make_unique<PortalTabs>(profiles))
    , m_toolBar(new QToolBar(QStringLiteral("ナビゲーション")))
    , m_address(new QLineEdit)
    , m_progress(new QProgressBar)
    , m_findBar(new FindBar([this]() -> QWebEnginePage * {
        QWebEngineView *view = m_tabs->currentView();
        return view ? view->page() : nullptr;
    }))
{
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
    followTabs();
}

PortalWindow::~PortalWindow()
{
    m_tabs->disconnect(this);
}

void PortalWindow::followTabs()
{
    PortalTabs *tabs = m_tabs.get();
    connect(tabs, &PortalTabs::currentChanged, this, &PortalWindow::showCurrentTab);
    connect(tabs, &PortalTabs::titleChanged, this, &PortalWindow::updateWindowTitle);
    connect(tabs, &PortalTabs::urlChanged, this, [this] {
        // What the user is typing stays.
        if (!(m_address->hasFocus() && m_address->isModified()))
            updateAddress();
    });
    connect(tabs, &PortalTabs::loadingChanged, this, &PortalWindow::updateLoading);
    connect(tabs, &PortalTabs::historyChanged, this, &PortalWindow::updateNavigation);
    connect(tabs, &PortalTabs::linkHovered, this, [this](const QString &url) { statusBar()->showMessage(url); });
    connect(tabs, &PortalTabs::findTextFinished, m_findBar, &FindBar::showResult);
    connect(tabs, &PortalTabs::tabsChanged, this, &PortalWindow::tabsChanged);
    connect(tabs, &PortalTabs::lastTabClosed, this, &QWidget::close);
    connect(tabs, &PortalTabs::externalLinkRequested, this, &PortalWindow::externalLinkRequested);
    connect(tabs, &PortalTabs::outsideAddressKeptBack, this, [this](const QUrl &url) {
        statusBar()->showMessage(QStringLiteral("既定のブラウザで開くのを止めました: %1").arg(url.toDisplayString()),
                                 kOutsideRefusalMs);
    });
    connect(tabs, &PortalTabs::loginFormShown, this, &PortalWindow::loginFormShown);
    connect(tabs, &PortalTabs::renewRequested, this, &PortalWindow::renewRequested);
}

void PortalWindow::setUpToolBar()
{
    QToolBar *toolBar = m_toolBar;
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_back = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                QStringLiteral("戻る"));
    m_back->setShortcuts(QKeySequence::Back);
    connect(m_back, &QAction::triggered, this, [this] { act(QWebEnginePage::Back); });
    m_forward = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                   QStringLiteral("進む"));
    m_forward->setShortcuts(QKeySequence::Forward);
    connect(m_forward, &QAction::triggered, this, [this] { act(QWebEnginePage::Forward); });
    m_reloadOrStop = toolBar->addAction(QString());
    connect(m_reloadOrStop, &QAction::triggered, this, [this] {
        QWebEngineView *view = m_tabs->currentView();
        act(view && view->page()->isLoading() ? QWebEnginePage::Stop : QWebEnginePage::Reload);
    });
    // The address bar takes an address on Enter; Esc, or a tab shown, puts back the page's.
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setAccessibleName(QStringLiteral("アドレス"));
    connect(m_address, &QLineEdit::returnPressed, this, &PortalWindow::goToTypedAddress);
    m_address->installEventFilter(this);
    toolBar->addWidget(m_address);
    m_openExternally = toolBar->addAction(QStringLiteral("既定のブラウザで開く"));
    connect(m_openExternally, &QAction::triggered, this, [this] {
        if (QWebEngineView *view = m_tabs->currentView(); view && isWebAddress(view->url()))
            emit externalLinkRequested(view->url());
    });
}

void PortalWindow::setUpKeys()
{
    const struct
    {
        QList<QKeySequence> keys;
        std::function<void()> act;
    } keys[] = {
        { { QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R) }, [this] { act(QWebEnginePage::Reload); } },
        { QKeySequence::keyBindings(QKeySequence::Find), [this] { showFindBar(); } },
        { { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) },
          [this] { zoom(ZoomDirection::In); } },
        { { QKeySequence(Qt::CTRL | Qt::Key_Minus) }, [this] { zoom(ZoomDirection::Out); } },
        { { QKeySequence(Qt::CTRL | Qt::Key_0) }, [this] { zoom(ZoomDirection::Reset); } },
        { { QKeySequence(Qt::CTRL | Qt::Key_W) }, [this] { m_tabs->closeCurrent(); } },
        // The next and the previous tab, round the ends, as in browsers. Shift+Tab comes as Backtab.
        { { QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown) },
          [this] { m_tabs->step(1); } },
        { { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
            QKeySequence(Qt::CTRL | Qt::Key_PageUp) },
          [this] { m_tabs->step(-1); } },
    };
    for (const auto &[sequences, act] : keys) {
        auto *action = new QAction(this);
        action->setShortcuts(sequences);
        connect(action, &QAction::triggered, this, act);
        addAction(action);
    }
    // Enabled only while there is something to stop or close, so that pages get Esc otherwise.
    m_escape = new QAction(this);
    m_escape->setShortcut(Qt::Key_Escape);
    connect(m_escape, &QAction::triggered, this, [this] {
        m_findBar->dismiss();
        act(QWebEnginePage::Stop);
    });
    addAction(m_escape);
}

void PortalWindow::setUpFindBar()
{
    // Once the find bar is hidden, Esc is the page's again where nothing loads, and the focus it
    // had goes back to the page.
    connect(m_findBar, &FindBar::dismissed, this, [this](bool hadFocus) {
        updateLoading();
        if (QWebEngineView *view = m_tabs->currentView(); view && hadFocus)
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
    layout->addWidget(m_tabs->bar());
    layout->addWidget(m_toolBar);
    layout->addWidget(m_tabs->panes(), 1);
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
    QWebEngineView *view = m_tabs->open(url, account, true);
    if (!view)
        return;
    bringUp();
    view->setFocus();
}

void PortalWindow::openTabs(const TabRecord &record)
{
    restoreSavedGeometry(record.geometry);
    for (const TabRecord::Tab &tab : record.tabs)
        m_tabs->open(tab.url, tab.account, false);
    m_tabs->setCurrent(record.current);
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (QWebEngineView *view = m_tabs->currentView())
        view->setFocus();
}

void PortalWindow::reloadTabs(const QString &account)
{
    m_tabs->reloadAfterRun(account);
}

void PortalWindow::setAccounts(const QStringList &listed, const QStringList &loggedIn)
{
    m_tabs->setAccounts(listed, loggedIn);
}

void PortalWindow::showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text)
{
    m_tabs->showRenewal(tab, state, text);
}

TabRecord PortalWindow::record() const
{
    TabRecord record = m_tabs->record();
    record.geometry = saveGeometry();
    return record;
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
    if (!m_tabs->holds(download->page()))
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

void PortalWindow::showCurrentTab()
{
    m_findBar->dismiss();
    statusBar()->clearMessage();
    updateWindowTitle();
    updateAddress();
    updateNavigation();
    updateLoading();
    // The page shown takes the keys, as the one before had them (unless the address bar has).
    if (QWebEngineView *view = m_tabs->currentView(); view && !m_address->hasFocus())
        view->setFocus();
}

void PortalWindow::updateWindowTitle()
{
    QWebEngineView *view = m_tabs->currentView();
    QString title = view ? QStringLiteral("%1 - %2").arg(m_tabs->titleOf(view), accountLabel(m_tabs->accountOf(view)))
                         : QString();
    // A window title takes "[*]" for the modified mark; a page's title means it as it is.
    title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(title);
}

void PortalWindow::updateAddress()
{
    QWebEngineView *view = m_tabs->currentView();
    const QUrl url = view ? view->url() : QUrl();
    m_address->setText(url.toDisplayString());
    m_address->setCursorPosition(0);
    m_openExternally->setEnabled(isWebAddress(url));
}

void PortalWindow::goToTypedAddress()
{
    const TypedAddress typed = typedAddress(m_address->text());
    QWebEngineView *view = m_tabs->currentView();
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

void PortalWindow::updateNavigation()
{
    QWebEngineView *view = m_tabs->currentView();
    m_back->setEnabled(view && view->history()->canGoBack());
    m_forward->setEnabled(view && view->history()->canGoForward());
}

void PortalWindow::updateLoading()
{
    QWebEngineView *view = m_tabs->currentView();
    const bool loading = view && view->page()->isLoading();
    m_reloadOrStop->setIcon(
            style()->standardIcon(loading ? QStyle::SP_BrowserStop : QStyle::SP_BrowserReload));
    m_reloadOrStop->setText(loading ? QStringLiteral("中止") : QStringLiteral("再読み込み"));
    m_progress->setValue(loading ? static_cast<PortalPage *>(view->page())->loadProgress() : 100);
    m_progress->setVisible(loading);
    m_escape->setEnabled(loading || !m_findBar->isHidden());
}

void PortalWindow::act(QWebEnginePage::WebAction action)
{
    if (QWebEngineView *view = m_tabs->currentView())
        view->triggerPageAction(action);
}

void PortalWindow::zoom(ZoomDirection direction)
{
    QWebEngineView *view = m_tabs->currentView();
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
