#include "app/program.h"

#include "links/portallinks.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "web/frmwb.h"

#include <QAction>
#include <QMenu>

Program *Program::s_current = nullptr;

Program::Program()
{
    Q_ASSERT(!s_current);
    s_current = this;
    // Every change of the accounts reaches the tray's menus first, then the settings window's list.
    QObject::connect(&accounts, &Accounts::changed, &accounts, [this] {
        if (m_frmTasktray)
            m_frmTasktray->rebuildAccountMenus();
        if (m_frmMainLd)
            m_frmMainLd->showAccounts();
    });
}

Program::~Program()
{
    m_frmTasktray.reset();
    m_frmMainLd.reset();
    m_portalLinks.reset();
    // Last, so that the browser engine writes its cookies out after every page is gone.
    m_frmWB.reset();
    s_current = nullptr;
}

Program &Program::current()
{
    Q_ASSERT(s_current);
    return *s_current;
}

void Program::Main()
{
    // Every step below reports nothing: a window whose load fails is simply left as it is.
    start(QSystemTrayIcon::isSystemTrayAvailable());
}

void Program::start(bool notificationArea)
{
    shared.editionCode = EditionLivedoor;
    webHost();
    mainLd();
    hasNotificationArea = notificationArea;
    tasktray();
    tasktray().mnChange[shared.editionCode]->setVisible(false);
    ShowEditionSiteMenu();
    RebuildTrayMenus();
    if (!hasNotificationArea)
        ShowMainWindow();
}

frmMainLd &Program::mainLd()
{
    if (!m_frmMainLd) {
        m_frmMainLd = std::make_unique<frmMainLd>(*this);
        m_frmMainLd->Form_Load();
    }
    return *m_frmMainLd;
}

frmTasktray &Program::tasktray()
{
    if (!m_frmTasktray) {
        m_frmTasktray = std::make_unique<frmTasktray>(*this);
        m_frmTasktray->Form_Load();
    }
    return *m_frmTasktray;
}

frmWB &Program::webHost()
{
    if (!m_frmWB) {
        m_frmWB = browserEngine ? std::make_unique<frmWB>(std::move(browserEngine))
                                : std::make_unique<frmWB>();
        m_frmWB->Form_Load();
        // The account the portal knows the user as is remembered, and the tray shows it.
        QObject::connect(m_frmWB.get(), &frmWB::accountChanged, m_frmWB.get(), [this](const QString &id) {
            settings.setLastAccount(id);
            if (m_frmTasktray)
                m_frmTasktray->showAccount(id);
        });
    }
    return *m_frmWB;
}

PortalLinks &Program::portalLinks()
{
    if (!m_portalLinks)
        m_portalLinks = std::make_unique<PortalLinks>(webHost().engine(), settings);
    return *m_portalLinks;
}

void ShowEditionSiteMenu()
{
    Program &program = Program::current();
    const qint16 edition = program.shared.editionCode;
    frmTasktray &tray = program.tasktray();
    if (edition >= 0 && edition < qint16(tray.mnSite.size()))
        tray.mnSite[edition]->menuAction()->setVisible(true);
}

namespace forms {
::frmMainLd &frmMainLd()
{
    return Program::current().mainLd();
}

::frmWB &frmWB()
{
    return Program::current().webHost();
}

::frmTasktray &frmTasktray()
{
    return Program::current().tasktray();
}
} // namespace forms
