#pragma once

#include <QPointer>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEnginePage>

#include <functional>

struct Activation;

// A tab's page. The portal's own pages stay in the window; any other web page a link, a form
// or a script leads to is left to the window, which may hand it to the default browser. Its
// scripts open windows only in answer to the user, and what they write to the console stays in
// the page: the helper's output is the program's.
//
// The page tells when the portal sends it away to its login form (the portal's own redirect, as
// it does when the login has expired), and keeps the address it was sent away from.
//
// In a world of the program's own, which the page's scripts cannot reach, the page notes what
// the user's latest click or key press in it activated: a link, or a form that the user sent.
class PortalPage final : public QWebEnginePage
{
    Q_OBJECT
public:
    using WindowOpener = std::function<QWebEnginePage *(WebWindowType type)>;

    PortalPage(QWebEngineProfile *profile, QObject *parent);

    // Where the page's new windows open; none: they are refused.
    void setWindowOpener(WindowOpener opener) { m_openWindow = std::move(opener); }
    // The page that opened this one as its new window, if any.
    void setOpenedBy(PortalPage *opener) { m_openedBy = opener; }
    PortalPage *openedBy() const { return m_openedBy; }
    // Asks the page what the user's latest click or key press in it activated; `answer` hears
    // it (an empty activation when the page cannot say), unless the page goes first.
    void askActivation(const std::function<void(const Activation &)> &answer);
    // Whether the page has shown anything: not so for a new window whose first address was
    // refused.
    bool hasShownPage() const { return history()->count() > 0; }
    int loadProgress() const { return m_progress; }
    // Whether the page shown is the answer to a form the page sent: loading it again would send
    // the form again.
    bool isFormAnswer() const { return m_formAnswer; }

    // Reloads the page after a login or logout: a login form the portal sends it to now is that
    // run's doing.
    void reloadAfterRun();
    // The address the portal last sent the page away from to its login form; empty once the page
    // has gone back to it.
    QUrl sentAwayFrom() const { return m_sentAwayFrom; }
    // Goes back to the address the portal sent the page away from, if it did.
    void goBackFromLoginForm();

signals:
    // The page was kept from going to this web page outside the portal, on a navigation that
    // began at `start` (the same address unless the portal redirected it there).
    void outsidePageRefused(const QUrl &url, const QUrl &start);
    // The portal sent the page to its login form on its way to this address.
    void sentToLoginForm(const QUrl &from);

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    WindowOpener m_openWindow;
    QPointer<PortalPage> m_openedBy;
    int m_progress = 0;
    bool m_formAnswer = false;
    // Where the navigation going on began, before any redirect.
    QUrl m_navigationStart;
    QUrl m_sentAwayFrom;
    // The next reload, and where the portal sends it, follow a run.
    bool m_reloadAfterRun = false;
    bool m_afterRun = false;
};


