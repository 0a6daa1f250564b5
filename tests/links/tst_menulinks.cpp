#include "app/program.h"
#include "common/fakeengine.h"
#include "common/fakes.h"
#include "common/storesandbox.h"
#include "links/hosts.h"
#include "links/linkroute.h"
#include "links/menulinks.h"
#include "store/programsettings.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QUrl>

Q_DECLARE_METATYPE(Host)

namespace {

// The link tables as the settings window's menus use them, by control name.
std::span<const MenuLink> tableOf(const QString &control)
{
    static const QMap<QString, std::span<const MenuLink>> tables{
        { "mnGoTop", std::span(&sitelinks::kTop, 1) },
        { "mnGoShopping", sitelinks::kShopping },
        { "mnGoInformation", sitelinks::kInformation },
        { "mnGoHobby", sitelinks::kHobby },
        { "mnGoPracticality", sitelinks::kPracticality },
        { "mnGoLife", sitelinks::kLife },
        { "mnGoPartner", sitelinks::kPartner },
        { "mnGoIt", sitelinks::kIt },
        { "mnGoKabu", std::span(&sitelinks::kKabu, 1) },
        { "mnGoCredit", std::span(&sitelinks::kCredit, 1) },
        { "mnGoWoogo", std::span(&sitelinks::kWoogo, 1) },
        { "mnHelp", std::span(&productlinks::kHelp, 1) },
        { "mnNew", std::span(&productlinks::kNew, 1) },
        { "mnSeries", productlinks::kSeries },
    };
    return tables.value(control);
}

// The seven submenus of サイト(&G), in menu order.
const std::span<const MenuLink> kSubmenus[] = { sitelinks::kShopping, sitelinks::kInformation,
                                                sitelinks::kHobby, sitelinks::kPracticality,
                                                sitelinks::kLife, sitelinks::kPartner,
                                                sitelinks::kIt };

QList<const MenuLink *> siteRows()
{
    QList<const MenuLink *> rows{ &sitelinks::kTop, &sitelinks::kKabu, &sitelinks::kCredit,
                                  &sitelinks::kWoogo };
    for (const auto &table : kSubmenus)
        for (const MenuLink &link : table)
            rows << &link;
    return rows;
}

// The program with its settings window, a recording URL opener and a fake engine whose portal
// window records its pages. Unless a test says otherwise, the user has chosen to have every link
// in the default browser.
struct Fixture
{
    StoreSandbox sandbox;
    Program program;
    FakeUrlOpener *opener = new FakeUrlOpener;
    FakeEngine *engine = new FakeEngine;
    explicit Fixture(bool linksInDefaultBrowser = true)
    {
        program.settings.setLinksInDefaultBrowser(linksInDefaultBrowser);
        program.urlOpener.reset(opener);
        program.browserEngine.reset(engine);
        program.start(true);
    }
    frmMainLd &window() { return program.mainLd(); }
};

using IndexHandler = void (frmMainLd::*)(qint16);

// The handlers of the menu control arrays, by control name.
IndexHandler handlerOf(const QString &control)
{
    static const QMap<QString, IndexHandler> handlers{
        { "mnGoShopping", &frmMainLd::mnGoShopping_Click },
        { "mnGoInformation", &frmMainLd::mnGoInformation_Click },
        { "mnGoHobby", &frmMainLd::mnGoHobby_Click },
        { "mnGoPracticality", &frmMainLd::mnGoPracticality_Click },
        { "mnGoLife", &frmMainLd::mnGoLife_Click },
        { "mnGoPartner", &frmMainLd::mnGoPartner_Click },
        { "mnGoIt", &frmMainLd::mnGoIt_Click },
        { "mnSeries", &frmMainLd::mnSeries_Click },
    };
    return handlers.value(control);
}

} // namespace

