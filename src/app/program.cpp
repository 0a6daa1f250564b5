#include "app/program.h"

#include "web/portallinks.h"
#include "tray/frmtasktray.h"
#include "tray/traypresence.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "web/frmwb.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

Program::Program(std::unique_ptr<SettingsStore> store)
    : m_store(std::move(store))
{
}

Program::~Program()
{
    m_trayPresence.reset();
    m_frmTasktray.reset();
    m_frmMainLd.reset();
    m_portalLinks.reset();
    // Last, so that the browser engine writes its cookies out after every page is gone.
    m_frmWB.reset();
}

void Program::Main(bool startedAtLogin)
{
    // Every step below reports nothing: a window whose load fails is simply left as it is.
    // The notification area is looked for before the windows are made: without one, the icon is
    // made when one appears, since Qt decides what kind of icon to make when it makes it.
    watchNotificationArea();
    const bool notificationArea = m_trayPresence->isAvailable();
    // At login the panel often starts after the program: it is given a moment to come.
    m_awaitingArea = !notificationArea && startedAtLogin;
    start(notificationArea || m_awaitingArea);
    if (m_awaitingArea) {
        QTimer::singleShot(trayWait, m_frmTasktray.get(), [this] {
            m_awaitingArea = false;
            if (!m_trayPresence->isAvailable())
                followNotificationArea(false);
        });
    }
}

void Program::start(bool notificationArea)
{
    shared.editionCode = EditionLivedoor;
    hasNotificationArea = notificationArea;
    closeBoxHides = notificationArea;
    m_areaSeen = notificationArea && !m_awaitingArea;
    makeWindows();
    m_frmTasktray->mnChange[shared.editionCode]->setVisible(false);
    m_frmTasktray->ShowEditionSiteMenu();
    m_frmTasktray->rebuildAccountMenus();
    if (!hasNotificationArea)
        m_visibility->ShowMainWindow();
    watchNotificationArea();
}

void Program::watchNotificationArea()
{
    if (m_trayPresence)
        return;
    m_trayPresence = std::make_unique<TrayPresence>(trayProbe, trayCheckInterval);
    QObject::connect(m_trayPresence.get(), &TrayPresence::changed, m_trayPresence.get(),
                     [this](bool available) { followNotificationArea(available); });
}

void Program::followNotificationArea(bool available)
{
    // A notification area that appears gets the icon (made now if the program started without
    // one, else docked by Qt itself); from then on the close box sends the settings window there
    // again, also while the area is away for a moment (a panel restarting). Without one, the
    // window is the way in.
    hasNotificationArea = available;
    m_areaSeen = m_areaSeen || available;
    closeBoxHides = m_areaSeen;
    if (available && !m_frmTasktray->trayIcon)
        m_frmTasktray->Form_Load();
    if (!available)
        m_visibility->ShowMainWindow();
}

void Program::makeWindows()
{
    if (m_frmMainLd)
        return;
    m_launcher = std::make_unique<DocumentLauncher>(*urlOpener);
    m_frmWB = browserEngine ? std::make_unique<frmWB>(std::move(browserEngine)) : std::make_unique<frmWB>();
    m_frmWB->Form_Load();
    m_portalLinks = std::make_unique<PortalLinks>(m_frmWB->engine(), settings, *m_launcher);
    m_visibility = std::make_unique<WindowVisibility>(shared);
    m_frmTasktray = std::make_unique<frmTasktray>(frmTasktray::Uses{
            shared, accounts, settings, *clipboard, *m_frmWB, *m_portalLinks, *m_visibility,
            trayNotifier.get() });
    m_frmMainLd = std::make_unique<frmMainLd>(frmMainLd::Uses{
            shared, accounts, settings, *messageBoxes, *clipboard, *m_frmWB, *m_portalLinks,
            *m_launcher, *m_visibility, autostart, closeBoxHides,
            [tray = m_frmTasktray.get()] { tray->mnEnd_Click(); } });
    m_visibility->setWindows(*m_frmMainLd, *m_frmMainLd->mnWindowPos, *m_frmTasktray->mnShowMain);

    // Every change of the accounts reaches the tray's menus first, then the settings window's list.
    QObject::connect(&accounts, &Accounts::changed, m_frmTasktray.get(),
                     [tray = m_frmTasktray.get()] { tray->rebuildAccountMenus(); });
    QObject::connect(&accounts, &Accounts::changed, m_frmMainLd.get(),
                     [window = m_frmMainLd.get()] { window->showAccounts(); });
    // The account the portal knows the user as is remembered, and the tray shows it.
    QObject::connect(m_frmWB.get(), &frmWB::accountChanged, m_frmTasktray.get(),
                     [this](const QString &id) {
                         settings.setLastAccount(id);
                         m_frmTasktray->showAccount(id);
                     });

    m_frmMainLd->Form_Load();
    // When Main has found no notification area, the icon waits for one.
    if (!m_trayPresence || m_trayPresence->isAvailable())
        m_frmTasktray->Form_Load();
}

frmMainLd &Program::mainLd()
{
    makeWindows();
    return *m_frmMainLd;
}

frmTasktray &Program::tasktray()
{
    makeWindows();
    return *m_frmTasktray;
}

frmWB &Program::webHost()
{
    makeWindows();
    return *m_frmWB;
}

PortalLinks &Program::portalLinks()
{
    makeWindows();
    return *m_portalLinks;
}

WindowVisibility &Program::visibility()
{
    makeWindows();
    return *m_visibility;
}
