#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class BrowserEngine;
class DocumentLauncher;
class ProgramSettings;
class QWidget;
class frmWB;

// Opens the pages of the link menus where they show the login: the portal's pages in the
// portal window, in the profile of the hidden browser host's current account, whose cookies it
// shares; everything else (and every page, when the user chose so) in the default browser. Pages
// that the portal window leaves to the default browser go there too, and so do the pages of an
// engine that cannot be started. The window's geometry is kept in the program's settings.
class PortalLinks : public QObject
{
    Q_OBJECT
public:
    PortalLinks(const frmWB &webHost, ProgramSettings &settings, const DocumentLauncher &launcher,
                QObject *parent = nullptr);

    // Opens a page of a link menu; `ownerWindow` is the window whose menu it came from. Like
    // every link, it reports nothing when the page does not open.
    void open(const QString &url, QWidget *ownerWindow);
    // A menu of links is opening: the engine starts now when its pages would open in the portal
    // window, so that the page chosen does not wait for it.
    void prepare();

signals:
    // Portal pages went to the default browser, where the login does not reach, because the
    // engine could not be started: once for each time it could not.
    void openedWithoutLogin();
    // The engine ended unexpectedly with the portal window open, and the window's tabs have
    // come back.
    void tabsRestored(int tabs);

private:
    // A page the engine leaves to the default browser, which has no owner window.
    void openInDefaultBrowser(const QUrl &url);

    const frmWB &m_webHost;
    BrowserEngine &m_engine;
    ProgramSettings &m_settings;
    const DocumentLauncher &m_launcher;
    // The engine has failed to start since a page last went to the default browser for it.
    bool m_unannouncedFailure = false;
};
