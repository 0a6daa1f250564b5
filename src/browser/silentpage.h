#pragma once

#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>

class QWebEngineLoadingInfo;

// A browser page that is never shown and never asks anything: no dialogs, no new windows,
// no permissions, no downloads, no certificate exceptions, no sound, no console output.
//
// It also tracks whether it is busy: from a navigation it was asked for (or a form it sent)
// until the page has settled, and whether the load that settled it succeeded.
class SilentPage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit SilentPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    // Starts loading a page; the page counts as busy from this call on.
    void navigate(const QUrl &url);
    // A form was sent: the page counts as busy until the navigation it starts has settled,
    // or, should none start, for a short grace period.
    void expectNavigation();
    // Stops whatever is loading.
    void stopLoading();

    bool isBusy() const { return m_awaitingStart || m_loadsInFlight > 0; }
    // Whether the load that last settled the page succeeded (an HTTP error status, a refused
    // connection or a rejected certificate is a failure).
    bool lastLoadSucceeded() const { return m_lastLoadSucceeded; }
    // The address of the document the main frame has finished loading, as the engine reported
    // it then; empty from the moment another load starts. url() follows a commit only a turn of
    // the event loop later, while scripts already go to the new document.
    QUrl committedUrl() const { return m_committed; }

    // Runs a script of the program's in the page's application world, where the page's own
    // scripts can neither see nor replace it. Virtual, for a test to see what reaches the page.
    virtual void runScript(const QString &script, const std::function<void(const QVariant &)> &onResult);

signals:
    // The page is no longer busy.
    void settled();

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                          const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void settleIfIdle();

    int m_loadsInFlight = 0;
    bool m_awaitingStart = false;
    bool m_lastLoadSucceeded = true;
    QUrl m_committed;
    QTimer m_navigationGrace;
};
