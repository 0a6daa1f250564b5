#pragma once

#include "links/menulinks.h"
#include "web/enginechannel.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QAction;
class QMenu;
class QWidget;

// The tray's popup menu and its entries, under the names the tray window knows them by.
struct TrayMenuEntries
{
    // Index of the template item that each per-account submenu keeps: one past the last slot.
    static constexpr qint16 kTemplateIndex = 100;

    // The popup menu (the submenu of the menu root mnLeft) and its entries.
    QMenu *mnLeft = nullptr;
    QAction *mnEnd = nullptr;
    QAction *mnLine1 = nullptr;
    std::array<QMenu *, 4> mnSite{};
    std::array<QAction *, traylinks::kLivedoor.size()> mnSiteLD{};
    QMenu *mnChangeP = nullptr;
    std::array<QAction *, 4> mnChange{};
    QAction *mnLine2 = nullptr;
    QAction *mnShowMain = nullptr;
    QAction *mnLine3 = nullptr;
    QMenu *mnClipboardP = nullptr;
    QMap<qint16, QAction *> mnClipboard;
    QAction *mnLogout = nullptr;
    QMenu *mnLoginP = nullptr;
    QMap<qint16, QAction *> mnLogin;
    // At the end of the login submenu, after a separator: every account at once.
    QAction *mnLoginLine = nullptr;
    QAction *mnLoginAll = nullptr;
    QAction *mnLogoutAll = nullptr;
};

// Builds the tray's popup menu from its rows and keeps it as the program stands: the accounts'
// entries, which of them are logged in, what an open dialog or a run over every account leaves
// to choose. Every choice is a request that the tray window handles.
class TrayMenu : public QObject
{
    Q_OBJECT
public:
    TrayMenu(TrayMenuEntries &entries, QWidget *parent);

    // Refills the per-account submenus: an entry for each ID up to the first of blanks, the kind
    // the entry dialog refuses. A long ID is shortened in the middle; its entry's tip shows it whole.
    void showAccounts(const QStringList &ids);
    // Checks the login entries of the accounts logged in.
    void showSessions(const QStringList &loggedIn);
    // Greys every entry while an entry dialog or the About box is open.
    void showDialogOpen(bool open);
    // While a run over every account goes on, its entry stops it and the other waits; the logout
    // of every account needs one logged in.
    void showEveryAccount(std::optional<EnginePage> running, bool anyLoggedIn);

signals:
    void endRequested();
    void siteRequested(qint16 index);
    void changeRequested(qint16 index);
    void showMainRequested();
    void copyRequested(qint16 slot);
    void logoutRequested();
    void loginRequested(qint16 slot);
    void loginAllRequested();
    void logoutAllRequested();
    // The menu, the portal's submenu and the login submenu are about to open.
    void opening();
    void siteMenuOpening();
    void loginMenuOpening();

private:
    TrayMenuEntries &m_entries;
    // The IDs the per-account entries stand for, by slot.
    QStringList m_ids;
    bool m_dialogOpen = false;
};
