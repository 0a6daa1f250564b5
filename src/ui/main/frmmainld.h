#pragma once

#include "store/accountfile.h"
#include "store/passwords.h"
#include "store/programsettings.h"
#include "ui/common/sharedvalues.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class AccountLogin;
class Accounts;
class Autostart;
class Clipboard;
class DocumentLauncher;
class MessageBoxes;
class NotificationAreaState;
class PortalLinks;
class WindowVisibility;
class frmWB;
class InputPause;
class LoginSessions;
struct MenuLink;
class QAction;
class QListWidget;
class QMenu;
class QPushButton;
class StatusBar;

// The settings window "ライブドアID設定画面": the account list, the login, copy and editing
// buttons, the menus and the status bar. Created hidden at start-up and shown from the tray.
class frmMainLd : public QMainWindow
{
    Q_OBJECT
public:
    // What the window works with.
    struct Uses
    {
        SharedValues &shared;
        Accounts &accounts;
        // Where the accounts' passwords are read and written, and how an account logs in.
        Passwords &passwords;
        AccountLogin &login;
        ProgramSettings &settings;
        MessageBoxes &messageBoxes;
        Clipboard &clipboard;
        frmWB &webHost;
        // Which accounts are logged in: the list marks them.
        const LoginSessions &sessions;
        PortalLinks &portalLinks;
        const DocumentLauncher &launcher;
        WindowVisibility &visibility;
        Autostart &autostart;
        // Whether this window's close box hides it: not so while the program has never had a
        // notification area, when the close box ends the program as the tray's 終了 does
        // (`endProgram`).
        const NotificationAreaState &notificationArea;
        std::function<void()> endProgram;
    };

    explicit frmMainLd(Uses uses, QWidget *parent = nullptr);
    ~frmMainLd() override;

    void Form_Load();

    // Reloads the accounts from the settings store; the list (and the tray) follow them.
    void RefreshAccountList();
    // Fills the list with the accounts as they are, with no row selected.
    void showAccounts();
    // Gives each row its account's colour mark: filled while the account is logged in, hollow
    // when not.
    void showSessions();
    // Tells in the status text that the account's password is on the clipboard, and when it
    // comes off again.
    void showCopied(const QString &id);

    // How taking a file's accounts in ended.
    struct ImportOutcome
    {
        enum class Kind {
            // Every row ticked in the preview was taken (it may have changed nothing).
            Written,
            // The file could not be read (`failure`), or holds no account of the portal.
            Unreadable,
            NoAccounts,
            // The user cancelled the preview.
            Cancelled,
            // The passwords could not be read for the preview, or the accounts not written
            // (`problem`).
            NotRead,
            NotWritten,
        };
        Kind kind = Kind::Written;
        ImportFailure failure = {};
        Passwords::Problem problem = Passwords::Problem::None;
    };
    // Takes in the accounts of the file at the path: reads it, shows the preview and writes the
    // rows ticked there, telling how it went (in a message box when the file cannot be read),
    // then `done`. インポート(&I) and the command line's --import come here.
    void importFile(const QString &path, const std::function<void(const ImportOutcome &)> &done);

    // Controls.
    QWidget *frMain;
    QListWidget *lbID;
    QPushButton *cmdLOGIN;
    QPushButton *cmdLOGOUT;
    QPushButton *cmdCopy;
    QPushButton *cmdNEW;
    QPushButton *cmdREGISTRY;
    QPushButton *cmdDELETE;
    QPushButton *cmdDown;
    QPushButton *cmdUp;
    StatusBar *SB;

    // 機能(&F)
    QMenu *mnVisual;
    QMenu *mnChangeP;
    std::array<QAction *, 4> mnChange;
    QAction *mnWindowPos;
    QAction *mnShowTasktray;
    QAction *mnEnd;

    // サイト(&G)
    QMenu *mnGoSite;
    QAction *mnGoTop;
    QMenu *mnGoShoppingP;
    std::array<QAction *, 8> mnGoShopping;
    QMenu *mnGoInformationP;
    std::array<QAction *, 5> mnGoInformation;
    QMenu *mnGoHobbyP;
    std::array<QAction *, 11> mnGoHobby;
    QMenu *mnGoPracticalityP;
    std::array<QAction *, 5> mnGoPracticality;
    QMenu *mnGoLifeP;
    std::array<QAction *, 7> mnGoLife;
    QMenu *mnGoPartnerP;
    std::array<QAction *, 10> mnGoPartner;
    QMenu *mnGoItP;
    std::array<QAction *, 5> mnGoIt;
    QAction *mnGoKabu;
    QAction *mnGoCredit;
    QAction *mnGoWoogo;

    // その他(&O)
    QMenu *mnOther;
    QAction *mnHelp;
    QAction *mnAbout;
    QAction *mnNew;
    QMenu *mnSeriesP;
    std::array<QAction *, 6> mnSeries;
    QAction *mnLinksInBrowser;
    QAction *mnStartAtLogin;
    QAction *mnClearClipboard;
    QAction *mnKeyring;
    QAction *mnRenewLogins;
    QAction *mnImport;
    QAction *mnExport;

public slots:
    // Login and logout.
    void cmdLOGIN_Click();
    void cmdLOGOUT_Click();

    // Window visibility.
    void mnWindowPos_Click();
    void mnShowTasktray_Click();
    void mnEnd_Click();

    // Account editing.
    void cmdNEW_Click();
    void cmdREGISTRY_Click();
    void cmdDELETE_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdCopy_Click();

    // Edition switch (no effect in this edition).
    void mnChange_Click(qint16 index);

    // Portal links and product information.
    void mnGoTop_Click();
    void mnGoShopping_Click(qint16 index);
    void mnGoInformation_Click(qint16 index);
    void mnGoHobby_Click(qint16 index);
    void mnGoPracticality_Click(qint16 index);
    void mnGoLife_Click(qint16 index);
    void mnGoPartner_Click(qint16 index);
    void mnGoIt_Click(qint16 index);
    void mnGoKabu_Click();
    void mnGoCredit_Click();
    void mnGoWoogo_Click();
    void mnHelp_Click();
    void mnAbout_Click();
    void mnNew_Click();
    void mnSeries_Click(qint16 index);
    void mnLinksInBrowser_Click();
    void mnStartAtLogin_Click();
    void mnClearClipboard_Click();
    void mnKeyring_Click();
    void mnRenewLogins_Click();
    // The accounts from a password manager's file or the Windows edition's registry export, and
    // into a file for them.
    void mnImport_Click();
    void mnExport_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // Shows the option's setting as its mark in その他.
    void showOption(ProgramSettings::Key key);
    // With no account, the commands that need one are greyed and the status text says how to
    // add one.
    void showWhetherListed();
    void buildMenus();
    // Each family of commands connects its own controls (frmmainld_<family>.cpp).
    void connectLoginCommands();
    void connectEditingCommands();
    void connectLinkMenus();
    void openPortalLink(const MenuLink *link);
    // Runs a change of the list through the passwords (`change` starts it and hands its answer
    // on), then `then` once it is done; a failure is reported.
    void edit(const std::function<void(Passwords::Done)> &change, const std::function<void()> &then);
    // Moves the passwords into the keyring or back into the store (`despiteLoss`: back from a
    // keyring that holds none of them), showing how it went.
    void movePasswords(bool toKeyring, bool despiteLoss);

    Uses m_uses;
    // While a command waits for the keyring or a login, the window takes no input.
    std::unique_ptr<InputPause> m_input;
};