class tst_MenuLinks : public QObject
{
    Q_OBJECT
private slots:
    void everyEntryOpensItsRow_data();
    void everyEntryOpensItsRow();
    void hostOfEachKind_data();
    void hostOfEachKind();
    void fiftyFiveSiteLinksOfPlainHttp();
    void portalBoundaries();
    void edgeCaseAddresses_data();
    void edgeCaseAddresses();
    void indexWithoutRowOpensNothing_data();
    void indexWithoutRowOpensNothing();
    void failedLaunchLeavesNoTrace();
    void productEntriesShareTheEditionPage();
    void f1OpensTheHelpPage();
    void wherePagesOpen_data();
    void wherePagesOpen();
    void menusOpenThePortalInItsWindow();
    void defaultBrowserChoiceIsKept();
};

// Every link of the two menus, written out: the control, its index (-1 for a single entry), the
// caption, the endpoint kind and the path.
void tst_MenuLinks::everyEntryOpensItsRow_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<Host>("host");
    QTest::addColumn<QString>("path");

    auto single = [](const char *control, const char *caption, Host host, const char *path) {
        QTest::newRow(control) << QString::fromLatin1(control) << -1 << QString::fromUtf8(caption)
                               << host << QString::fromLatin1(path);
    };
    auto entries = [](const char *control, Host host,
                      std::initializer_list<std::pair<const char *, const char *>> rows) {
        int index = 0;
        for (const auto &[caption, path] : rows) {
            QTest::addRow("%s(%d)", control, index)
                    << QString::fromLatin1(control) << index << QString::fromUtf8(caption) << host
                    << QString::fromLatin1(path);
            ++index;
        }
    };
    const Host main = Host::PortalMain;
    const Host national = Host::PortalNational;

    single("mnGoTop", "トップ", main, "/");
    single("mnGoKabu", "ライブドア証券", Host::Securities, "/");
    single("mnGoCredit", "ライブドアクレジット", Host::Credit, "/");
    single("mnGoWoogo", "WOO-GO", Host::WooGo, "/index.jsp");

    const char *shopping = "mnGoShopping";
    QTest::newRow("mnGoShopping(0)") << shopping << 0 << "デパート" << Host::DepartmentStore << "/";
    QTest::newRow("mnGoShopping(1)") << shopping << 1 << "本・コミック" << national << "/r/books";
    QTest::newRow("mnGoShopping(2)") << shopping << 2 << "オークション" << national << "/r/auction";
    QTest::newRow("mnGoShopping(3)") << shopping << 3 << "旅行" << national << "/r/travel";
    QTest::newRow("mnGoShopping(4)") << shopping << 4 << "出張" << national << "/r/biztrip";
    QTest::newRow("mnGoShopping(5)") << shopping << 5 << "DVDレンタル『ぽすれん』" << Host::DvdRental << "/";
    QTest::newRow("mnGoShopping(6)") << shopping << 6 << "リサイクル" << Host::Recycling << "/";
    QTest::newRow("mnGoShopping(7)") << shopping << 7 << "Ｔシャツ" << national << "/r/t-select";

    entries("mnGoInformation", main,
            { { "ニュース", "/r/news" }, { "天気", "/r/weather" }, { "スポーツ", "/r/sports" },
              { "ファイナンス・株取引", "/r/finance" }, { "コンピュータ", "/r/computers" } });
    entries("mnGoHobby", main,
            { { "映画", "/r/movie" }, { "ゲーム", "/r/game" }, { "占い", "/r/fortune" },
              { "懸賞", "/r/present" }, { "自動車", "/r/autos" }, { "ゴルフ", "/r/golf" },
              { "テレビ", "/r/tv" }, { "動画", "/r/stream" }, { "出版", "/r/publishing" },
              { "ネットラジオ", "/r/ladio" }, { "コスプレ", "/r/cure" } });
    entries("mnGoPracticality", main,
            { { "地図", "/r/map" }, { "路線", "/r/transit" }, { "電話帳", "/r/phonebook" },
              { "辞書", "/r/dic" }, { "翻訳", "/r/translate" } });
    entries("mnGoLife", main,
            { { "グルメ", "/r/gourmet" }, { "仕事", "/r/career" }, { "学習", "/r/edu" },
              { "アンケート", "/r/voice" }, { "不動産", "/r/realestate" },
              { "ビューティーライフ", "/r/beautylife" }, { "美容整形", "/r/allnavi_beauty" } });
    entries("mnGoPartner", main,
            { { "知り合い", "/r/fp" }, { "ブログ", "/r/blog" }, { "掲示板", "/r/messages" },
              { "チャット", "/r/chat" }, { "友だち", "/r/amigo" }, { "恋人", "/r/yyclub" },
              { "アバター", "/r/avatar" }, { "フォト", "/r/photo" }, { "ネットカード", "/r/netcard" } });
    QTest::newRow("mnGoPartner(9)") << "mnGoPartner" << 9 << "結婚相手" << Host::DeaiStation
                                    << "/ds/index_age.html";
    entries("mnGoIt", main,
            { { "リナックス", "/r/linux" }, { "インターネット接続", "/r/isp" }, { "スカイプ", "/r/skype" },
              { "レンタル掲示板", "/r/rentalbbs" }, { "ソフトウェア", "/r/soft" } });

    // その他(&O): the maker's pages; three entries share this edition's page.
    single("mnHelp", "ヘルプ(&H)", Host::Maker, "/livedoor/");
    single("mnNew", "最新版(&N)", Host::Maker, "/livedoor/");
    entries("mnSeries", Host::Maker,
            { { "ヨルミシリーズ", "/" }, { "ヨルミ＠ヤフー", "/yahoo/" }, { "ヨルミ＠楽天", "/rakuten/" },
              { "ヨルミ＠ビッダーズ", "/bidders/" }, { "ヨルミ＠ライブドア", "/livedoor/" },
              { "ヨルミ＠マルチ", "/multi/" } });
}

