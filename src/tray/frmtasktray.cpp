#include "tray/frmtasktray.h"

#include "links/hosts.h"
#include "links/menulinks.h"
#include "store/accounts.h"
#include "store/passwords.h"
#include "tray/everyaccount.h"
#include "tray/popupguard.h"
#include "tray/traycallback.h"
#include "tray/trayicons.h"
#include "tray/traynotifier.h"
#include "tray/traytexts.h"
#include "tray/windowvisibility.h"
#include "ui/common/clipboard.h"
#include "ui/common/messagebox.h"
#include "ui/common/passwordproblems.h"
#include "ui/common/statustext.h"
#include "ui/common/twips.h"
#include "web/accountlogin.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"
#include "web/portallinks.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace {

bool isWaylandSession()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
            || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

} // namespace

QString siteLinkUrl(qint16 index)
{
    if (index < 0 || index >= qint16(traylinks::kLivedoor.size()))
        return QString();
    return linkUrl(traylinks::kLivedoor[std::size_t(index)]);
}

frmTasktray::frmTasktray(Uses uses, QWidget *parent)
    : QWidget(parent)
    , m_uses(std::move(uses))
    , m_notifier(m_uses.notifier)
{
    setObjectName(QStringLiteral("frmTasktray"));
    setWindowTitle(QStringLiteral("ヨルミ"));
    for (int edition = 0; edition < int(pcbIcon.size()); ++edition)
        pcbIcon[edition] = editionIcon(edition);
    m_menu = new TrayMenu(*this, this);
    connectMenu();
    m_popupGuard = std::make_unique<PopupGuard>(mnLeft);
    connect(&m_uses.everyAccount, &EveryAccount::progress, this, [this](const QString &text) {
        m_everyProgress = text;
        applyEveryAccountStates();
        updateToolTip();
    });
    connect(&m_uses.everyAccount, &EveryAccount::finished, this, [this](bool allDone, const QString &text) {
        notify(allDone ? TrayNotifier::Kind::Hint : TrayNotifier::Kind::Warning, text);
    });
    connect(&m_uses.sessions, &LoginSessions::changed, this, &frmTasktray::showSessions);

    // A login or logout shows in the tooltip while it runs, wherever it was started.
    connect(&m_uses.webHost, &frmWB::runStarted, this, [this](EnginePage page) {
        m_running = StatusText::running(page);
        updateToolTip();
    });
    connect(&m_uses.webHost, &frmWB::runEnded, this, [this] {
        m_running.clear();
        updateToolTip();
    });
    connect(&m_uses.portalLinks, &PortalLinks::openedWithoutLogin, this, [this] {
        notify(TrayNotifier::Kind::Warning,
               QStringLiteral("ブラウザエンジンを起動できないため、ページを既定のブラウザで開きます。"
                              "ログインは反映されません。"));
    });
    connect(&m_uses.portalLinks, &PortalLinks::tabsRestored, this, [this] {
        notify(TrayNotifier::Kind::Hint,
               QStringLiteral("ブラウザエンジンが異常終了したため、開いていたタブを開き直しました。"));
    });
}

void frmTasktray::makeIcon()
{
    // Qt picks the kind of icon (StatusNotifierItem or XEmbed) when the icon is made.
    trayIcon = new QSystemTrayIcon(this);
    // The menu is the icon's context menu: on XEmbed Qt opens it for a right press, and a
    // StatusNotifierItem host gets it over D-Bus and draws it itself.
    trayIcon->setContextMenu(mnLeft);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &frmTasktray::trayIcon_activated);
    if (!m_notifier) {
        m_iconNotifier = std::make_unique<SystemTrayNotifier>(*trayIcon);
        m_notifier = m_iconNotifier.get();
    }
}

frmTasktray::~frmTasktray()
{
    Form_Unload();
}

