#include "browser/portaltabs.h"

#include "browser/engineprofiles.h"
#include "browser/portalpage.h"
#include "browser/renewalbar.h"
#include "browser/tabbuttons.h"
#include "browser/tabmenu.h"
#include "browser/tabpane.h"
#include "links/linkroute.h"
#include "ui/common/accountmark.h"
#include "ui/common/caption.h"

#include <QAction>
#include <QIcon>
#include <QPoint>
#include <QPointer>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QWebEngineFindTextResult>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>

namespace {

// How wide a tab's title may grow before it is cut short.
constexpr int kTabTitleWidth = 220;

} // namespace

std::vector<int> tabsToReload(const std::vector<TabState> &tabs, const QString &account)
{
    std::vector<int> reload;
    for (int i = 0; i < int(tabs.size()); ++i) {
        if (tabs[i].account == account && !tabs[i].formAnswer)
            reload.push_back(i);
    }
    return reload;
}

PortalTabs::PortalTabs(EngineProfiles &profiles, QObject *parent)
    : QObject(parent)
    , m_profiles(profiles)
    , m_bar(new QTabBar)
    , m_panes(new QStackedWidget)
{
    m_bar->setObjectName(QStringLiteral("tabs"));
    m_panes->setObjectName(QStringLiteral("pages"));
    m_bar->setDocumentMode(true);
    m_bar->setExpanding(false);
    m_bar->setMovable(true);
    m_bar->setElideMode(Qt::ElideRight);
    // A tab that closes at once, having been opened for a page outside, leaves its opener current.
    m_bar->setSelectionBehaviorOnRemove(QTabBar::SelectPreviousTab);
    connect(m_bar, &QTabBar::currentChanged, this, &PortalTabs::showCurrent);
    connect(m_bar, &QTabBar::tabMoved, this, &PortalTabs::tabsChanged);
    m_bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_bar, &QWidget::customContextMenuRequested, this, &PortalTabs::showMenu);
}

PortalTabs::~PortalTabs()
{
    // Every page goes now, before the profiles, which the owner deletes after the window; the
    // tabs already closed and still waiting for their deletion among them.
    m_bar->disconnect(this);
    const QList<QWebEngineView *> views = m_panes->findChildren<QWebEngineView *>();
    for (QWebEngineView *view : views) {
        detach(view);
        delete view;
    }
}

QWidget *PortalTabs::panes() const
{
    return m_panes;
}

QWebEngineView *PortalTabs::open(const QUrl &url, const QString &account, bool makeCurrent,
                                 const QWebEngineView *source)
{
    QWebEngineProfile *profile = m_profiles.open(account);
    if (!profile)
        return nullptr;
    QWebEngineView *view = addTab(profile, makeCurrent, source);
    view->load(url);
    return view;
}

QWebEngineView *PortalTabs::addTab(QWebEngineProfile *profile, bool makeCurrent, const QWebEngineView *source)
{
    const int sourceIndex = source ? indexOf(source) : -1;
    auto *view = new QWebEngineView;
    auto *pane = new TabPane(TabPane::nextId(), sourceIndex < 0 ? 0 : paneAt(sourceIndex)->id, view);
    m_gestures.watch(view);
    auto *page = new PortalPage(profile, view);
    m_profiles.watch(page);
    view->setPage(page);
    // What a page opens stays on its profile, in a tab after its own.
    page->setWindowOpener([this, profile, view, page](QWebEnginePage::WebWindowType type) {
        QWebEngineView *opened = addTab(profile, type != QWebEnginePage::WebBrowserBackgroundTab, view);
        static_cast<PortalPage *>(opened->page())->setOpenedBy(page);
        return opened->page();
    });
    follow(pane);

    m_panes->addWidget(pane);
    int index = 0;
    {
        // The bar says nothing of the tab (the first one becomes current) before it has its page.
        const QSignalBlocker unfinished(m_bar);
        index = m_bar->insertTab(placeFor(source), QString());
        m_bar->setTabData(index, QVariant::fromValue(static_cast<QWidget *>(pane)));
    }
    TabCloseButton *close = putTabButtons(m_bar, index, accountOf(view));
    connect(close, &QAbstractButton::clicked, this, [this, view] { this->close(indexOf(view)); });
    updateTitles(view);
    if (m_bar->currentIndex() == index)
        showCurrent();
    else if (makeCurrent)
        m_bar->setCurrentIndex(index);
    emit tabsChanged();
    return view;
}

template <typename Sender, typename Signal, typename... Arguments>
void PortalTabs::passOn(const QWebEngineView *view, const Sender *sender, Signal signal,
                        void (PortalTabs::*own)(Arguments...))
{
    connect(sender, signal, this, [this, view, own](Arguments... arguments) {
        if (view == currentView())
            (this->*own)(arguments...);
    });
}

