#include "tray/traymenu.h"

#include "tray/traytexts.h"

#include "links/menulinks.h"
#include "store/accounts.h"
#include "ui/common/caption.h"
#include "ui/common/sharedvalues.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

using Entries = TrayMenuEntries;

const QString kLoginAll = QStringLiteral("すべてのアカウントでログイン");
const QString kLogoutAll = QStringLiteral("すべてのアカウントからログアウト");

// The rows of the menu, top to bottom, each an entry, a separator or a submenu. Where the
// menu opens below the pointer the notification area's host shows them in reverse.
struct Row
{
    enum Kind { Entry, Line, Submenu, Families } kind;
    const char *caption = nullptr;
    QAction *Entries::*action = nullptr;
    QMenu *Entries::*menu = nullptr;
    void (TrayMenu::*request)() = nullptr;
};
const Row kRows[] = {
    { Row::Entry, "終了", &Entries::mnEnd, nullptr, &TrayMenu::endRequested },
    { Row::Line, nullptr, &Entries::mnLine1 },
    // The sites of the editions and the edition switch, defined hidden (one site shown).
    { Row::Families },
    { Row::Line, nullptr, &Entries::mnLine2 },
    { Row::Entry, "設定画面", &Entries::mnShowMain, nullptr, &TrayMenu::showMainRequested },
    { Row::Line, nullptr, &Entries::mnLine3 },
    { Row::Submenu, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ", nullptr, &Entries::mnClipboardP },
    { Row::Entry, "ログアウト", &Entries::mnLogout, nullptr, &TrayMenu::logoutRequested },
    { Row::Submenu, "ログイン", nullptr, &Entries::mnLoginP },
};
const char *const kSiteCaptions[] = { "ヤフー", "楽天", "ビッダーズ", "ライブドア" };
const char *const kChangeCaptions[] = { "＠ヤフー", "＠楽天", "＠ビッダーズ", "＠ライブドア" };

QAction *templateItem(QMenu *menu)
{
    QAction *item = menu->addSeparator();
    item->setText(QStringLiteral("-"));
    return item;
}

void buildFamilies(Entries &entries, TrayMenu *menu)
{
    for (int edition = 0; edition < int(entries.mnSite.size()); ++edition) {
        entries.mnSite[edition] = entries.mnLeft->addMenu(QString::fromUtf8(kSiteCaptions[edition]));
        entries.mnSite[edition]->setObjectName(QStringLiteral("mnSite(%1)").arg(edition));
        entries.mnSite[edition]->menuAction()->setVisible(false);
    }
    QObject::connect(entries.mnSite[EditionLivedoor], &QMenu::aboutToShow, menu, &TrayMenu::siteMenuOpening);
    for (qint16 i = 0; i < qint16(entries.mnSiteLD.size()); ++i) {
        const MenuLink &link = traylinks::kLivedoor[std::size_t(i)];
        entries.mnSiteLD[i] = entries.mnSite[EditionLivedoor]->addAction(QString::fromUtf8(link.caption), menu,
                                                                         [menu, i] { emit menu->siteRequested(i); });
    }
    entries.mnChangeP = entries.mnLeft->addMenu(QStringLiteral("切替"));
    entries.mnChangeP->menuAction()->setVisible(false);
    for (qint16 i = 0; i < qint16(entries.mnChange.size()); ++i)
        entries.mnChange[i] = entries.mnChangeP->addAction(QString::fromUtf8(kChangeCaptions[i]), menu,
                                                           [menu, i] { emit menu->changeRequested(i); });
}

} // namespace

