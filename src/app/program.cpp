#include "app/program.h"

#include "platform/paths.h"
#include "tray/everyaccount.h"
#include "tray/frmtasktray.h"
#include "web/loginrenewal.h"
#include "tray/windowvisibility.h"
#include "ui/common/passwordproblems.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"
#include "web/accountlogin.h"
#include "web/frmwb.h"
#include "web/helperengine.h"
#include "web/loginsessions.h"
#include "web/portallinks.h"
#include "web/sharedprofile.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace {

// Each service a test left empty is the desktop's own.
Services withSystemServices(Services services)
{
    if (!services.store)
        services.store = std::make_unique<SettingsStore>();
    if (!services.messageBoxes)
        services.messageBoxes = std::make_unique<SystemMessageBoxes>();
    if (!services.urlOpener)
        services.urlOpener = std::make_unique<DesktopUrlOpener>();
    if (!services.clipboard)
        services.clipboard = std::make_unique<SystemClipboard>();
    if (!services.keyring)
        services.keyring = std::make_unique<SystemKeyring>();
    return services;
}

} // namespace

Program::Program(Services services)
    : m_services(withSystemServices(std::move(services)))
    , m_accounts(*m_services.store, m_table, EditionLivedoor)
{
    if (!m_services.notificationArea)
        m_services.notificationArea = [this] { return m_probe.isAvailable(); };

    m_passwords = std::make_unique<Passwords>(m_accounts, m_settings, m_keyringJournal, *m_services.keyring);
    m_clipboard = std::make_unique<ExpiringClipboard>(*m_services.clipboard,
                                                      [this] { return m_settings.clearsClipboard(); });
    m_launcher = std::make_unique<DocumentLauncher>(*m_services.urlOpener);
    m_frmWB = std::make_unique<frmWB>(m_services.engine ? std::move(m_services.engine) : makeEngine());
    // The account the portal knew the user as when the program last ran is current again. From
    // here on every window and link asks the host which account is current; the settings keep it
    // for the next start.
    m_frmWB->setCurrentAccount(m_settings.lastAccount());
    m_login = std::make_unique<AccountLogin>(m_accounts, *m_passwords, *m_frmWB);
    m_sessions = std::make_unique<LoginSessions>(m_settings, [this] { return m_accounts.ids(); });
    followSessions();
    m_everyAccount = std::make_unique<EveryAccount>(m_accounts, *m_login, *m_frmWB, *m_sessions);
    m_portalLinks = std::make_unique<PortalLinks>(*m_frmWB, m_settings, *m_launcher);
    m_visibility = std::make_unique<WindowVisibility>(m_shared);
    m_frmTasktray = std::make_unique<frmTasktray>(frmTasktray::Uses{
            m_shared, m_accounts, *m_passwords, *m_login, *m_everyAccount, *m_clipboard, *m_frmWB, *m_portalLinks,
            *m_visibility,
            *m_sessions, m_services.notifier.get() });
    m_frmMainLd = std::make_unique<frmMainLd>(frmMainLd::Uses{
            m_shared, m_accounts, *m_passwords, *m_login, m_settings, *m_services.messageBoxes, *m_clipboard, *m_frmWB,
            *m_sessions, *m_portalLinks, *m_launcher, *m_visibility, m_autostart, m_notificationArea,
            [tray = m_frmTasktray.get()] { tray->mnEnd_Click(); } });
    m_renewal = std::make_unique<LoginRenewal>(*m_login, *m_frmWB, *m_sessions, m_settings);
    // A password copied from the tray is told in the settings window too.
    QObject::connect(m_frmTasktray.get(), &frmTasktray::passwordCopied, m_frmMainLd.get(), &frmMainLd::showCopied);
    m_visibility->setWindows(*m_frmMainLd, *m_frmMainLd->mnWindowPos, *m_frmTasktray->mnShowMain);

    // Every change of the accounts reaches the logins first (a removed account's is forgotten), then
    // the tray's menus, then the settings window's list.
    QObject::connect(&m_accounts, &Accounts::changed, m_sessions.get(), [this] {
        m_sessions->keepListed();
        m_frmWB->engine().setSessions({ m_accounts.ids(), m_sessions->loggedIn() });
        m_frmWB->keepCurrentListed(m_accounts.ids());
    });
    QObject::connect(&m_accounts, &Accounts::changed, m_frmTasktray.get(),
                     [tray = m_frmTasktray.get()] { tray->rebuildAccountMenus(); });
    QObject::connect(&m_accounts, &Accounts::changed, m_frmMainLd.get(),
                     [window = m_frmMainLd.get()] { window->showAccounts(); });
    // The account the portal knows the user as is remembered, and the tray shows it.
    QObject::connect(m_frmWB.get(), &frmWB::accountChanged, m_frmTasktray.get(),
                     [this](const QString &id) {
                         m_settings.setLastAccount(id);
                         m_frmTasktray->showAccount(id);
                     });
}

