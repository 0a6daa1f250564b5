#include "browser/portalwindow.h"

#include "browser/engineprofiles.h"
#include "browser/findbar.h"
#include "browser/portalpage.h"
#include "browser/renewalbar.h"
#include "links/linkroute.h"
#include "ui/common/accountmark.h"
#include "ui/common/caption.h"

#include <QAbstractButton>
#include <QAction>
#include <QCommonStyle>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QVBoxLayout>
#include <QWebEngineFindTextResult>
#include <QWebEngineView>

namespace {

// How wide a tab's title may grow before it is cut short.
constexpr int kTabTitleWidth = 220;

// The tab's side where the style puts its close button, and the other, for the account's mark.
QTabBar::ButtonPosition closeSide(const QTabBar *bar)
{
    return QTabBar::ButtonPosition(bar->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, bar));
}

QTabBar::ButtonPosition markSide(const QTabBar *bar)
{
    return closeSide(bar) == QTabBar::LeftSide ? QTabBar::RightSide : QTabBar::LeftSide;
}

// Whether the style draws the mark that closes a tab itself. Fusion and Windows leave it to Qt's
// common base, which has only an old bitmap for it: an orange box, whatever the icon theme.
bool drawsOwnTabCloseMark(const QStyle *style, const QWidget *widget)
{
    const QSize size(style->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, widget),
                     style->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, widget));
    const auto drawnBy = [size](const QStyle *drawing) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QStyleOption option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | QStyle::State_Selected;
        drawing->drawPrimitive(QStyle::PE_IndicatorTabClose, &option, &painter, nullptr);
        return image;
    };
    const QCommonStyle common;
    return drawnBy(style) != drawnBy(&common);
}

// A tab's close button: what the style draws for it, or where that would be the common base's
// bitmap, the style's mark for closing a window (as on the find bar and the renewal bar), on a
// button that rises under the pointer.
class TabCloseButton final : public QAbstractButton
{
public:
    TabCloseButton()
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
        setAttribute(Qt::WA_Hover);
        setToolTip(QStringLiteral("タブを閉じる"));
        setAccessibleName(QStringLiteral("タブを閉じる"));
        m_ownMark = drawsOwnTabCloseMark(style(), this);
        resize(sizeHint());
    }

    QSize sizeHint() const override
    {
        ensurePolished();
        return { style()->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, this),
                 style()->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, this) };
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange)
            m_ownMark = drawsOwnTabCloseMark(style(), this);
        QAbstractButton::changeEvent(event);
    }

    void paintEvent(QPaintEvent *) override
    {
        // The states Qt's own close button gives the style.
        QStyleOption option;
        option.initFrom(this);
        option.state |= QStyle::State_AutoRaise;
        if (isEnabled() && underMouse() && !isDown())
            option.state |= QStyle::State_Raised;
        if (isDown())
            option.state |= QStyle::State_Sunken;
        const auto *bar = qobject_cast<const QTabBar *>(parentWidget());
        if (bar && bar->tabButton(bar->currentIndex(), closeSide(bar)) == this)
            option.state |= QStyle::State_Selected;
        QPainter painter(this);
        if (m_ownMark) {
            style()->drawPrimitive(QStyle::PE_IndicatorTabClose, &option, &painter, this);
            return;
        }
        if (option.state & (QStyle::State_Raised | QStyle::State_Sunken))
            style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
        style()->standardIcon(QStyle::SP_TitleBarCloseButton, &option, this)
                .paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }

private:
    bool m_ownMark = true;
};

// A tab: its page's view, with the renewal bar above it. It knows the tab it was opened from
// (0 for none), so that the tabs opened from one stay together after it.
class TabPane final : public QWidget
{
public:
    TabPane(quint64 tabId, quint64 openerId, QWebEngineView *page)
        : id(tabId)
        , opener(openerId)
        , view(page)
        , bar(new RenewalBar)
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(bar);
        layout->addWidget(view);
        setFocusProxy(view);
    }

    const quint64 id;
    const quint64 opener;
    QWebEngineView *const view;
    RenewalBar *const bar;
};