void tst_MenuLinks::everyEntryOpensItsRow()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(Host, host);
    QFETCH(QString, path);

    // The table holds the row as written out here.
    const std::span<const MenuLink> table = tableOf(control);
    const MenuLink *row = linkAt(table, qint16(qMax(index, 0)));
    QVERIFY(row);
    QCOMPARE(QString::fromUtf8(row->caption), caption);
    QCOMPARE(row->host, host);
    QCOMPARE(QString::fromUtf8(row->path), path);
    const QString url = QStringLiteral("http://") + hostName(host) + path;
    QCOMPARE(linkUrl(*row), url);

    // The menu entry built from it carries the caption and opens exactly that page.
    Fixture f;
    const QString name = index < 0 ? control : QStringLiteral("%1(%2)").arg(control).arg(index);
    auto *action = f.window().findChild<QAction *>(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), caption);
    QVERIFY(action->isVisible());
    QVERIFY(action->isEnabled());
    if (index >= 0) {
        auto *menu = qobject_cast<QMenu *>(action->parent());
        QVERIFY(menu);
        QCOMPARE(menu->actions().indexOf(action), index);
        QCOMPARE(menu->actions().size(), int(table.size()));
    }
    action->trigger();
    QCOMPARE(f.opener->urls, QStringList{ url });
    QCOMPARE(f.window().SB->text(), QString());
}

// The host of each endpoint kind, and the tray's hosts left as they were.
void tst_MenuLinks::hostOfEachKind_data()
{
    QTest::addColumn<Host>("host");
    QTest::addColumn<QString>("name");
    QTest::newRow("portal main") << Host::PortalMain << "www.livedoor.com";
    QTest::newRow("portal national domain") << Host::PortalNational << "www.livedoor.co.jp";
    QTest::newRow("department store") << Host::DepartmentStore << "depart.livedoor.com";
    QTest::newRow("DVD rental") << Host::DvdRental << "www.posren.com";
    QTest::newRow("recycling") << Host::Recycling << "recycle.livedoor.com";
    QTest::newRow("securities") << Host::Securities << "www.livedoor-sec.co.jp";
    QTest::newRow("credit") << Host::Credit << "www.livedoor-credit.co.jp";
    QTest::newRow("WOO-GO") << Host::WooGo << "www.woo-go.com";
    QTest::newRow("deai-station") << Host::DeaiStation << "www.deai-station.com";
    QTest::newRow("maker") << Host::Maker << "yorumi.example.com";
    QTest::newRow("blog") << Host::Blog << "blog.livedoor.com";
    QTest::newRow("finance board") << Host::FinanceBoard << "bbs.finance.livedoor.com";
}

