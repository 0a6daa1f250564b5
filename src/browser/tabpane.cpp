#include "browser/tabpane.h"

#include "browser/portalpage.h"
#include "browser/renewalbar.h"

#include <QString>
#include <QVBoxLayout>
#include <QWebEngineView>

quint64 TabPane::nextId()
{
    static quint64 last = 0;
    return ++last;
}

TabPane::TabPane(quint64 tabId, quint64 openerId, QWebEngineView *page)
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

PortalPage *TabPane::page() const
{
    return static_cast<PortalPage *>(view->page());
}

void TabPane::showRenewal(const QString &account, EngineChannel::RenewalState state, const QString &text)
{
    switch (state) {
    case EngineChannel::RenewalState::Offer:
        bar->offer(account);
        break;
    case EngineChannel::RenewalState::Failed:
        bar->fail(text);
        break;
    case EngineChannel::RenewalState::Done:
        bar->hide();
        page()->goBackFromLoginForm();
        break;
    }
}