void PortalTabs::follow(TabPane *pane)
{
    QWebEngineView *view = pane->view;
    PortalPage *page = pane->page();
    connect(page, &PortalPage::outsidePageRefused, this,
            [this, page](const QUrl &url, const QUrl &start) { leaveThePortal(page, url, start); });
    connect(page, &PortalPage::sentToLoginForm, this, [this, pane](const QUrl &from) {
        // The guest has no login to renew.
        if (const QString account = accountOf(pane->view); !account.isEmpty())
            emit loginFormShown(pane->id, account, from);
    });
    connect(pane->bar, &RenewalBar::renewRequested, this,
            [this, pane] { emit renewRequested(pane->id, accountOf(pane->view)); });
    connect(page, &QWebEnginePage::titleChanged, this, [this, view] { updateTitles(view); });
    connect(page, &QWebEnginePage::urlChanged, this, [this, view] {
        updateTitles(view);
        emit tabsChanged();
    });
    connect(page, &QWebEnginePage::iconChanged, this,
            [this, view](const QIcon &icon) { m_bar->setTabIcon(indexOf(view), icon); });
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this, page] {
        QTimer::singleShot(0, page, [this, page] { close(indexOf(page)); });
    });
    connect(page, &QWebEnginePage::findTextFinished, this,
            [this, page](const QWebEngineFindTextResult &result) { emit findTextFinished(page, result); });

    passOn(view, page, &QWebEnginePage::urlChanged, &PortalTabs::urlChanged);
    passOn(view, page, &QWebEnginePage::loadStarted, &PortalTabs::loadingChanged);
    passOn(view, page, &QWebEnginePage::loadProgress, &PortalTabs::loadingChanged);
    passOn(view, page, &QWebEnginePage::loadFinished, &PortalTabs::loadingChanged);
    passOn(view, page, &QWebEnginePage::linkHovered, &PortalTabs::linkHovered);
    passOn(view, page->action(QWebEnginePage::Back), &QAction::changed, &PortalTabs::historyChanged);
    passOn(view, page->action(QWebEnginePage::Forward), &QAction::changed, &PortalTabs::historyChanged);
}

int PortalTabs::placeFor(const QWebEngineView *source) const
{
    const int sourceIndex = source ? indexOf(source) : -1;
    if (sourceIndex < 0)
        return m_bar->count();
    const quint64 opener = paneAt(sourceIndex)->id;
    int index = sourceIndex + 1;
    while (index < m_bar->count() && paneAt(index)->opener == opener)
        ++index;
    return index;
}

void PortalTabs::showCurrent()
{
    if (TabPane *pane = paneAt(m_bar->currentIndex()))
        m_panes->setCurrentWidget(pane);
    emit currentChanged();
    emit tabsChanged();
}

void PortalTabs::close(int index)
{
    QWebEngineView *view = viewAt(index);
    if (!view)
        return;
    detach(view);
    m_bar->removeTab(index);
    m_panes->removeWidget(view->parentWidget());
    // The tab may be closing from within one of its own page's signals.
    view->parentWidget()->deleteLater();
    if (m_bar->count() == 0)
        emit lastTabClosed();
    else
        emit tabsChanged();
}

void PortalTabs::closeCurrent()
{
    close(m_bar->currentIndex());
}

void PortalTabs::step(int steps)
{
    if (const int count = m_bar->count(); count > 0)
        m_bar->setCurrentIndex(((m_bar->currentIndex() + steps) % count + count) % count);
}

void PortalTabs::setCurrent(int index)
{
    m_bar->setCurrentIndex(std::min(index, m_bar->count() - 1));
}

void PortalTabs::detach(QWebEngineView *view)
{
    auto *page = static_cast<PortalPage *>(view->page());
    page->setWindowOpener({});
    page->disconnect(this);
    page->action(QWebEnginePage::Back)->disconnect(this);
    page->action(QWebEnginePage::Forward)->disconnect(this);
    page->triggerAction(QWebEnginePage::Stop);
}

void PortalTabs::showMenu(const QPoint &position)
{
    const int index = m_bar->tabAt(position);
    QWebEngineView *view = viewAt(index);
    if (!view)
        return;
    // The tab the menu is for comes forward first, as in browsers.
    m_bar->setCurrentIndex(index);
    const QUrl url = addressOf(view);
    execTabMenu(m_bar, m_bar->mapToGlobal(position), accountOf(view), url, m_listed, m_loggedIn,
                { [this, url, view](const QString &account) { openAs(url, account, view); },
                  [this, url, view](const QStringList &accounts) { openInEach(url, accounts, view); },
                  [this, view] { close(indexOf(view)); } });
}