void tst_MenuLinks::hostOfEachKind()
{
    QFETCH(Host, host);
    QFETCH(QString, name);
    QCOMPARE(hostName(host), name);
    QCOMPARE(httpUrl(host, QStringLiteral("/x")), QStringLiteral("http://") + name + "/x");
}

void tst_MenuLinks::fiftyFiveSiteLinksOfPlainHttp()
{
    std::size_t submenuRows = 0;
    for (const auto &table : kSubmenus)
        submenuRows += table.size();
    QCOMPARE(submenuRows, std::size_t(51));
    const QList<const MenuLink *> rows = siteRows();
    QCOMPARE(rows.size(), 55);

    QList<const MenuLink *> all = rows;
    all << &productlinks::kHelp << &productlinks::kNew;
    for (const MenuLink &link : productlinks::kSeries)
        all << &link;
    for (const MenuLink *link : std::as_const(all)) {
        const QUrl url(linkUrl(*link), QUrl::StrictMode);
        const QString what = QString::fromUtf8(link->caption);
        QVERIFY2(url.isValid(), qPrintable(what));
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QCOMPARE(url.port(), -1);
        QCOMPARE(url.host(), hostName(link->host));
        QCOMPARE(url.path(), QString::fromUtf8(link->path));
        QVERIFY2(!url.hasQuery() && !url.hasFragment(), qPrintable(what));
        QVERIFY2(url.path().startsWith(QLatin1Char('/')), qPrintable(what));
    }
}

// The national-domain host serves only the five shopping paths under "/r/", and 結婚相手 is
// the only submenu entry that leaves the portal.
void tst_MenuLinks::portalBoundaries()
{
    const QList<Host> portal{ Host::PortalMain, Host::PortalNational, Host::DepartmentStore,
                              Host::DvdRental, Host::Recycling };
    QStringList national;
    QStringList leaving;
    for (const auto &table : kSubmenus) {
        for (const MenuLink &link : table) {
            if (link.host == Host::PortalNational)
                national << QString::fromUtf8(link.path);
            if (!portal.contains(link.host))
                leaving << QString::fromUtf8(link.caption);
        }
    }
    QCOMPARE(national, (QStringList{ "/r/books", "/r/auction", "/r/travel", "/r/biztrip",
                                     "/r/t-select" }));
    QCOMPARE(leaving, QStringList{ "結婚相手" });
}

void tst_MenuLinks::edgeCaseAddresses_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("url");
    QTest::newRow("コスプレ") << "mnGoHobby(10)" << "http://www.livedoor.com/r/cure";
    QTest::newRow("ネットラジオ, with an l") << "mnGoHobby(9)" << "http://www.livedoor.com/r/ladio";
    QTest::newRow("結婚相手") << "mnGoPartner(9)" << "http://www.deai-station.com/ds/index_age.html";
    QTest::newRow("本・コミック, national domain") << "mnGoShopping(1)" << "http://www.livedoor.co.jp/r/books";
    QTest::newRow("デパート, root") << "mnGoShopping(0)" << "http://depart.livedoor.com/";
    QTest::newRow("トップ, root") << "mnGoTop" << "http://www.livedoor.com/";
    QTest::newRow("WOO-GO") << "mnGoWoogo" << "http://www.woo-go.com/index.jsp";
}

void tst_MenuLinks::edgeCaseAddresses()
{
    QFETCH(QString, control);
    QFETCH(QString, url);
    Fixture f;
    f.window().findChild<QAction *>(control)->trigger();
    QCOMPARE(f.opener->urls, QStringList{ url });
}