void frmTasktray::connectMenu()
{
    // The menu offers the accounts the store holds as it opens: a hand edit of the store shows
    // here, and an entry chosen is the account it showed. A notification area that draws the
    // menu itself reports the opening too; an open dialog takes the focus then.
    connect(m_menu, &TrayMenu::opening, this, [this] {
        m_uses.accounts.refresh();
        focusOpenDialog();
    });
    // The browser engine takes a moment to start: it starts as the menu of a page or a login
    // opens, while the user picks an entry.
    connect(m_menu, &TrayMenu::siteMenuOpening, this, [this] { m_uses.portalLinks.prepare(); });
    connect(m_menu, &TrayMenu::loginMenuOpening, this,
            [this] { m_uses.webHost.engine().prepare(m_uses.webHost.currentAccount()); });
    connect(m_menu, &TrayMenu::endRequested, this, &frmTasktray::mnEnd_Click);
    connect(m_menu, &TrayMenu::siteRequested, this, &frmTasktray::mnSiteLD_Click);
    connect(m_menu, &TrayMenu::changeRequested, this, &frmTasktray::mnChange_Click);
    connect(m_menu, &TrayMenu::showMainRequested, this, &frmTasktray::mnShowMain_Click);
    connect(m_menu, &TrayMenu::copyRequested, this, &frmTasktray::mnClipboard_Click);
    connect(m_menu, &TrayMenu::logoutRequested, this, &frmTasktray::mnLogout_Click);
    connect(m_menu, &TrayMenu::loginRequested, this, &frmTasktray::mnLogin_Click);
    connect(m_menu, &TrayMenu::loginAllRequested, this, &frmTasktray::mnLoginAll_Click);
    connect(m_menu, &TrayMenu::logoutAllRequested, this, &frmTasktray::mnLogoutAll_Click);

    // While an entry dialog or the About box is open the entries are greyed: a host that draws
    // the menu itself cannot be kept from showing it.
    qApp->installEventFilter(this);
}