TrayMenu::TrayMenu(TrayMenuEntries &entries, QWidget *parent)
    : QObject(parent)
    , m_entries(entries)
{
    entries.mnLeft = new QMenu(parent);
    entries.mnLeft->setObjectName(QStringLiteral("mnLeft"));
    connect(entries.mnLeft, &QMenu::aboutToShow, this, &TrayMenu::opening);
    for (const Row &row : kRows) {
        switch (row.kind) {
        case Row::Entry:
            entries.*row.action = entries.mnLeft->addAction(QString::fromUtf8(row.caption), this, row.request);
            break;
        case Row::Line:
            entries.*row.action = entries.mnLeft->addSeparator();
            break;
        case Row::Submenu:
            entries.*row.menu = entries.mnLeft->addMenu(QString::fromUtf8(row.caption));
            break;
        case Row::Families:
            buildFamilies(entries, this);
            break;
        }
    }
    entries.mnShowMain->setCheckable(true);
    entries.mnClipboardP->setObjectName(QStringLiteral("mnClipboardP"));
    entries.mnClipboard.insert(TrayMenuEntries::kTemplateIndex, templateItem(entries.mnClipboardP));
    entries.mnLoginP->setObjectName(QStringLiteral("mnLoginP"));
    connect(entries.mnLoginP, &QMenu::aboutToShow, this, &TrayMenu::loginMenuOpening);
    entries.mnLogin.insert(TrayMenuEntries::kTemplateIndex, templateItem(entries.mnLoginP));
    entries.mnLoginLine = entries.mnLoginP->addSeparator();
    entries.mnLoginAll = entries.mnLoginP->addAction(kLoginAll, this, &TrayMenu::loginAllRequested);
    entries.mnLogoutAll = entries.mnLoginP->addAction(kLogoutAll, this, &TrayMenu::logoutAllRequested);
    // A shortened ID shows whole in its entry's tip.
    for (QMenu *submenu : { entries.mnClipboardP, entries.mnLoginP })
        submenu->setToolTipsVisible(true);
}

void TrayMenu::showAccounts(const QStringList &ids)
{
    Entries &e = m_entries;
    for (QMap<qint16, QAction *> *family : { &e.mnLogin, &e.mnClipboard }) {
        for (auto it = family->begin(); it != family->end();) {
            if (it.key() == TrayMenuEntries::kTemplateIndex) {
                ++it;
                continue;
            }
            delete it.value();
            it = family->erase(it);
        }
    }
    m_ids = ids;
    qint16 listed = 0;
    for (const QString &id : ids) {
        if (isBlankId(id))
            break;
        const qint16 slot = listed++;
        const QString caption = literalCaption(shortenedId(id));
        // Before the every-account entries; checked while the account is logged in.
        auto *login = new QAction(caption, e.mnLoginP);
        login->setCheckable(true);
        connect(login, &QAction::triggered, this, [this, slot] { emit loginRequested(slot); });
        e.mnLoginP->insertAction(e.mnLoginLine, login);
        e.mnLogin.insert(slot, login);
        QAction *copy = e.mnClipboardP->addAction(caption, this, [this, slot] { emit copyRequested(slot); });
        e.mnClipboard.insert(slot, copy);
        for (QAction *entry : { login, copy }) {
            entry->setToolTip(id);
            entry->setStatusTip(id);
        }
    }
    const bool any = listed > 0;
    e.mnClipboardP->setEnabled(any);
    e.mnLoginP->setEnabled(any);
    e.mnClipboard.value(TrayMenuEntries::kTemplateIndex)->setVisible(!any);
    e.mnLogin.value(TrayMenuEntries::kTemplateIndex)->setVisible(!any);
    for (QAction *entry : { e.mnLoginLine, e.mnLoginAll, e.mnLogoutAll })
        entry->setVisible(any);
    showDialogOpen(m_dialogOpen);
}

void TrayMenu::showSessions(const QStringList &loggedIn)
{
    for (auto it = m_entries.mnLogin.cbegin(); it != m_entries.mnLogin.cend(); ++it) {
        if (it.key() != TrayMenuEntries::kTemplateIndex)
            it.value()->setChecked(loggedIn.contains(m_ids.value(it.key())));
    }
}

void TrayMenu::showDialogOpen(bool open)
{
    m_dialogOpen = open;
    for (QAction *entry : m_entries.mnLeft->actions()) {
        if (QMenu *submenu = entry->menu())
            entry->setEnabled(!open && submenu->isEnabled());
        else
            entry->setEnabled(!open);
    }
}

void TrayMenu::showEveryAccount(std::optional<EnginePage> running, bool anyLoggedIn)
{
    const QString stop = QStringLiteral("を中止");
    m_entries.mnLoginAll->setText(kLoginAll + (running == EnginePage::LogIn ? stop : QString()));
    m_entries.mnLogoutAll->setText(kLogoutAll + (running == EnginePage::LogOut ? stop : QString()));
    m_entries.mnLoginAll->setEnabled(running != EnginePage::LogOut);
    m_entries.mnLogoutAll->setEnabled(running == EnginePage::LogOut || (!running && anyLoggedIn));
}