void PortalTabs::openAs(const QUrl &url, const QString &account, const QWebEngineView *source)
{
    QWebEngineView *view = open(url, account, true, source);
    if (!view)
        return;
    view->setFocus();
    // The page shows as the portal shows it to a visitor; the bar offers the account's login.
    if (!account.isEmpty() && !m_loggedIn.contains(account))
        paneAt(indexOf(view))->bar->offerLogin(account);
}

void PortalTabs::openInEach(const QUrl &url, const QStringList &accounts, const QWebEngineView *source)
{
    QWebEngineView *first = nullptr;
    for (const QString &account : accounts) {
        QWebEngineView *view = open(url, account, !first, source);
        if (!first)
            first = view;
    }
    if (first)
        first->setFocus();
}

void PortalTabs::leaveThePortal(PortalPage *page, const QUrl &url, const QUrl &start)
{
    m_gestures.judge(page, start, [this, url](bool leaves) {
        if (leaves)
            emit externalLinkRequested(url);
        else
            emit outsideAddressKeptBack(url);
    });
    // A new window opened only for that page would stay empty: it goes, once the engine is done
    // with the navigation it is in.
    if (!page->hasShownPage())
        QTimer::singleShot(0, page, [this, page] { close(indexOf(page)); });
}

void PortalTabs::reloadAfterRun(const QString &account)
{
    std::vector<TabState> tabs;
    for (int i = 0; i < m_bar->count(); ++i)
        tabs.push_back({ accountOf(viewAt(i)), paneAt(i)->page()->isFormAnswer() });
    for (const int index : tabsToReload(tabs, account))
        paneAt(index)->page()->reloadAfterRun();
}

void PortalTabs::setAccounts(const QStringList &listed, const QStringList &loggedIn)
{
    m_listed = listed;
    m_loggedIn = loggedIn;
    // A bar that offers a login the account has now (from the tray, say) has nothing to offer.
    for (int i = 0; i < m_bar->count(); ++i) {
        if (TabPane *pane = paneAt(i); loggedIn.contains(accountOf(pane->view)))
            pane->bar->hide();
    }
}

void PortalTabs::showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text)
{
    for (int i = 0; i < m_bar->count(); ++i) {
        if (TabPane *pane = paneAt(i); pane->id == tab)
            pane->showRenewal(accountOf(pane->view), state, text);
    }
}

TabRecord PortalTabs::record() const
{
    TabRecord record;
    for (int i = 0; i < m_bar->count(); ++i) {
        const QWebEngineView *view = viewAt(i);
        const QUrl url = addressOf(view);
        if (isWebAddress(url))
            record.tabs.push_back({ url, accountOf(view) });
        if (i == m_bar->currentIndex())
            record.current = std::max(0, int(record.tabs.size()) - 1);
    }
    return record;
}

bool PortalTabs::holds(const QWebEnginePage *page) const
{
    return indexOf(page) >= 0;
}

int PortalTabs::indexOf(const QWebEnginePage *page) const
{
    for (int i = 0; i < m_bar->count(); ++i) {
        if (viewAt(i)->page() == page)
            return i;
    }
    return -1;
}

int PortalTabs::indexOf(const QWebEngineView *view) const
{
    return view ? indexOf(view->page()) : -1;
}

TabPane *PortalTabs::paneAt(int index) const
{
    return static_cast<TabPane *>(m_bar->tabData(index).value<QWidget *>());
}

QWebEngineView *PortalTabs::viewAt(int index) const
{
    const TabPane *pane = paneAt(index);
    return pane ? pane->view : nullptr;
}

QWebEngineView *PortalTabs::currentView() const
{
    return viewAt(m_bar->currentIndex());
}

QUrl PortalTabs::addressOf(const QWebEngineView *view)
{
    // A tab still on its way to its first page (or that could not load it) is on its way to the
    // address asked for.
    return view->url().isEmpty() ? view->page()->requestedUrl() : view->url();
}

QString PortalTabs::accountOf(const QWebEngineView *view) const
{
    return m_profiles.accountOf(view->page()->profile());
}

QString PortalTabs::titleOf(const QWebEngineView *view) const
{
    if (!view->title().isEmpty())
        return view->title();
    if (!view->url().isEmpty())
        return view->url().toDisplayString();
    return QStringLiteral("新しいタブ");
}

void PortalTabs::updateTitles(const QWebEngineView *view)
{
    const int index = indexOf(view);
    if (index < 0)
        return;
    // The account first, so that it stays when the title is cut short.
    const QString title = QStringLiteral("%1: %2").arg(accountLabel(accountOf(view)), titleOf(view));
    const QString shortTitle = m_bar->fontMetrics().elidedText(title, Qt::ElideRight, kTabTitleWidth);
    m_bar->setTabText(index, literalCaption(shortTitle));
    m_bar->setTabToolTip(index, title);
    if (index == m_bar->currentIndex())
        emit titleChanged();
}