bool frmTasktray::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()
        && isTrayModalDialog(static_cast<QWidget *>(watched)))
        QMetaObject::invokeMethod(this, &frmTasktray::applyMenuStates, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void frmTasktray::applyMenuStates()
{
    m_menu->showDialogOpen(openTrayModalDialog(QApplication::topLevelWidgets()) != nullptr);
}

bool frmTasktray::focusOpenDialog()
{
    QWidget *dialog = openTrayModalDialog(QApplication::topLevelWidgets());
    if (!dialog)
        return false;
    dialog->raise();
    dialog->activateWindow();
    dialog->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmTasktray::Form_Load()
{
    if (!trayIcon) {
        makeIcon();
        // Nothing else would tell a new user where accounts are added.
        if (m_uses.accounts.count() == 0) {
            QTimer::singleShot(kEmptyListHintDelay, this, [this] {
                notify(TrayNotifier::Kind::Hint,
                       QStringLiteral("IDが登録されていません。「設定画面」の「新規登録」で追加してください。"));
            });
        }
    }
    const qint16 edition = m_uses.shared.editionCode;
    if (edition >= 0 && edition < qint16(pcbIcon.size()))
        trayIcon->setIcon(pcbIcon[edition]);
    showAccount(m_uses.webHost.currentAccount());
    trayIcon->show();
    hide();
    ShowEditionSiteMenu();
}

void frmTasktray::Form_Unload()
{
    if (trayIcon)
        trayIcon->hide();
}

void frmTasktray::showAccount(const QString &id)
{
    m_account = id;
    updateToolTip();
}

void frmTasktray::updateToolTip()
{
    if (!trayIcon)
        return; // Form_Load shows it when it puts the icon in place
    trayIcon->setToolTip(trayToolTip(m_everyProgress, m_running, m_account, m_uses.sessions.loggedIn()));
}

void frmTasktray::notifyFailure(EnginePage page, RunOutcome outcome, const QString &account)
{
    // A run dropped because the user removed its account meanwhile is no news to the user.
    if (outcome != RunOutcome::Done && outcome != RunOutcome::Cancelled)
        notify(TrayNotifier::Kind::Warning, trayFailureText(StatusText::ended(page, outcome), account,
                                                            StatusText::cause(outcome)));
}

bool frmTasktray::notifyWarning(const QString &text)
{
    if (!trayIcon)
        return false;
    notify(TrayNotifier::Kind::Warning, text);
    return true;
}

void frmTasktray::notify(TrayNotifier::Kind kind, const QString &text)
{
    if (m_notifier)
        m_notifier->notify(kind, kApplicationTitle, text);
}

int frmTasktray::twipsPerPixelX() const
{
    return qRound(double(kTwipsPerInch) / logicalDpiX());
}

void frmTasktray::trayIcon_activated(QSystemTrayIcon::ActivationReason reason)
{
    // The icon's presses arrive as mouse moves whose X carries the message number.
    Form_MouseMove(0, 0, float(mouseMessageFor(reason) * twipsPerPixelX()), 0);
}

void frmTasktray::Form_MouseMove(qint16 button, qint16 shift, float x, float y)
{
    Q_UNUSED(button);
    Q_UNUSED(shift);
    Q_UNUSED(y);
    const int message = mouseMessageFromTwips(x, twipsPerPixelX());
    if (trayActionFor(message) != TrayAction::OpenPopup)
        return;

    // An open entry dialog or About box takes the press: focus it, show no menu.
    if (focusOpenDialog()) {
        mnLeft->hide();
        return;
    }
    // The right press has opened the context menu already. The left press opens the same menu
    // at the pointer, where the session lets a program place a menu of its own. Wayland leaves
    // that to the compositor, and there the pointer's position is not known: the left press
    // brings up the settings window instead.
    if (message != WM_LBUTTONDOWN)
        return;
    if (isWaylandSession())
        m_uses.visibility.ShowMainWindow();
    else
        mnLeft->popup(QCursor::pos());
}

void frmTasktray::rebuildAccountMenus()
{
    // From the table as it is, slot after slot (the menu's walk ends at an ID of blanks).
    QStringList ids;
    for (qint16 slot = 0; slot < AccountTable::kSlots && !m_uses.accounts.id(slot).isEmpty(); ++slot)
        ids.append(m_uses.accounts.id(slot));
    m_menu->showAccounts(ids);
    showSessions();
}

void frmTasktray::showSessions()
{
    m_menu->showSessions(m_uses.sessions.loggedIn());
    applyEveryAccountStates();
    updateToolTip();
}

void frmTasktray::applyEveryAccountStates()
{
    m_menu->showEveryAccount(m_uses.everyAccount.running(), !m_uses.sessions.holdingLogins().isEmpty());
}

void frmTasktray::mnLoginAll_Click()
{
    if (m_uses.shared.editionCode != EditionLivedoor)
        return;
    if (m_uses.everyAccount.isRunning())
        m_uses.everyAccount.stop();
    else
        m_uses.everyAccount.logInAll();
}

void frmTasktray::mnLogoutAll_Click()
{
    if (m_uses.shared.editionCode != EditionLivedoor)
        return;
    if (m_uses.everyAccount.isRunning())
        m_uses.everyAccount.stop();
    else
        m_uses.everyAccount.logOutAll();
}

void frmTasktray::mnEnd_Click()
{
    Form_Unload();
    QCoreApplication::quit();
}

void frmTasktray::mnSiteLD_Click(qint16 index)
{
    const QString url = siteLinkUrl(index);
    if (!url.isEmpty())
        m_uses.portalLinks.open(url, this);
}

void frmTasktray::mnChange_Click(qint16 index)
{
    // The edition is fixed for this program: switching has no effect.
    Q_UNUSED(index);
}

void frmTasktray::mnShowMain_Click()
{
    // The trigger has already flipped the check mark: it is now set when the window was hidden.
    // A shown window that is covered, or on another workspace, comes to the front instead of
    // going: only the one the user sees goes.
    if (mnShowMain->isChecked())
        m_uses.visibility.ShowMainWindow();
    else if (m_uses.visibility.isMainWindowInFront())
        m_uses.visibility.HideMainWindow();
    else
        m_uses.visibility.BringMainWindowToFront();
}

void frmTasktray::mnClipboard_Click(qint16 index)
{
    withPassword(index, [this](const QString &id, const QString &password) {
        if (m_uses.clipboard.setSecretText(password))
            emit passwordCopied(id);
    });
}

void frmTasktray::mnLogin_Click(qint16 index)
{
    // The entry's check mark shows whether the account is logged in, not that it was chosen.
    showSessions();
    const qint16 edition = m_uses.shared.editionCode;
    if (edition != EditionLivedoor)
        return;
    QPointer<frmTasktray> self(this);
    const QString id = m_uses.accounts.id(index);
    m_uses.login.logIn(index, id, frmWB::Current::Becomes, [self, id](const AccountLogin::Outcome &outcome) {
        if (!self)
            return;
        if (outcome.problem != Passwords::Problem::None)
            return self->notify(TrayNotifier::Kind::Warning,
                                trayFailureText(StatusText::loginFailed, id, passwordProblemCause(outcome.problem)));
        self->notifyFailure(EnginePage::LogIn, outcome.run, id);
    });
}

void frmTasktray::withPassword(qint16 index, const std::function<void(const QString &, const QString &)> &use)
{
    const QString id = m_uses.accounts.id(index);
    QPointer<frmTasktray> self(this);
    m_uses.passwords.fetch(index, id, [self, id, use](Passwords::Problem problem, const QString &password) {
        if (!self)
            return;
        if (problem != Passwords::Problem::None)
            return self->notify(TrayNotifier::Kind::Warning, passwordProblemText(problem, PasswordUse::Read));
        use(id, password);
    });
}

void frmTasktray::mnLogout_Click()
{
    if (m_uses.shared.editionCode != EditionLivedoor)
        return;
    const QString account = m_uses.webHost.currentAccount();
    m_uses.webHost.logoutLD(
            [this, account](RunOutcome outcome) { notifyFailure(EnginePage::LogOut, outcome, account); });
}

void frmTasktray::ShowEditionSiteMenu()
{
    const qint16 edition = m_uses.shared.editionCode;
    if (edition >= 0 && edition < qint16(mnSite.size()))
        mnSite[edition]->menuAction()->setVisible(true);
}
