#include "ui/main/frmmainld.h"

#include "links/menulinks.h"
#include "platform/autostart.h"
#include "store/accounts.h"
#include "store/programsettings.h"
#include "tray/notificationareastate.h"
#include "tray/windowvisibility.h"
#include "ui/common/accountmark.h"
#include "ui/common/inputpause.h"
#include "ui/common/placement.h"
#include "ui/common/twips.h"
#include "ui/main/accountlistbox.h"
#include "ui/main/statusbar.h"
#include "web/loginsessions.h"

#include <QAction>
#include <QCloseEvent>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

// Client area below the menu bar, in twips: the frame with the list and buttons, then the
// status bar along the bottom edge.
constexpr int kMainWindowClientWidth = 3885;
constexpr int kStatusBarTop = 2430;
constexpr int kStatusBarHeight = 375;

const QString kNoAccounts = QStringLiteral("IDが登録されていません。「新規登録」で追加してください。");

QAction *addEntry(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

// Fills one menu control array: element i gets caption i and the name "<name>(i)".
template<std::size_t N>
void addEntries(QMenu *menu, const char *name, std::array<QAction *, N> &entries,
                const std::array<QString, N> &captions)
{
    for (std::size_t i = 0; i < N; ++i) {
        entries[i] = menu->addAction(captions[i]);
        entries[i]->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
    }
}

QMenu *addSubmenu(QMenu *parent, const char *name, const QString &caption)
{
    QMenu *menu = parent->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

frmMainLd::frmMainLd(Uses uses, QWidget *parent)
    : QMainWindow(parent)
    , m_uses(std::move(uses))
{
    setObjectName(QStringLiteral("frmMainLd"));
    setWindowTitle(QStringLiteral("ライブドアID設定画面"));
    buildControls();
    m_input = std::make_unique<InputPause>(*this, *lbID);
    buildMenus();
    connectLoginCommands();
    connectEditingCommands();
    connectLinkMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmMainLd::~frmMainLd() = default;

void frmMainLd::buildControls()
{
    auto *client = new QWidget(this);
    client->setFixedSize(twipsToPixels(kMainWindowClientWidth, logicalDpiX()),
                         twipsToPixels(kStatusBarTop, logicalDpiY()));
    setCentralWidget(client);

    frMain = new QWidget(client);
    frMain->setObjectName(QStringLiteral("frMain"));
    placeInTwips(frMain, 0, 0, 3675, 2385);

    lbID = new AccountListBox(frMain);
    lbID->setObjectName(QStringLiteral("lbID"));
    lbID->setSelectionMode(QAbstractItemView::SingleSelection);
    lbID->setSortingEnabled(false);
    // The accounts' colour marks stay within a line of text: the rows keep their height.
    lbID->setIconSize(QSize(10, 10));
    placeInTwips(lbID, 120, 240, 2295, 2040);

    auto button = [this](const char *name, const QString &caption, int left, int top, int width) {
        auto *b = new QPushButton(caption, frMain);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        placeInTwips(b, left, top, width, 255);
        return b;
    };
    cmdLOGIN = button("cmdLOGIN", QStringLiteral("ログイン"), 2400, 360, 1215);
    cmdLOGOUT = button("cmdLOGOUT", QStringLiteral("ログアウト"), 2400, 600, 1215);
    cmdCopy = button("cmdCopy", QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞ"), 2400, 840, 1215);
    cmdNEW = button("cmdNEW", QStringLiteral("新規登録"), 2400, 1320, 1215);
    cmdREGISTRY = button("cmdREGISTRY", QStringLiteral("修正"), 2400, 1560, 1215);
    cmdDELETE = button("cmdDELETE", QStringLiteral("削除"), 2400, 1800, 1215);
    cmdDown = button("cmdDown", QStringLiteral("▼"), 2400, 2040, 615);
    cmdUp = button("cmdUp", QStringLiteral("▲"), 3000, 2040, 615);
    // What a screen reader says where a caption does not speak for itself.
    lbID->setAccessibleName(QStringLiteral("ID一覧"));
    cmdDown->setAccessibleName(QStringLiteral("下へ移動"));
    cmdUp->setAccessibleName(QStringLiteral("上へ移動"));

    setTabOrder(lbID, cmdLOGIN);
    setTabOrder(cmdLOGIN, cmdLOGOUT);
    setTabOrder(cmdLOGOUT, cmdCopy);
    setTabOrder(cmdCopy, cmdNEW);
    setTabOrder(cmdNEW, cmdREGISTRY);
    setTabOrder(cmdREGISTRY, cmdDELETE);
    setTabOrder(cmdDELETE, cmdDown);
    setTabOrder(cmdDown, cmdUp);

    SB = new StatusBar(this);
    SB->setObjectName(QStringLiteral("SB"));
    SB->setFixedHeight(twipsToPixels(kStatusBarHeight, logicalDpiY()));
    SB->setAccessibleName(QStringLiteral("状態"));
    setStatusBar(SB);
}

void frmMainLd::buildMenus()
{
    QMenuBar *bar = menuBar();

    mnVisual = bar->addMenu(QStringLiteral("機能(&F)"));
    mnVisual->setObjectName(QStringLiteral("mnVisual"));
    // The edition switch belongs to the product family's menu layout; it is never shown here.
    mnChangeP = addSubmenu(mnVisual, "mnChangeP", QStringLiteral("切替(&C)"));
    addEntries(mnChangeP, "mnChange", mnChange,
               { QStringLiteral("＠ヤフー(&Y)"), QStringLiteral("＠楽天(&R)"),
                 QStringLiteral("＠ビッダーズ(&B)"), QStringLiteral("＠ライブドア(&L)") });
    for (qint16 i = 0; i < qint16(mnChange.size()); ++i)
        connect(mnChange[i], &QAction::triggered, this, [this, i] { mnChange_Click(i); });
    mnChange[EditionLivedoor]->setVisible(false);
    mnChangeP->menuAction()->setVisible(false);
    mnWindowPos = addEntry(mnVisual, "mnWindowPos", QStringLiteral("常に最前面に表示(&T)"));
    mnWindowPos->setCheckable(true);
    mnWindowPos->setChecked(false);
    mnShowTasktray = addEntry(mnVisual, "mnShowTasktray", QStringLiteral("設定画面を隠す(&H)"));
    connect(mnWindowPos, &QAction::triggered, this, &frmMainLd::mnWindowPos_Click);
    connect(mnShowTasktray, &QAction::triggered, this, &frmMainLd::mnShowTasktray_Click);
    // Ends the program from the window too: without a notification area its close box only hides
    // it once a panel has been seen.
    mnVisual->addSeparator();
    mnEnd = addEntry(mnVisual, "mnEnd", QStringLiteral("終了(&X)"));
    connect(mnEnd, &QAction::triggered, this, &frmMainLd::mnEnd_Click);

    // The link menus are built from their link tables (links/menulinks.h).
    auto caption = [](const MenuLink &link) { return QString::fromUtf8(link.caption); };
    mnGoSite = bar->addMenu(QStringLiteral("サイト(&G) "));
    mnGoSite->setObjectName(QStringLiteral("mnGoSite"));
    mnGoTop = addEntry(mnGoSite, "mnGoTop", caption(sitelinks::kTop));
    mnGoShoppingP = addSubmenu(mnGoSite, "mnGoShoppingP", QStringLiteral("買物"));
    addEntries(mnGoShoppingP, "mnGoShopping", mnGoShopping, linkCaptions(sitelinks::kShopping));
    mnGoInformationP = addSubmenu(mnGoSite, "mnGoInformationP", QStringLiteral("情報"));
    addEntries(mnGoInformationP, "mnGoInformation", mnGoInformation,
               linkCaptions(sitelinks::kInformation));
    mnGoHobbyP = addSubmenu(mnGoSite, "mnGoHobbyP", QStringLiteral("趣味"));
    addEntries(mnGoHobbyP, "mnGoHobby", mnGoHobby, linkCaptions(sitelinks::kHobby));
    mnGoPracticalityP = addSubmenu(mnGoSite, "mnGoPracticalityP", QStringLiteral("実用"));
    addEntries(mnGoPracticalityP, "mnGoPracticality", mnGoPracticality,
               linkCaptions(sitelinks::kPracticality));
    mnGoLifeP = addSubmenu(mnGoSite, "mnGoLifeP", QStringLiteral("生活"));
    addEntries(mnGoLifeP, "mnGoLife", mnGoLife, linkCaptions(sitelinks::kLife));
    mnGoPartnerP = addSubmenu(mnGoSite, "mnGoPartnerP", QStringLiteral("仲間"));
    addEntries(mnGoPartnerP, "mnGoPartner", mnGoPartner, linkCaptions(sitelinks::kPartner));
    mnGoItP = addSubmenu(mnGoSite, "mnGoItP", QStringLiteral("IT"));
    addEntries(mnGoItP, "mnGoIt", mnGoIt, linkCaptions(sitelinks::kIt));
    mnGoSite->addSeparator();
    mnGoKabu = addEntry(mnGoSite, "mnGoKabu", caption(sitelinks::kKabu));
    mnGoCredit = addEntry(mnGoSite, "mnGoCredit", caption(sitelinks::kCredit));
    mnGoWoogo = addEntry(mnGoSite, "mnGoWoogo", caption(sitelinks::kWoogo));

    mnOther = bar->addMenu(QStringLiteral("その他(&O)"));
    mnOther->setObjectName(QStringLiteral("mnOther"));
    mnHelp = addEntry(mnOther, "mnHelp", caption(productlinks::kHelp));
    mnHelp->setShortcut(QKeySequence(Qt::Key_F1));
    mnOther->addSeparator();
    mnAbout = addEntry(mnOther, "mnAbout", QStringLiteral("バージョン情報(V)"));
    mnNew = addEntry(mnOther, "mnNew", caption(productlinks::kNew));
    mnOther->addSeparator();
    mnSeriesP = addSubmenu(mnOther, "mnSeriesP", QStringLiteral("シリーズ(&S)"));
    addEntries(mnSeriesP, "mnSeries", mnSeries, linkCaptions(productlinks::kSeries));
    mnOther->addSeparator();
    mnLinksInBrowser = addEntry(mnOther, "mnLinksInBrowser", QStringLiteral("リンクを既定のブラウザで開く"));
    mnLinksInBrowser->setCheckable(true);
    mnLinksInBrowser->setStatusTip(
            QStringLiteral("既定のブラウザで開いたページには、ここでのログインが反映されません。"));
    mnStartAtLogin = addEntry(mnOther, "mnStartAtLogin", QStringLiteral("ログイン時に起動"));
    mnStartAtLogin->setCheckable(true);
    connect(mnStartAtLogin, &QAction::triggered, this, &frmMainLd::mnStartAtLogin_Click);
    mnClearClipboard = addEntry(mnOther, "mnClearClipboard", QStringLiteral("クリップボードを30秒後に消去"));
    mnClearClipboard->setCheckable(true);
    mnClearClipboard->setStatusTip(
            QStringLiteral("コピーしたパスワードは、30秒後にまだクリップボードにあれば消去されます。"));
    connect(mnClearClipboard, &QAction::triggered, this, &frmMainLd::mnClearClipboard_Click);
    mnKeyring = addEntry(mnOther, "mnKeyring", QStringLiteral("パスワードをキーリングに保存"));
    mnKeyring->setCheckable(true);
    mnKeyring->setStatusTip(QStringLiteral("パスワードを設定ファイルではなく、デスクトップのキーリングに保存します。"));
    connect(mnKeyring, &QAction::triggered, this, &frmMainLd::mnKeyring_Click);
    mnRenewLogins = addEntry(mnOther, "mnRenewLogins", QStringLiteral("ログインが切れたら自動でログインし直す"));
    mnRenewLogins->setCheckable(true);
    mnRenewLogins->setStatusTip(QStringLiteral("開いているページのログインが切れたとき、確認せずにログインし直します。"));
    connect(mnRenewLogins, &QAction::triggered, this, &frmMainLd::mnRenewLogins_Click);
    mnOther->addSeparator();
    mnImport = addEntry(mnOther, "mnImport", QStringLiteral("インポート(&I)..."));
    mnImport->setStatusTip(QStringLiteral("ブラウザやパスワード管理ソフト、Windows版のアカウントを取り込みます。"));
    connect(mnImport, &QAction::triggered, this, &frmMainLd::mnImport_Click);
    mnExport = addEntry(mnOther, "mnExport", QStringLiteral("エクスポート(&E)..."));
    mnExport->setStatusTip(QStringLiteral("アカウントをパスワード管理ソフトで読み込めるCSVファイルに書き出します。"));
    connect(mnExport, &QAction::triggered, this, &frmMainLd::mnExport_Click);
    // The list's marks follow the logins.
    connect(&m_uses.sessions, &LoginSessions::changed, this, &frmMainLd::showSessions);
    // Each option's mark follows its setting, whoever changed it.
    connect(&m_uses.settings, &ProgramSettings::changed, this, &frmMainLd::showOption);
}

void frmMainLd::showOption(ProgramSettings::Key key)
{
    using Key = ProgramSettings::Key;
    const std::pair<Key, QAction *> options[] = {
        { Key::LinksInDefaultBrowser, mnLinksInBrowser },
        { Key::ClearsClipboard, mnClearClipboard },
        { Key::PasswordsInKeyring, mnKeyring },
        { Key::RenewsLogins, mnRenewLogins },
    };
    for (const auto &[optionKey, action] : options) {
        if (optionKey == key)
            action->setChecked(m_uses.settings.value(key).toBool());
    }
}

void frmMainLd::Form_Load()
{
    mnStartAtLogin->setChecked(m_uses.autostart.isEnabled());
    for (const ProgramSettings::Key key : { ProgramSettings::Key::LinksInDefaultBrowser, ProgramSettings::Key::ClearsClipboard,
                                            ProgramSettings::Key::PasswordsInKeyring, ProgramSettings::Key::RenewsLogins })
        showOption(key);
    RefreshAccountList();
    // A store with no account changes nothing of the list: it is shown empty from the start.
    showWhetherListed();
}

void frmMainLd::RefreshAccountList()
{
    m_uses.accounts.reload();
}

void frmMainLd::showAccounts()
{
    const Accounts &accounts = m_uses.accounts;
    lbID->clear();
    for (qint16 slot = 0; slot < accounts.count(); ++slot)
        lbID->addItem(accounts.id(slot));
    showWhetherListed();
    showSessions();
}

void frmMainLd::showWhetherListed()
{
    const bool listed = lbID->count() > 0;
    for (QPushButton *command : { cmdLOGIN, cmdCopy, cmdREGISTRY, cmdDELETE, cmdDown, cmdUp })
        command->setEnabled(listed);
    if (!listed)
        SB->setText(kNoAccounts);
    else if (SB->text() == kNoAccounts)
        SB->setText(QString());
}

void frmMainLd::showCopied(const QString &id)
{
    QString text = QStringLiteral("%1のパスワードをコピーしました。").arg(id);
    if (m_uses.settings.clearsClipboard())
        text += QStringLiteral("（30秒後に消去）");
    SB->setText(text);
}

void frmMainLd::showSessions()
{
    for (int row = 0; row < lbID->count(); ++row) {
        QListWidgetItem *item = lbID->item(row);
        item->setIcon(accountMark(item->text(), m_uses.sessions.isLoggedIn(item->text())));
    }
}

void frmMainLd::mnWindowPos_Click()
{
    // The trigger has already flipped the check mark: it now shows the new setting.
    const bool topmost = mnWindowPos->isChecked();
    setTopmost(this, topmost);
    m_uses.shared.alwaysOnTop = topmost ? kVbTrue : kVbFalse;
}

void frmMainLd::mnChange_Click(qint16 index)
{
    // The edition is fixed for this program: switching has no effect.
    Q_UNUSED(index);
}

void frmMainLd::mnShowTasktray_Click()
{
    m_uses.visibility.HideMainWindow();
}

void frmMainLd::mnEnd_Click()
{
    m_uses.endProgram();
}

void frmMainLd::closeEvent(QCloseEvent *event)
{
    if (m_uses.notificationArea.closeBoxHides()) {
        // The close box sends the window back to the tray, like 設定画面を隠す.
        event->ignore();
        m_uses.visibility.HideMainWindow();
        return;
    }
    // With no notification area so far, this window is the only way to reach the program.
    event->accept();
    m_uses.endProgram();
}