void tst_MenuLinks::indexWithoutRowOpensNothing_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::newRow("買物 8") << "mnGoShopping" << 8;
    QTest::newRow("買物 -1") << "mnGoShopping" << -1;
    QTest::newRow("情報 5") << "mnGoInformation" << 5;
    QTest::newRow("趣味 11") << "mnGoHobby" << 11;
    QTest::newRow("実用 5") << "mnGoPracticality" << 5;
    QTest::newRow("生活 7") << "mnGoLife" << 7;
    QTest::newRow("仲間 10") << "mnGoPartner" << 10;
    QTest::newRow("IT 5") << "mnGoIt" << 5;
    QTest::newRow("IT -32768") << "mnGoIt" << -32768;
    QTest::newRow("シリーズ 6") << "mnSeries" << 6;
    QTest::newRow("シリーズ 32767") << "mnSeries" << 32767;
}

void tst_MenuLinks::indexWithoutRowOpensNothing()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    const IndexHandler handler = handlerOf(control);
    QVERIFY(handler);
    Fixture f;
    // The last row still opens: the handler and the index are the ones under test.
    const qint16 last = qint16(tableOf(control).size() - 1);
    (f.window().*handler)(last);
    QCOMPARE(f.opener->urls.size(), 1);
    (f.window().*handler)(qint16(index));
    QCOMPARE(f.opener->urls.size(), 1);
    QCOMPARE(f.window().SB->text(), QString());
}

void tst_MenuLinks::failedLaunchLeavesNoTrace()
{
    Fixture f;
    f.opener->accept = false;
    f.program.visibility().ShowMainWindow();
    frmMainLd &window = f.window();
    window.SB->setText(QStringLiteral("ログイン完了"));
    window.move(40, 50);
    const SharedValues before = f.program.shared;

    int triggered = 0;
    for (QMenu *menu : { window.mnGoSite, window.mnOther }) {
        for (QAction *action : menu->findChildren<QAction *>()) {
            // Every link entry: not the About box, nor the choices with a check mark.
            if (action->objectName().startsWith(QLatin1String("mn")) && action != window.mnAbout
                && !action->isCheckable()
                && !action->menu()) {
                action->trigger();
                ++triggered;
            }
        }
    }
    QCOMPARE(triggered, 55 + 8);
    QCOMPARE(f.opener->urls.size(), triggered);
    QCOMPARE(window.SB->text(), QStringLiteral("ログイン完了"));
    QVERIFY(window.isVisible());
    QVERIFY(window.isEnabled());
    QCOMPARE(window.pos(), QPoint(40, 50));
    QCOMPARE(f.program.shared.rememberedLeft, before.rememberedLeft);
    QCOMPARE(f.program.shared.rememberedTop, before.rememberedTop);
    QCOMPARE(f.program.shared.alwaysOnTop, before.alwaysOnTop);
    QCOMPARE(f.program.shared.selectedSlot, before.selectedSlot);
}

void tst_MenuLinks::productEntriesShareTheEditionPage()
{
    const QString edition = QStringLiteral("http://yorumi.example.com/livedoor/");
    Fixture f;
    f.window().mnHelp->trigger();
    f.window().mnNew->trigger();
    f.window().mnSeries[4]->trigger();
    QCOMPARE(f.opener->urls, (QStringList{ edition, edition, edition }));
}

void tst_MenuLinks::f1OpensTheHelpPage()
{
    Fixture f;
    f.sandbox.seedAccounts({ QStringLiteral("taro") }, { QStringLiteral("x") });
    f.window().RefreshAccountList();
    f.program.visibility().ShowMainWindow();
    frmMainLd &window = f.window();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.lbID->setFocus();
    window.lbID->setCurrentRow(0);
    QTRY_VERIFY(window.lbID->hasFocus());

    QTest::keyClick(window.lbID, Qt::Key_F1);
    QCOMPARE(f.opener->urls, QStringList{ linkUrl(productlinks::kHelp) });
    QCOMPARE(f.opener->urls, QStringList{ "http://yorumi.example.com/livedoor/" });
    // The key did nothing else: the selection and the status bar are as they were.
    QCOMPARE(window.lbID->currentRow(), 0);
    QCOMPARE(window.SB->text(), QString());
}

