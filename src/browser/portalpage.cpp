#include "browser/portalpage.h"

#include "browser/gesturerule.h"
#include "browser/pageactions.h"
#include "browser/pagepolicy.h"
#include "browser/scriptliteral.h"
#include "links/linkroute.h"

#include <QVariantMap>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <utility>

namespace {

// Notes what the user's latest click or key press activated: the link clicked (or opened with
// the keyboard, or with the middle button, or whose menu was opened), or the form that the user
// sent with a click or Enter. Only the engine's own events of the user count (isTrusted): a
// script can neither make one nor reach this world.
constexpr char kActivationWatch[] = R"(
(function () {
    var latest = null;
    var touched = null;
    var enter = false;
    function linkOf(node) {
        for (; node; node = node.parentNode) {
            if ((node.localName === 'a' || node.localName === 'area') && node.hasAttribute('href'))
                return node;
        }
        return null;
    }
    function pressed(event) {
        if (!event.isTrusted) return;
        latest = null;
        touched = event.target;
        enter = event.type === 'keydown' && event.key === 'Enter';
    }
    function activated(event) {
        if (!event.isTrusted) return;
        var link = linkOf(event.target);
        if (!link) return;
        var href = typeof link.href === 'string' ? link.href : link.href.baseVal;
        latest = { target: new URL(href, document.baseURI).href, form: false };
    }
    function sent(event) {
        var form = event.target;
        var submitter = event.submitter;
        var clicked = submitter && touched && (submitter === touched || submitter.contains(touched));
        var entered = enter && touched && form.contains(touched);
        if (!event.isTrusted || !(clicked || entered)) return;
        latest = { target: (submitter && submitter.formAction) || form.action, form: true };
    }
    addEventListener('mousedown', pressed, true);
    addEventListener('keydown', pressed, true);
    addEventListener('click', activated, true);
    addEventListener('auxclick', activated, true);
    addEventListener('contextmenu', activated, true);
    addEventListener('submit', sent, true);
    window.yorumiActivation = function () { return latest; };
})();
)";

} // namespace

PortalPage::PortalPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    // Addresses of other programs (mail and the like) stay unopened: this process never hands
    // anything to the desktop itself.
    settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    // A script opens a window only in answer to the user's click or key press.
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);

    QWebEngineScript watch;
    watch.setName(QStringLiteral("yorumi-activation"));
    watch.setSourceCode(QString::fromLatin1(kActivationWatch));
    watch.setWorldId(QWebEngineScript::ApplicationWorld);
    watch.setInjectionPoint(QWebEngineScript::DocumentCreation);
    watch.setRunsOnSubFrames(false);
    scripts().insert(watch);

    refusePermissionsAndBadCertificates(this);
    setJapaneseActionTexts(this);
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_progress = 0; });
    connect(this, &QWebEnginePage::loadProgress, this,
            [this](int progress) { m_progress = progress; });
}

QWebEnginePage *PortalPage::createWindow(WebWindowType type)
{
    return m_openWindow ? m_openWindow(type) : nullptr;
}

bool PortalPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // What the user or the program asked for directly is let through; where the portal's pages
    // lead is checked. The engine goes to some addresses that Qt cannot read (a host whose name
    // ends in '-'), which reach here empty: nothing shows they are the portal's, so they are kept
    // out with the web pages outside it.
    const bool asked = type == NavigationTypeTyped || type == NavigationTypeReload
            || type == NavigationTypeBackForward;
    const bool outside = !isPortalPage(url) && (isWebAddress(url) || !url.isValid());
    if (isMainFrame && !asked && outside) {
        emit outsidePageRefused(url, type == NavigationTypeRedirect ? m_navigationStart : url);
        return false;
    }
    // A reload or a step back or forward shows the same kind of page again; any other
    // navigation shows a new one.
    if (isMainFrame && type != NavigationTypeReload && type != NavigationTypeBackForward)
        m_formAnswer = type == NavigationTypeFormSubmitted;
    if (!isMainFrame)
        return true;
    if (type != NavigationTypeRedirect) {
        m_navigationStart = url;
        // Any other navigation takes the place of the reload a run asked for.
        const bool reloadAfterRun = std::exchange(m_reloadAfterRun, false);
        m_afterRun = reloadAfterRun && type == NavigationTypeReload;
        return true;
    }
    // The user who goes to the login form on purpose goes there directly: only the portal's
    // redirect of a page elsewhere tells of an expired login.
    if (isLoginForm(url) && !isLoginForm(m_navigationStart) && isWebAddress(m_navigationStart) && !m_afterRun) {
        m_sentAwayFrom = m_navigationStart;
        emit sentToLoginForm(m_sentAwayFrom);
    }
    return true;
}

void PortalPage::askActivation(const std::function<void(const Activation &)> &answer)
{
    runJavaScript(QStringLiteral("window.yorumiActivation ? window.yorumiActivation() : null"),
                  QWebEngineScript::ApplicationWorld, [answer](const QVariant &result) {
                      const QVariantMap found = result.toMap();
                      answer(Activation{ QUrl(found.value(QStringLiteral("target")).toString()),
                                         found.value(QStringLiteral("form")).toBool() });
                  });
}

void PortalPage::reloadAfterRun()
{
    m_reloadAfterRun = true;
    triggerAction(Reload);
}

void PortalPage::goBackFromLoginForm()
{
    if (m_sentAwayFrom.isEmpty())
        return;
    const QUrl back = std::exchange(m_sentAwayFrom, QUrl());
    if (!isLoginForm(url())) {
        load(back);
        return;
    }
    // The page takes the login form's place in the tab's history, so that going back leads to the
    // page before, not to the form. Whatever still loads (the reload after the login) gives way.
    triggerAction(Stop);
    runJavaScript(QStringLiteral("location.replace(%1)").arg(scriptLiteral(back.toString(QUrl::FullyEncoded))),
                  QWebEngineScript::ApplicationWorld);
}


void PortalPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) { }
