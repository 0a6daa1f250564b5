#include "ui/main/frmmainld.h"

#include "links/menulinks.h"
#include "platform/launcher.h"
#include "store/programsettings.h"
#include "tray/windowvisibility.h"
#include "ui/about/frmabout.h"
#include "web/portallinks.h"

#include <QAction>
#include <QMenu>

namespace {

// The maker's pages go to the desktop, owned by the settings window. A page that does not open
// leaves no trace, so the result is not looked at.
void openMakerPage(const MenuLink *link, const DocumentLauncher &launcher, QWidget *mainWindow)
{
    if (!link)
        return;
    launcher.openDocument(linkUrl(*link), QString(), mainWindow);
}

// Connects element i of a menu control array to handler(i).
template<std::size_t N>
void connectEntries(const std::array<QAction *, N> &entries, frmMainLd *window,
                    void (frmMainLd::*handler)(qint16))
{
    for (std::size_t i = 0; i < N; ++i) {
        const qint16 index = qint16(i);
        QObject::connect(entries[i], &QAction::triggered, window,
                         [window, handler, index] { (window->*handler)(index); });
    }
}

} // namespace

void frmMainLd::connectLinkMenus()
{
    // The browser engine takes a moment to start: it starts as the menu opens, while the user
    // picks a page.
    connect(mnGoSite, &QMenu::aboutToShow, this, [this] { m_uses.portalLinks.prepare(); });
    connect(mnGoTop, &QAction::triggered, this, &frmMainLd::mnGoTop_Click);
    connectEntries(mnGoShopping, this, &frmMainLd::mnGoShopping_Click);
    connectEntries(mnGoInformation, this, &frmMainLd::mnGoInformation_Click);
    connectEntries(mnGoHobby, this, &frmMainLd::mnGoHobby_Click);
    connectEntries(mnGoPracticality, this, &frmMainLd::mnGoPracticality_Click);
    connectEntries(mnGoLife, this, &frmMainLd::mnGoLife_Click);
    connectEntries(mnGoPartner, this, &frmMainLd::mnGoPartner_Click);
    connectEntries(mnGoIt, this, &frmMainLd::mnGoIt_Click);
    connect(mnGoKabu, &QAction::triggered, this, &frmMainLd::mnGoKabu_Click);
    connect(mnGoCredit, &QAction::triggered, this, &frmMainLd::mnGoCredit_Click);
    connect(mnGoWoogo, &QAction::triggered, this, &frmMainLd::mnGoWoogo_Click);

    connect(mnHelp, &QAction::triggered, this, &frmMainLd::mnHelp_Click);
    connect(mnAbout, &QAction::triggered, this, &frmMainLd::mnAbout_Click);
    connect(mnNew, &QAction::triggered, this, &frmMainLd::mnNew_Click);
    connectEntries(mnSeries, this, &frmMainLd::mnSeries_Click);
    connect(mnLinksInBrowser, &QAction::triggered, this, &frmMainLd::mnLinksInBrowser_Click);
}

// The portal's pages open where they show the login, unless the user chose otherwise.
void frmMainLd::openPortalLink(const MenuLink *link)
{
    if (!link)
        return;
    m_uses.portalLinks.open(linkUrl(*link), this);
}

void frmMainLd::mnGoTop_Click()
{
    openPortalLink(&sitelinks::kTop);
}

void frmMainLd::mnGoShopping_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kShopping, index));
}

void frmMainLd::mnGoInformation_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kInformation, index));
}

void frmMainLd::mnGoHobby_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kHobby, index));
}

void frmMainLd::mnGoPracticality_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kPracticality, index));
}

void frmMainLd::mnGoLife_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kLife, index));
}

void frmMainLd::mnGoPartner_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kPartner, index));
}

void frmMainLd::mnGoIt_Click(qint16 index)
{
    openPortalLink(linkAt(sitelinks::kIt, index));
}

void frmMainLd::mnGoKabu_Click()
{
    openPortalLink(&sitelinks::kKabu);
}

void frmMainLd::mnGoCredit_Click()
{
    openPortalLink(&sitelinks::kCredit);
}

void frmMainLd::mnGoWoogo_Click()
{
    openPortalLink(&sitelinks::kWoogo);
}

void frmMainLd::mnHelp_Click()
{
    openMakerPage(&productlinks::kHelp, m_uses.launcher, this);
}

void frmMainLd::mnNew_Click()
{
    openMakerPage(&productlinks::kNew, m_uses.launcher, this);
}

void frmMainLd::mnSeries_Click(qint16 index)
{
    openMakerPage(linkAt(productlinks::kSeries, index), m_uses.launcher, this);
}

void frmMainLd::mnLinksInBrowser_Click()
{
    // The trigger has already flipped the check mark: it shows the new choice.
    m_uses.settings.setLinksInDefaultBrowser(mnLinksInBrowser->isChecked());
    showOption(ProgramSettings::Key::LinksInDefaultBrowser);
}

void frmMainLd::mnAbout_Click()
{
    // The box opens on the settings window's top-left corner: remember where that is now.
    m_uses.visibility.RememberMainWindowPosition();
    // A fresh box each time, with no owner window; it destroys itself when it closes.
    auto *box = new frmAbout(m_uses.shared);
    box->Form_Load();
    box->exec();
}
