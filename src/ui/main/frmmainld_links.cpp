#include "ui/main/frmmainld.h"

#include "links/frmabout.h"
#include "links/launcher.h"
#include "links/menulinks.h"
#include "tray/windowvisibility.h"

#include <QAction>

namespace {

// Every link entry does only this: hand its page to the desktop, owned by the settings
// window. A page that does not open leaves no trace, so the result is not looked at.
void openLink(const MenuLink *link, QWidget *mainWindow)
{
    if (!link)
        return;
    openDocument(linkUrl(*link), QString(), mainWindow);
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
}

void frmMainLd::mnGoTop_Click()
{
    openLink(&sitelinks::kTop, this);
}

void frmMainLd::mnGoShopping_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kShopping, index), this);
}

void frmMainLd::mnGoInformation_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kInformation, index), this);
}

void frmMainLd::mnGoHobby_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kHobby, index), this);
}

void frmMainLd::mnGoPracticality_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kPracticality, index), this);
}

void frmMainLd::mnGoLife_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kLife, index), this);
}

void frmMainLd::mnGoPartner_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kPartner, index), this);
}

void frmMainLd::mnGoIt_Click(qint16 index)
{
    openLink(linkAt(sitelinks::kIt, index), this);
}

void frmMainLd::mnGoKabu_Click()
{
    openLink(&sitelinks::kKabu, this);
}

void frmMainLd::mnGoCredit_Click()
{
    openLink(&sitelinks::kCredit, this);
}

void frmMainLd::mnGoWoogo_Click()
{
    openLink(&sitelinks::kWoogo, this);
}

void frmMainLd::mnHelp_Click()
{
    openLink(&productlinks::kHelp, this);
}

void frmMainLd::mnNew_Click()
{
    openLink(&productlinks::kNew, this);
}

void frmMainLd::mnSeries_Click(qint16 index)
{
    openLink(linkAt(productlinks::kSeries, index), this);
}

void frmMainLd::mnAbout_Click()
{
    // The box opens on the settings window's top-left corner: remember where that is now.
    RememberMainWindowPosition();
    // A fresh box each time, with no owner window; it destroys itself when it closes.
    auto *box = new frmAbout;
    box->Form_Load();
    box->exec();
}