TabPane *paneOf(const QTabBar *bar, int index)
{
    return static_cast<TabPane *>(bar->tabData(index).value<QWidget *>());
}

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

void PortalWindow::setUpTabs()
{
    m_tabBar->setObjectName(QStringLiteral("tabs"));
    m_pages->setObjectName(QStringLiteral("pages"));
    m_tabBar->setDocumentMode(true);
    m_tabBar->setExpanding(false);
    m_tabBar->setMovable(true);
    m_tabBar->setElideMode(Qt::ElideRight);
    // A tab that closes at once, having been opened for a page outside, leaves its opener current.
    m_tabBar->setSelectionBehaviorOnRemove(QTabBar::SelectPreviousTab);
    connect(m_tabBar, &QTabBar::currentChanged, this, &PortalWindow::showCurrentTab);
    connect(m_tabBar, &QTabBar::tabMoved, this, &PortalWindow::tabsChanged);
    m_tabBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tabBar, &QWidget::customContextMenuRequested, this, &PortalWindow::showTabMenu);
}

void PortalWindow::showCurrentTab()
{
    if (QWidget *pane = paneOf(m_tabBar, m_tabBar->currentIndex()))
        m_pages->setCurrentWidget(pane);
    m_findBar->dismiss();
    statusBar()->clearMessage();
    updateWindowTitle();
    updateAddress();
    updateNavigation();
    updateLoading();
    // The page shown takes the keys, as the one before had them (unless the address bar has).
    if (QWebEngineView *view = currentView(); view && !m_address->hasFocus())
        view->setFocus();
    emit tabsChanged();
}

void PortalWindow::showTabMenu(const QPoint &position)
{
    const int index = m_tabBar->tabAt(position);
    QWebEngineView *view = viewAt(index);
    if (!view)
        return;
    // The tab the menu is for comes forward first, as in browsers.
    m_tabBar->setCurrentIndex(index);
    const QString own = accountOf(view);
    QStringList others = m_profiles.accounts();
    others.prepend(QString()); // the guest's
    others.removeAll(own);

    QMenu menu(this);
    QMenu *otherAccount = menu.addMenu(QStringLiteral("別のアカウントで開く"));
    const QUrl url = addressOf(view);
    otherAccount->setEnabled(!others.isEmpty() && isWebAddress(url));
    for (const QString &account : std::as_const(others)) {
        QAction *action = otherAccount->addAction(accountMark(account), literalCaption(accountLabel(account)));
        connect(action, &QAction::triggered, this,
                [this, url, account, view] { openBeside(url, account, view); });
    }
    QStringList loggedIn = m_sessions;
    loggedIn.removeAll(own);
    QAction *each = menu.addAction(QStringLiteral("すべてのアカウントで開く"));
    each->setEnabled(!loggedIn.isEmpty() && isWebAddress(url));
    connect(each, &QAction::triggered, this, [this, url, loggedIn, view] { openInEach(url, loggedIn, view); });
    menu.addSeparator();
    QAction *close = menu.addAction(QStringLiteral("タブを閉じる"));
    connect(close, &QAction::triggered, this, [this, view] { closeTab(tabIndex(view)); });
    menu.exec(m_tabBar->mapToGlobal(position));
}

void PortalWindow::reloadTabs(const QString &account)
{
    std::vector<TabState> tabs;
    for (int i = 0; i < m_tabBar->count(); ++i) {
        QWebEngineView *view = viewAt(i);
        tabs.push_back({ accountOf(view), static_cast<PortalPage *>(view->page())->isFormAnswer() });
    }
    for (const int index : tabsToReload(tabs, account))
        static_cast<PortalPage *>(viewAt(index)->page())->reloadAfterRun();
}

void PortalWindow::openInEach(const QUrl &url, const QStringList &accounts, const QWebEngineView *source)
{
    QWebEngineView *first = nullptr;
    for (const QString &account : accounts) {
        QWebEngineProfile *profile = m_profiles.profile(account);
        if (!profile)
            continue;
        QWebEngineView *view = addTab(profile, !first, source);
        view->load(url);
        if (!first)
            first = view;
    }
    if (first)
        first->setFocus();
}

void PortalWindow::setSessions(const QStringList &accounts)
{
    m_sessions = accounts;
}

