#include "browser/silentpage.h"

#include "browser/pagepolicy.h"

#include <QAuthenticator>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>

namespace {
// How long a sent form may take to start its navigation before the page counts as idle.
constexpr int kNavigationGraceMs = 3000;
} // namespace

SilentPage::SilentPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    QWebEngineSettings *s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    // Nothing shows its icon: it is not fetched.
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    setAudioMuted(true);

    refusePermissionsAndBadCertificates(this);
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator, const QString &) {
                *authenticator = QAuthenticator();
            });
    connect(this, &QWebEnginePage::selectClientCertificate, this,
            [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });

    connect(this, &QWebEnginePage::loadingChanged, this, &SilentPage::onLoadingChanged);
    m_navigationGrace.setSingleShot(true);
    m_navigationGrace.setInterval(kNavigationGraceMs);
    connect(&m_navigationGrace, &QTimer::timeout, this, [this] {
        m_awaitingStart = false;
        settleIfIdle();
    });
}

void SilentPage::navigate(const QUrl &url)
{
    m_awaitingStart = true;
    m_lastLoadSucceeded = true;
    m_committed.clear();
    load(url);
}

void SilentPage::runScript(const QString &script, const std::function<void(const QVariant &)> &onResult)
{
    runJavaScript(script, QWebEngineScript::ApplicationWorld, onResult);
}

void SilentPage::expectNavigation()
{
    m_awaitingStart = true;
    m_lastLoadSucceeded = true;
    m_navigationGrace.start();
}

void SilentPage::stopLoading()
{
    m_navigationGrace.stop();
    m_awaitingStart = false;
    triggerAction(Stop);
}

void SilentPage::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_awaitingStart = false;
        m_navigationGrace.stop();
        m_committed.clear();
        ++m_loadsInFlight;
        return;
    }
    if (m_loadsInFlight > 0)
        --m_loadsInFlight;
    else
        m_awaitingStart = false; // the navigation we asked for failed before it started
    const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
            && info.errorCode() >= 400;
    m_lastLoadSucceeded = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !httpError;
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage())
        m_committed = info.url();
    settleIfIdle();
}

void SilentPage::settleIfIdle()
{
    if (!isBusy())
        emit settled();
}

QWebEnginePage *SilentPage::createWindow(WebWindowType)
{
    return nullptr;
}

QStringList SilentPage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    return {};
}

void SilentPage::javaScriptAlert(const QUrl &, const QString &) { }

bool SilentPage::javaScriptConfirm(const QUrl &, const QString &)
{
    return false;
}

bool SilentPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

void SilentPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                          const QString &)
{
}