void Program::followSessions()
{
    LoginSessions *sessions = m_sessions.get();
    BrowserEngine &engine = m_frmWB->engine();
    QObject::connect(m_frmWB.get(), &frmWB::loggedIn, sessions, &LoginSessions::loginSucceeded);
    QObject::connect(m_frmWB.get(), &frmWB::loggedOut, sessions, &LoginSessions::loggedOut);
    QObject::connect(&engine, &BrowserEngine::cookiesChanged, sessions, &LoginSessions::cookiesChanged);
    // The engine's window offers the accounts too: a helper is told them as it starts.
    const auto tell = [this, sessions, &engine] { engine.setSessions({ m_accounts.ids(), sessions->loggedIn() }); };
    QObject::connect(sessions, &LoginSessions::changed, &engine, tell);
    tell();
}

std::unique_ptr<BrowserEngine> Program::makeEngine() const
{
    HelperEngine::Options options;
    // Tabs of accounts the user has removed since do not come back with the portal window.
    options.accounts = [this] { return m_accounts.ids(); };
    return std::make_unique<HelperEngine>(std::move(options));
}

Program::~Program()
{
    m_trayPresence.reset();
    m_frmTasktray.reset();
    m_frmMainLd.reset();
    m_renewal.reset();
    m_portalLinks.reset();
    // Last, so that the browser engine writes its cookies out after every page is gone.
    m_everyAccount.reset();
    m_login.reset();
    m_frmWB.reset();
    m_passwords.reset();
}

void Program::Main(bool startedAtLogin)
{
    // Every step below reports nothing: a window whose load fails is simply left as it is.
    // The notification area is looked for before the icon is made: without one, the icon is
    // made when one appears, since Qt decides what kind of icon to make when it makes it.
    watchNotificationArea();
    const bool notificationArea = m_trayPresence->isAvailable();
    // At login the panel often starts after the program: it is given a moment to come.
    const bool awaited = !notificationArea && startedAtLogin;
    m_notificationArea.setAwaited(awaited);
    start(notificationArea);
    if (awaited) {
        QTimer::singleShot(m_services.notificationAreaWait, m_frmTasktray.get(), [this] {
            m_notificationArea.setAwaited(false);
            if (!m_trayPresence->isAvailable())
                followNotificationArea(false);
        });
    }
}

void Program::start(bool notificationArea)
{
    m_shared.editionCode = EditionLivedoor;
    m_notificationArea.setPresent(notificationArea);
    m_frmWB->Form_Load();
    m_frmMainLd->Form_Load();
    // The account current when the program last ran may have left the list since.
    m_frmWB->keepCurrentListed(m_accounts.ids());
    adoptSharedProfile();
    // Without a notification area the icon waits for one.
    if (notificationArea)
        m_frmTasktray->Form_Load();
    // A move of the passwords, or a change of the accounts in the keyring, that the program did
    // not finish when it last ran is finished now; until then, every password is found where
    // it was. Nothing is left to finish on most starts, and the keyring is not touched. What
    // cannot be finished is told from the icon, or, without one, in the settings window's
    // status text.
    m_passwords->resume([this](Passwords::Problem problem) {
        if (problem == Passwords::Problem::None)
            return;
        const QString text = passwordProblemText(problem, PasswordUse::Resume);
        if (!m_frmTasktray->notifyWarning(text))
            m_frmMainLd->SB->setText(QString(text).remove(QLatin1Char('\n')));
    });
    m_frmTasktray->mnChange[m_shared.editionCode]->setVisible(false);
    m_frmTasktray->ShowEditionSiteMenu();
    m_frmTasktray->rebuildAccountMenus();
    if (!m_notificationArea.closeBoxHides())
        m_visibility->ShowMainWindow();
    watchNotificationArea();
}

void Program::adoptSharedProfile()
{
    if (m_settings.profilePerAccount())
        return;
    // Once, at the first start since accounts have profiles of their own that finds the old
    // profile, before the engine starts: the login of the account last logged in stays that
    // account's, if it is still listed.
    QString last = m_frmWB->currentAccount();
    if (!m_accounts.ids().contains(last))
        last.clear();
    const SharedProfile shared = ::adoptSharedProfile(Paths::engineProfile(), Paths::engineCache(), last);
    if (shared == SharedProfile::GivenToAccount)
        m_sessions->adopted(last);
    if (shared != SharedProfile::None)
        m_settings.setProfilePerAccount();
}

void Program::watchNotificationArea()
{
    if (m_trayPresence)
        return;
    m_trayPresence = std::make_unique<TrayPresence>(m_services.notificationArea,
                                                    m_services.notificationAreaInterval);
    QObject::connect(m_trayPresence.get(), &TrayPresence::changed, m_trayPresence.get(),
                     [this](bool available) { followNotificationArea(available); });
}

void Program::followNotificationArea(bool available)
{
    // A notification area that appears gets the icon (made now if the program started without
    // one, else docked by Qt itself). Without one, the window is the way in.
    m_notificationArea.setPresent(available);
    if (available && !m_frmTasktray->trayIcon)
        m_frmTasktray->Form_Load();
    if (!available)
        m_visibility->ShowMainWindow();
}