void PortalWindow::showRenewal(quint64 tab, EngineChannel::RenewalState state, const QString &text)
{
    for (int i = 0; i < m_tabBar->count(); ++i) {
        TabPane *pane = paneOf(m_tabBar, i);
        if (pane->id != tab)
            continue;
        switch (state) {
        case EngineChannel::RenewalState::Offer:
            pane->bar->offer(accountOf(pane->view));
            break;
        case EngineChannel::RenewalState::Failed:
            pane->bar->fail(text);
            break;
        case EngineChannel::RenewalState::Done:
            pane->bar->hide();
            static_cast<PortalPage *>(pane->view->page())->goBackFromLoginForm();
            break;
        }
        return;
    }
}

TabRecord PortalWindow::record() const
{
    TabRecord record;
    for (int i = 0; i < m_tabBar->count(); ++i) {
        const QWebEngineView *view = viewAt(i);
        const QUrl url = addressOf(view);
        if (isWebAddress(url))
            record.tabs.push_back({ url, accountOf(view) });
        if (i == m_tabBar->currentIndex())
            record.current = std::max(0, int(record.tabs.size()) - 1);
    }
    record.geometry = saveGeometry();
    return record;
}

int PortalWindow::placeFor(const QWebEngineView *source) const
{
    const int sourceIndex = source ? tabIndex(source) : -1;
    if (sourceIndex < 0)
        return m_tabBar->count();
    const quint64 opener = paneOf(m_tabBar, sourceIndex)->id;
    int index = sourceIndex + 1;
    while (index < m_tabBar->count() && paneOf(m_tabBar, index)->opener == opener)
        ++index;
    return index;
}

QWebEngineView *PortalWindow::addTab(QWebEngineProfile *profile, bool makeCurrent, const QWebEngineView *source)
{
    const int sourceIndex = source ? tabIndex(source) : -1;
    auto *view = new QWebEngineView;
    auto *pane = new TabPane(++m_lastTab, sourceIndex < 0 ? 0 : paneOf(m_tabBar, sourceIndex)->id, view);
    view->installEventFilter(this);
    auto *page = new PortalPage(profile, view);
    m_profiles.watch(page);
    view->setPage(page);
    // What a page opens stays on its profile, in a tab after its own.
    page->setWindowOpener([this, profile, view](QWebEnginePage::WebWindowType type) {
        return addTab(profile, type != QWebEnginePage::WebBrowserBackgroundTab, view)->page();
    });

    connect(page, &PortalPage::outsidePageRefused, this, [this, page](const QUrl &url) {
        leaveThePortal(url);
        // A new window opened only for that page would stay empty: it goes, once the engine
        // is done with the navigation it is in.
        if (!page->hasShownPage())
            QTimer::singleShot(0, page, [this, page] { closeTab(indexOf(page)); });
    });
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
        // What the user is typing stays.
        if (view == currentView() && !(m_address->hasFocus() && m_address->isModified()))
            updateAddress();
        emit tabsChanged();
    });
    connect(page, &QWebEnginePage::iconChanged, this,
            [this, view](const QIcon &icon) { m_tabBar->setTabIcon(tabIndex(view), icon); });
    const auto refreshLoading = [this, view] {
        if (view == currentView())
            updateLoading();
    };
    connect(page, &QWebEnginePage::loadStarted, this, refreshLoading);
    connect(page, &QWebEnginePage::loadProgress, this, refreshLoading);
    connect(page, &QWebEnginePage::loadFinished, this, refreshLoading);
    for (QWebEnginePage::WebAction action : { QWebEnginePage::Back, QWebEnginePage::Forward }) {
        connect(page->action(action), &QAction::changed, this, [this, view] {
            if (view == currentView())
                updateNavigation();
        });
    }
    connect(page, &QWebEnginePage::linkHovered, this, [this, view](const QString &url) {
        if (view == currentView())
            statusBar()->showMessage(url);
    });
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this, page] {
        QTimer::singleShot(0, page, [this, page] { closeTab(indexOf(page)); });
    });
    connect(page, &QWebEnginePage::findTextFinished, this,
            [this, page](const QWebEngineFindTextResult &result) {
                m_findBar->showResult(page, result);
            });

    m_pages->addWidget(pane);
    int index = 0;
    {
        // The bar says nothing of the tab (the first one becomes current) before it has its page.
        const QSignalBlocker unfinished(m_tabBar);
        index = m_tabBar->insertTab(placeFor(source), QString());
        m_tabBar->setTabData(index, QVariant::fromValue(static_cast<QWidget *>(pane)));
    }
    auto *mark = new QLabel;
    const int markSize = m_tabBar->fontMetrics().height() * 2 / 3;
    mark->setPixmap(accountMark(accountOf(view)).pixmap(markSize, markSize));
    mark->setToolTip(accountLabel(accountOf(view)));
    mark->setAccessibleName(QStringLiteral("アカウント: %1").arg(accountLabel(accountOf(view))));
    m_tabBar->setTabButton(index, markSide(m_tabBar), mark);
    auto *close = new TabCloseButton;
    connect(close, &QAbstractButton::clicked, this, [this, view] { closeTab(tabIndex(view)); });
    m_tabBar->setTabButton(index, closeSide(m_tabBar), close);
    updateTitles(view);
    if (m_tabBar->currentIndex() == index)
        showCurrentTab();
    else if (makeCurrent)
        m_tabBar->setCurrentIndex(index);
    emit tabsChanged();
    return view;
}

