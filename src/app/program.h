#pragma once

#include "platform/autostart.h"
#include "ui/common/clipboard.h"
#include "ui/common/messagebox.h"
#include "ui/common/sharedvalues.h"
#include "platform/launcher.h"
#include "store/accounts.h"
#include "store/accounttable.h"
#include "store/programsettings.h"
#include "store/settingsstore.h"
#include "tray/traynotifier.h"
#include "platform/notificationarea.h"
#include "tray/traypresence.h"
#include "web/browserengine.h"

#include <chrono>
#include <functional>
#include <memory>

class frmMainLd;
class frmTasktray;
class frmWB;
class PortalLinks;
class WindowVisibility;

// The running program, and the one place that puts it together: its shared values, its
// accounts and settings, the desktop services, and one instance of each window, each handed
// what it uses. It lives inside main() after QApplication, so nothing of it outlives the
// application object.
class Program
{
public:
    // `store` is where the accounts are kept: the settings store unless a test gives another.
    explicit Program(std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>());
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // How long a program started at login waits for a notification area to appear before it
    // shows its settings window.
    static constexpr std::chrono::milliseconds kTrayWait{ 10000 };

    // The start routine: sets the edition, loads the windows hidden, puts the icon in the
    // notification area and fills the tray menus. Without a notification area it shows the
    // settings window instead, so the program can still be reached; started at login, it
    // first waits up to trayWait for one.
    void Main(bool startedAtLogin = false);
    // Main's steps for a desktop that has (or, as far as the program knows, lacks) a
    // notification area. From then on the program follows the notification area: one that
    // appears takes the program back to the tray, one that goes brings the settings window up.
    void start(bool notificationArea);

    SharedValues shared;
    AccountTable table;

private:
    std::unique_ptr<SettingsStore> m_store;

public:
    // The accounts as one model over the table and the store.
    Accounts accounts{ *m_store, table, shared.editionCode };
    ProgramSettings settings;
    Autostart autostart;
    // Whether the desktop has a notification area now, as far as the program knows.
    bool hasNotificationArea = true;
    // Whether the settings window's close box hides the window rather than ending the program:
    // once a notification area has been seen in this run (or while one is awaited at login),
    // the program stays reachable through it, or through a second start while it is away.
    bool closeBoxHides = true;

    // Desktop services and the browser engine: tests put their own in place before the
    // windows are made. No browser engine means the engine helper process; no tray notifier
    // means the tray icon's own notifications.
    std::unique_ptr<Clipboard> clipboard = std::make_unique<SystemClipboard>();
    std::unique_ptr<UrlOpener> urlOpener = std::make_unique<DesktopUrlOpener>();
    std::unique_ptr<MessageBoxes> messageBoxes = std::make_unique<SystemMessageBoxes>();
    std::unique_ptr<BrowserEngine> browserEngine;
    std::unique_ptr<TrayNotifier> trayNotifier;
    // Whether there is a notification area now, and how often that is looked at.
    std::function<bool()> trayProbe = [this] { return m_notificationArea.isAvailable(); };
    std::chrono::milliseconds trayCheckInterval = TrayPresence::kInterval;
    std::chrono::milliseconds trayWait = kTrayWait;

    // The windows and what they share. The first call of any of these makes all of them, in
    // one fixed order, and loads them.
    frmMainLd &mainLd();
    frmTasktray &tasktray();
    frmWB &webHost();
    PortalLinks &portalLinks();
    WindowVisibility &visibility();

private:
    void makeWindows();
    // Starts looking at the notification area every trayCheckInterval, once.
    void watchNotificationArea();
    void followNotificationArea(bool available);

    NotificationAreaProbe m_notificationArea;
    // Started at login with no notification area yet: one is given trayWait to come.
    bool m_awaitingArea = false;
    // A notification area has been there at some moment of this run.
    bool m_areaSeen = false;

    std::unique_ptr<DocumentLauncher> m_launcher;
    std::unique_ptr<frmWB> m_frmWB;
    std::unique_ptr<PortalLinks> m_portalLinks;
    std::unique_ptr<WindowVisibility> m_visibility;
    std::unique_ptr<frmMainLd> m_frmMainLd;
    std::unique_ptr<frmTasktray> m_frmTasktray;
    std::unique_ptr<TrayPresence> m_trayPresence;
};