// Pages of the portal open in the portal window, which shows the login; everything else, and
// everything once the user chose so, in the default browser.
void tst_MenuLinks::wherePagesOpen_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("inWindow");
    const auto row = [](const char *name, const char *url, bool inWindow) {
        QTest::newRow(name) << QString::fromLatin1(url) << inWindow;
    };
    row("portal top", "http://www.livedoor.com/", true);
    row("login over https", "https://member.livedoor.com/login/", true);
    row("bare domain", "http://livedoor.com/", true);
    row("deep subdomain", "http://bbs.finance.livedoor.com/category/", true);
    row(".jp", "http://news.livedoor.jp/", true);
    row(".co.jp", "http://www.livedoor.co.jp/r/books", true);
    row(".biz", "http://www.livedoor.biz/", true);
    row(".net", "http://img.livedoor.net/x.png", true);
    row("link menu site", "http://www.posren.com/", true);
    row("link menu site, other subdomain", "http://shop.deai-station.com/", true);
    row("capitals and a trailing dot", "HTTP://WWW.LIVEDOOR.COM./", true);
    row("port", "http://www.livedoor.com:8080/", true);
    row("maker", "http://yorumi.example.com/livedoor/", false);
    row("another site", "http://example.com/", false);
    row("lookalike prefix", "http://evil-livedoor.com/", false);
    row("lookalike suffix", "http://www.livedoor.com.evil.example/", false);
    row("user part naming the portal", "http://www.livedoor.com@evil.example/", false);
    row("another domain of a link site", "http://www.posren.jp/", false);
    row("not the web", "ftp://www.livedoor.com/", false);
    row("mail", "mailto:someone@livedoor.com", false);
}

void tst_MenuLinks::wherePagesOpen()
{
    QFETCH(QString, url);
    QFETCH(bool, inWindow);
    QCOMPARE(linkPlace(QUrl(url), false) == LinkPlace::PortalWindow, inWindow);
    QCOMPARE(linkPlace(QUrl(url), true), LinkPlace::DefaultBrowser);
}

// By default the portal's menu entries, the tray's among them, open a tab in the portal window,
// showing the account last logged in; the maker's pages still go to the default browser, and so
// does a page the window leaves to it.
void tst_MenuLinks::menusOpenThePortalInItsWindow()
{
    Fixture f(false);
    f.program.settings.setLastAccount(QStringLiteral("bob"));
    f.window().mnGoTop->trigger();
    f.window().mnGoPartner[9]->trigger();
    f.program.tasktray().mnSiteLD[4]->trigger();
    f.window().mnHelp->trigger();
    f.window().mnSeries[0]->trigger();
    QCOMPARE(f.engine->portalPages, (QStringList{ "http://www.livedoor.com/",
                                                  "http://www.deai-station.com/ds/index_age.html",
                                                  "http://www.posren.com/" }));
    QCOMPARE(f.engine->portalAccounts, (QStringList{ "bob", "bob", "bob" }));
    QCOMPARE(f.opener->urls, (QStringList{ "http://yorumi.example.com/livedoor/", "http://yorumi.example.com/" }));

    emit f.engine->externalLinkRequested(QUrl(QStringLiteral("https://example.com/a?b=c")));
    QCOMPARE(f.opener->urls.last(), QStringLiteral("https://example.com/a?b=c"));
    emit f.engine->portalGeometryChanged(QByteArray("geometry"));
    QCOMPARE(ProgramSettings().portalWindowGeometry(), QByteArray("geometry"));
}

// "リンクを既定のブラウザで開く" is unticked until the user ticks it, and the choice outlives the
// program.
void tst_MenuLinks::defaultBrowserChoiceIsKept()
{
    StoreSandbox sandbox;
    {
        Program program;
        program.browserEngine = std::make_unique<FakeEngine>();
        program.start(true);
        frmMainLd &window = program.mainLd();
        QVERIFY(window.mnLinksInBrowser->isCheckable());
        QVERIFY(!window.mnLinksInBrowser->isChecked());
        window.mnLinksInBrowser->trigger();
    }
    Program program;
    program.browserEngine = std::make_unique<FakeEngine>();
    program.start(true);
    QVERIFY(program.mainLd().mnLinksInBrowser->isChecked());
    QVERIFY(program.settings.linksInDefaultBrowser());
}

QTEST_MAIN(tst_MenuLinks)
#include "tst_menulinks.moc"