void PortalWindow::closeTab(int index)
{
    QWebEngineView *view = viewAt(index);
    if (!view)
        return;
    detach(view);
    m_tabBar->removeTab(index);
    m_pages->removeWidget(view->parentWidget());
    // The tab may be closing from within one of its own page's signals.
    view->parentWidget()->deleteLater();
    if (m_tabBar->count() == 0)
        close();
    else
        emit tabsChanged();
}

void PortalWindow::detach(QWebEngineView *view)
{
    auto *page = static_cast<PortalPage *>(view->page());
    page->setWindowOpener({});
    page->disconnect(this);
    page->action(QWebEnginePage::Back)->disconnect(this);
    page->action(QWebEnginePage::Forward)->disconnect(this);
    page->triggerAction(QWebEnginePage::Stop);
}

int PortalWindow::indexOf(const QWebEnginePage *page) const
{
    for (int i = 0; i < m_tabBar->count(); ++i) {
        if (viewAt(i)->page() == page)
            return i;
    }
    return -1;
}

QWebEngineView *PortalWindow::viewAt(int index) const
{
    const TabPane *pane = paneOf(m_tabBar, index);
    return pane ? pane->view : nullptr;
}

QWebEngineView *PortalWindow::currentView() const
{
    return viewAt(m_tabBar->currentIndex());
}

int PortalWindow::tabIndex(const QWebEngineView *view) const
{
    for (int i = 0; i < m_tabBar->count(); ++i) {
        if (viewAt(i) == view)
            return i;
    }
    return -1;
}

QUrl PortalWindow::addressOf(const QWebEngineView *view)
{
    // A tab still on its way to its first page (or that could not load it) is on its way to the
    // address asked for.
    return view->url().isEmpty() ? view->page()->requestedUrl() : view->url();
}

QString PortalWindow::accountOf(const QWebEngineView *view) const
{
    return m_profiles.accountOf(view->page()->profile());
}

QString PortalWindow::titleOf(const QWebEngineView *view) const
{
    if (!view->title().isEmpty())
        return view->title();
    if (!view->url().isEmpty())
        return view->url().toDisplayString();
    return QStringLiteral("新しいタブ");
}

void PortalWindow::updateTitles(QWebEngineView *view)
{
    const int index = tabIndex(view);
    if (index < 0)
        return;
    // The account first, so that it stays when the title is cut short.
    const QString title = QStringLiteral("%1: %2").arg(accountLabel(accountOf(view)), titleOf(view));
    const QString shortTitle = m_tabBar->fontMetrics().elidedText(title, Qt::ElideRight, kTabTitleWidth);
    m_tabBar->setTabText(index, literalCaption(shortTitle));
    m_tabBar->setTabToolTip(index, title);
    if (index == m_tabBar->currentIndex())
        updateWindowTitle();
}
