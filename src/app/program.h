#pragma once

#include "platform/autostart.h"
#include "platform/keyring.h"
#include "platform/launcher.h"
#include "platform/notificationarea.h"
#include "store/accounts.h"
#include "store/accounttable.h"
#include "store/keyringjournal.h"
#include "store/passwords.h"
#include "store/programsettings.h"
#include "store/settingsstore.h"
#include "tray/notificationareastate.h"
#include "tray/traynotifier.h"
#include "tray/traypresence.h"
#include "ui/common/clipboard.h"
#include "ui/common/expiringclipboard.h"
#include "ui/common/messagebox.h"
#include "ui/common/sharedvalues.h"
#include "web/browserengine.h"

#include <chrono>
#include <functional>
#include <memory>

class AccountLogin;
class EveryAccount;
class frmMainLd;
class frmTasktray;
class frmWB;
class LoginRenewal;
class LoginSessions;
class PortalLinks;
class WindowVisibility;

// What the program takes from the desktop. Each part left empty is the desktop's own: tests
// put fakes in its place.
struct Services
{
    // Where the accounts are kept: the settings store.
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<MessageBoxes> messageBoxes;
    // How a page reaches the default browser.
    std::unique_ptr<UrlOpener> urlOpener;
    std::unique_ptr<Clipboard> clipboard;
    // Where the passwords go when the user keeps them in the desktop's keyring.
    std::unique_ptr<Keyring> keyring;
    // The browser engine: the engine helper process.
    std::unique_ptr<BrowserEngine> engine;
    // Where the tray's notifications go: the tray icon.
    std::unique_ptr<TrayNotifier> notifier;
    // Whether the desktop has a notification area now (NotificationAreaProbe), how often that
    // is looked at, and how long a program started at login waits for one to appear before it
    // shows its settings window.
    std::function<bool()> notificationArea;
    std::chrono::milliseconds notificationAreaInterval = TrayPresence::kInterval;
    std::chrono::milliseconds notificationAreaWait{ 10000 };
};

// The running program, and the one place that puts it together: it builds every long-lived
// object once, here, and hands each window what it uses. It lives inside main() after
// QApplication, so nothing of it outlives the application object.
class Program
{
public:
    explicit Program(Services services = {});
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // The start routine: sets the edition, loads the windows hidden, puts the icon in the
    // notification area and fills the tray menus. Without a notification area it shows the
    // settings window instead, so the program can still be reached; started at login, it
    // first waits a while for one.
    void Main(bool startedAtLogin = false);
    // Main's steps for a desktop that has (or, as far as the program knows, lacks) a
    // notification area. From then on the program follows the notification area: one that
    // appears takes the program back to the tray, one that goes brings the settings window up.
    void start(bool notificationArea);

    // What the program holds, for main() and the tests that drive it.
    SharedValues &shared() { return m_shared; }
    AccountTable &table() { return m_table; }
    Accounts &accounts() { return m_accounts; }
    ProgramSettings &settings() { return m_settings; }
    Passwords &passwords() { return *m_passwords; }
    AccountLogin &login() { return *m_login; }
    EveryAccount &everyAccount() { return *m_everyAccount; }
    LoginSessions &sessions() { return *m_sessions; }
    const NotificationAreaState &notificationArea() const { return m_notificationArea; }
    frmMainLd &mainLd() { return *m_frmMainLd; }
    frmTasktray &tasktray() { return *m_frmTasktray; }
    frmWB &webHost() { return *m_frmWB; }
    PortalLinks &portalLinks() { return *m_portalLinks; }
    WindowVisibility &visibility() { return *m_visibility; }
    // The clipboard both windows copy passwords to, which takes them off again.
    Clipboard &clipboard() { return *m_clipboard; }

private:
    // The program's own browser engine, the helper process.
    std::unique_ptr<BrowserEngine> makeEngine() const;
    // Keeps the logged-in accounts up to date with the runs and what the engine tells.
    void followSessions();
    // Gives the engine's one profile of earlier versions to the account last logged in.
    void adoptSharedProfile();
    // Starts looking at the notification area, once.
    void watchNotificationArea();
    void followNotificationArea(bool available);

    Services m_services;
    SharedValues m_shared;
    AccountTable m_table;
    Accounts m_accounts;
    ProgramSettings m_settings;
    KeyringJournal m_keyringJournal;
    std::unique_ptr<Passwords> m_passwords;
    std::unique_ptr<AccountLogin> m_login;
    std::unique_ptr<LoginSessions> m_sessions;
    // The runs over every account, one at a time whoever asks (the tray, the command line).
    std::unique_ptr<EveryAccount> m_everyAccount;
    Autostart m_autostart;
    NotificationAreaProbe m_probe;
    NotificationAreaState m_notificationArea;
    std::unique_ptr<TrayPresence> m_trayPresence;

    // Passwords copied by either window come off the clipboard again.
    std::unique_ptr<ExpiringClipboard> m_clipboard;
    std::unique_ptr<DocumentLauncher> m_launcher;
    std::unique_ptr<frmWB> m_frmWB;
    std::unique_ptr<PortalLinks> m_portalLinks;
    std::unique_ptr<WindowVisibility> m_visibility;
    std::unique_ptr<frmTasktray> m_frmTasktray;
    std::unique_ptr<frmMainLd> m_frmMainLd;
    // Logins that expired under an open page are renewed.
    std::unique_ptr<LoginRenewal> m_renewal;
};
