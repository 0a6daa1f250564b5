#pragma once

#include "app/clipboard.h"
#include "app/messagebox.h"
#include "app/sharedvalues.h"
#include "links/launcher.h"
#include "store/accounts.h"
#include "store/accounttable.h"
#include "store/programsettings.h"
#include "store/settingsstore.h"
#include "tray/traynotifier.h"
#include "web/browserengine.h"

#include <memory>

class frmMainLd;
class frmTasktray;
class frmWB;
class PortalLinks;

// The running program: its shared values, its account table, its settings store and one
// instance of each window, created on first use. It lives inside main() after QApplication,
// so nothing of it outlives the application object.
class Program
{
public:
    Program();
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // The program that is running now; there is exactly one while main() runs.
    static Program &current();

    // The start routine: sets the edition, loads the windows hidden, puts the icon in the
    // notification area and fills the tray menus. Without a notification area it shows the
    // settings window instead, so the program can still be reached.
    void Main();
    // Main's steps for a desktop that has (or lacks) a notification area.
    void start(bool notificationArea);

    SharedValues shared;
    AccountTable table;
    SettingsStore store;
    // The accounts as one model over the table and the store.
    Accounts accounts{ store, table, shared.editionCode };
    ProgramSettings settings;
    // Whether the desktop had a notification area when the program started.
    bool hasNotificationArea = true;

    // Desktop services; tests put their own in place.
    std::unique_ptr<Clipboard> clipboard = std::make_unique<SystemClipboard>();
    std::unique_ptr<UrlOpener> urlOpener = std::make_unique<DesktopUrlOpener>();
    std::unique_ptr<MessageBoxes> messageBoxes = std::make_unique<SystemMessageBoxes>();
    // The browser engine for the hidden host; none means the engine helper process.
    std::unique_ptr<BrowserEngine> browserEngine;
    // The tray's desktop notifications; none means the tray icon's own.
    std::unique_ptr<TrayNotifier> trayNotifier;

    // Windows, each created and loaded on first use.
    frmMainLd &mainLd();
    frmTasktray &tasktray();
    frmWB &webHost();
    // Where the link menus open their pages.
    PortalLinks &portalLinks();

private:
    static Program *s_current;
    std::unique_ptr<frmWB> m_frmWB;
    std::unique_ptr<PortalLinks> m_portalLinks;
    std::unique_ptr<frmMainLd> m_frmMainLd;
    std::unique_ptr<frmTasktray> m_frmTasktray;
};

// Makes the running edition's portal submenu of the tray menu visible.
void ShowEditionSiteMenu();

// Windows by name, for the handlers of other windows.
namespace forms {
::frmMainLd &frmMainLd();
::frmTasktray &frmTasktray();
::frmWB &frmWB();
} // namespace forms
