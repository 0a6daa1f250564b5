#include "browser/portalwindow.h"

#include "browser/findbar.h"
#include "browser/portalpage.h"

#include <QAction>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QWebEngineFindTextResult>
#include <QWebEngineView>

namespace {

// How wide a tab's title may grow before it is cut short.
constexpr int kTabTitleWidth = 220;

} // namespace

void PortalWindow::setUpTabs()
{
    m_tabs->setDocumentMode(true);
    m_tabs->setTabsClosable(true);
    m_tabs->setMovable(true);
    m_tabs->setElideMode(Qt::ElideRight);
    // A tab that closes at once, having been opened for a page outside, leaves its opener current.
    m_tabs->tabBar()->setSelectionBehaviorOnRemove(QTabBar::SelectPreviousTab);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &PortalWindow::closeTab);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        m_findBar->dismiss();
        statusBar()->clearMessage();
        updateWindowTitle();
        updateAddress();
        updateNavigation();
        updateLoading();
    });
}

void PortalWindow::reloadTabs()
{
    for (int i = 0; i < m_tabs->count(); ++i)
        static_cast<QWebEngineView *>(m_tabs->widget(i))->reload();
}

QWebEngineView *PortalWindow::addTab(bool makeCurrent)
{
    auto *view = new QWebEngineView;
    auto *page = new PortalPage(m_profile, view);
    view->setPage(page);
    page->setWindowOpener([this](QWebEnginePage::WebWindowType type) {
        return addTab(type != QWebEnginePage::WebBrowserBackgroundTab)->page();
    });

    connect(page, &PortalPage::outsidePageRefused, this, [this, page](const QUrl &url) {
        emit externalLinkRequested(url);
        // A new window opened only for that page would stay empty: it goes, once the engine
        // is done with the navigation it is in.
        if (!page->hasShownPage())
            QTimer::singleShot(0, page, [this, page] { closeTab(indexOf(page)); });
    });
    connect(page, &QWebEnginePage::titleChanged, this, [this, view] { updateTitles(view); });
    connect(page, &QWebEnginePage::urlChanged, this, [this, view] {
        updateTitles(view);
        // What the user is typing stays.
        if (view == currentView() && !(m_address->hasFocus() && m_address->isModified()))
            updateAddress();
    });
    connect(page, &QWebEnginePage::iconChanged, this,
            [this, view](const QIcon &icon) { m_tabs->setTabIcon(m_tabs->indexOf(view), icon); });
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

    const int index = m_tabs->addTab(view, QStringLiteral("新しいタブ"));
    if (makeCurrent)
        m_tabs->setCurrentIndex(index);
    return view;
}

void PortalWindow::closeTab(int index)
{
    auto *view = qobject_cast<QWebEngineView *>(m_tabs->widget(index));
    if (!view)
        return;
    detach(view);
    m_tabs->removeTab(index);
    // The tab may be closing from within one of its own page's signals.
    view->deleteLater();
    if (m_tabs->count() == 0)
        close();
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
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (static_cast<QWebEngineView *>(m_tabs->widget(i))->page() == page)
            return i;
    }
    return -1;
}

QWebEngineView *PortalWindow::currentView() const
{
    return static_cast<QWebEngineView *>(m_tabs->currentWidget());
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
    const int index = m_tabs->indexOf(view);
    if (index < 0)
        return;
    const QString title = titleOf(view);
    QString shortTitle =
            m_tabs->tabBar()->fontMetrics().elidedText(title, Qt::ElideRight, kTabTitleWidth);
    // A tab's text takes "&" for a shortcut mark.
    m_tabs->setTabText(index, shortTitle.replace(QLatin1Char('&'), QLatin1String("&&")));
    m_tabs->setTabToolTip(index, title);
    if (index == m_tabs->currentIndex())
        updateWindowTitle();
}
