#include "web/portallinks.h"

#include "links/linkroute.h"
#include "platform/launcher.h"
#include "store/programsettings.h"
#include "web/browserengine.h"
#include "web/frmwb.h"

#include <utility>

PortalLinks::PortalLinks(const frmWB &webHost, ProgramSettings &settings,
                         const DocumentLauncher &launcher, QObject *parent)
    : QObject(parent)
    , m_webHost(webHost)
    , m_engine(webHost.engine())
    , m_settings(settings)
    , m_launcher(launcher)
{
    connect(&m_engine, &BrowserEngine::externalLinkRequested, this, &PortalLinks::openInDefaultBrowser);
    connect(&m_engine, &BrowserEngine::unavailable, this, [this] { m_unannouncedFailure = true; });
    connect(&m_engine, &BrowserEngine::portalPageNotOpened, this, [this](const QUrl &url) {
        openInDefaultBrowser(url);
        if (std::exchange(m_unannouncedFailure, false))
            emit openedWithoutLogin();
    });
    connect(&m_engine, &BrowserEngine::portalGeometryChanged, this,
            [this](const QByteArray &geometry) { m_settings.setPortalWindowGeometry(geometry); });
    connect(&m_engine, &BrowserEngine::tabsRestored, this, &PortalLinks::tabsRestored);
}

void PortalLinks::prepare()
{
    if (!m_settings.linksInDefaultBrowser())
        m_engine.prepare(m_webHost.currentAccount());
}

void PortalLinks::openInDefaultBrowser(const QUrl &url)
{
    m_launcher.openDocument(url.toString(QUrl::FullyEncoded), QString(), nullptr);
}

void PortalLinks::open(const QString &url, QWidget *ownerWindow)
{
    const QUrl page(url);
    switch (linkPlace(page, m_settings.linksInDefaultBrowser())) {
    case LinkPlace::PortalWindow:
        m_engine.openPortalPage(page, m_webHost.currentAccount(), m_settings.portalWindowGeometry());
        return;
    case LinkPlace::DefaultBrowser:
        m_launcher.openDocument(url, QString(), ownerWindow);
        return;
    }
}
