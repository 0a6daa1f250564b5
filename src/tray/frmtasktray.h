#pragma once

#include "links/menulinks.h"
#include "tray/traymenu.h"
#include "tray/traynotifier.h"
#include "ui/common/sharedvalues.h"
#include "web/enginechannel.h"

#include <QMap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <memory>

class AccountLogin;
class Accounts;
class EveryAccount;
class LoginSessions;
class Passwords;
class Clipboard;
class PopupGuard;
class PortalLinks;
class WindowVisibility;
class frmWB;
class QAction;
class QMenu;

// The hidden window that owns the tray icon and its popup menu, the program's everyday
// control surface: log in, log out, copy a password, open the portal, show the settings
// window, end the program. The menu's entries are built by TrayMenu, under their names here;
// each choice comes to the handler of its entry.
class frmTasktray : public QWidget, public TrayMenuEntries
{
    Q_OBJECT
public:
    // How long after the icon first shows the hint for an empty account list comes: long enough
    // for an XEmbed tray to have docked the icon, which shows no message before.
    static constexpr std::chrono::milliseconds kEmptyListHintDelay{ 1000 };

    // What the tray works with.
    struct Uses
    {
        SharedValues &shared;
        Accounts &accounts;
        // Where the accounts' passwords are read, how an account logs in, and the runs over
        // every account (which the command line may start too).
        Passwords &passwords;
        AccountLogin &login;
        EveryAccount &everyAccount;
        Clipboard &clipboard;
        frmWB &webHost;
        PortalLinks &portalLinks;
        WindowVisibility &visibility;
        // Which accounts are logged in.
        const LoginSessions &sessions;
        // Where its notifications go; none: to its own icon.
        TrayNotifier *notifier = nullptr;
    };

    explicit frmTasktray(Uses uses, QWidget *parent = nullptr);
    ~frmTasktray() override;

    // Puts the icon in the notification area (making it the first time) and shows it.
    void Form_Load();
    void Form_Unload();
    // The tray icon's callback: X carries the mouse message number, in twips.
    void Form_MouseMove(qint16 button, qint16 shift, float x, float y);

    // Refills the per-account submenus from the accounts.
    void rebuildAccountMenus();
    // Marks the logged-in accounts in the login submenu and counts them in the tooltip.
    void showSessions();
    // Makes the running edition's portal submenu of the menu visible.
    void ShowEditionSiteMenu();
    // The tooltip names the account the portal knows the user as, under the program's name
    // (while a login or logout runs, what it is doing).
    void showAccount(const QString &id);
    // Tells of a problem in a notification from the icon; false when there is no icon yet.
    bool notifyWarning(const QString &text);

    // Tray icon and its images, one per edition. The icon is made by the first Form_Load.
    QSystemTrayIcon *trayIcon = nullptr;
    std::array<QIcon, 4> pcbIcon;

public slots:
    void mnEnd_Click();
    void mnSiteLD_Click(qint16 index);
    void mnChange_Click(qint16 index);
    void mnShowMain_Click();
    void mnClipboard_Click(qint16 index);
    void mnLogin_Click(qint16 index);
    void mnLogout_Click();
    void mnLoginAll_Click();
    void mnLogoutAll_Click();

signals:
    // The password of the account was put on the clipboard.
    void passwordCopied(const QString &id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Greys every entry while an entry dialog or the About box is open.
    void applyMenuStates();
    // Raises and focuses an open entry dialog or About box; false when none is open.
    bool focusOpenDialog();
    void trayIcon_activated(QSystemTrayIcon::ActivationReason reason);
    void makeIcon();
    void updateToolTip();
    void connectMenu();
    int twipsPerPixelX() const;
    // A tray login or logout shows nothing when it succeeds (the portal window shows the new
    // account), nor when it was dropped with its account; one that did not succeed is told in a
    // notification from the icon, with its account and what made it fail.
    void notifyFailure(EnginePage page, RunOutcome outcome, const QString &account);
    void notify(TrayNotifier::Kind kind, const QString &text);
    // Hands the ID and password of the account in the slot to `use` once the password has been
    // read (the keyring may take a while); a password that cannot be read is notified instead.
    void withPassword(qint16 index, const std::function<void(const QString &id, const QString &password)> &use);

    Uses m_uses;
    std::unique_ptr<TrayNotifier> m_iconNotifier;
    TrayNotifier *m_notifier;
    TrayMenu *m_menu;
    std::unique_ptr<PopupGuard> m_popupGuard;
    // Greys the every-account entries while one of them runs, and the logout when no account
    // is logged in.
    void applyEveryAccountStates();

    // The account the tooltip names, what a running login or logout is doing, and how far the
    // every-account run has come.
    QString m_account;
    QString m_running;
    QString m_everyProgress;
};

// The address that entry `index` of the tray's portal submenu opens; empty for no entry.
QString siteLinkUrl(qint16 index);
