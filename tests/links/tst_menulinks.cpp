#include "app/program.h"
#include "common/fakeengine.h"
#include "common/fakes.h"
#include "common/storesandbox.h"
#include "links/linkroute.h"
#include "store/programsettings.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"
#include "web/frmwb.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QUrl>

namespace {

// The program with its settings window, a recording URL opener and a fake engine whose portal
// window records its pages. Unless a test says otherwise, the user has chosen to have every link
// in the default browser.
struct Fixture
{
    StoreSandbox sandbox;
    FakeUrlOpener *opener = new FakeUrlOpener;
    FakeEngine *engine = new FakeEngine;
    Program program{ services() };
    explicit Fixture(bool linksInDefaultBrowser = true)
    {
        program.settings().setLinksInDefaultBrowser(linksInDefaultBrowser);
        program.start(true);
    }
    frmMainLd &window() { return program.mainLd(); }

private:
    Services services()
    {
        Services services;
        services.urlOpener.reset(opener);
        services.engine.reset(engine);
        return services;
    }
};

// The entry reached from the menu bar through these captions, as the user chooses it.
QAction *entryAt(const frmMainLd &window, const QStringList &captions)
{
    QList<QAction *> actions = window.menuBar()->actions();
    QAction *found = nullptr;
    for (const QString &caption : captions) {
        const auto it = std::find_if(actions.begin(), actions.end(),
                                     [&](const QAction *action) { return action->text() == caption; });
        if (it == actions.end())
            return nullptr;
        found = *it;
        actions = found->menu() ? found->menu()->actions() : QList<QAction *>();
    }
    return found;
}

// A link entry, by its captions below the menu it was chosen from ("趣味 > コスプレ"), and the
// pages it opened.
struct Opened
{
    QString entry;
    QStringList urls;
};

// Chooses every link entry of the menu and of its submenus, one after the other: every entry
// but the separators, the About box, インポート and エクスポート (each asks for a file) and the
// choices with a check mark.
QList<Opened> chooseEveryLink(Fixture &f, const QMenu *menu, const QString &above = {})
{
    QList<Opened> out;
    for (QAction *action : menu->actions()) {
        const QString entry = above.isEmpty() ? action->text() : above + QStringLiteral(" > ") + action->text();
        if (action->menu()) {
            out << chooseEveryLink(f, action->menu(), entry);
        } else if (!action->isSeparator() && !action->isCheckable() && action != f.window().mnAbout
                   && action != f.window().mnImport && action != f.window().mnExport) {
            const qsizetype before = f.opener->urls.size();
            action->trigger();
            out.append({ entry, f.opener->urls.mid(before) });
        }
    }
    return out;
}

Services withFakeEngine()
{
    Services services;
    services.engine = std::make_unique<FakeEngine>();
    return services;
}

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
    void entriesOpenTheirPages_data();
    void entriesOpenTheirPages();
    void everyLinkEntryOpensOnePage();
    void portalBoundaries();
    void loginFormIsTheMemberHostsAlone();
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

// A few entries, chosen by their captions, and the page each opens: one on each site the menus
// reach, the portal's own pages on two domains among them.
void tst_MenuLinks::entriesOpenTheirPages_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("url");
    const QString site = QStringLiteral("サイト(&G) "); // the menu bar's caption ends in a blank
    const QString other = QStringLiteral("その他(&O)");
    const auto row = [](const char *name, const QStringList &captions, const char *url) {
        QTest::newRow(name) << captions << QString::fromLatin1(url);
    };
    row("トップ", { site, "トップ" }, "http://www.livedoor.com/");
    row("コスプレ", { site, "趣味", "コスプレ" }, "http://www.livedoor.com/r/cure");
    row("ネットラジオ, with an l", { site, "趣味", "ネットラジオ" }, "http://www.livedoor.com/r/ladio");
    row("ブログ", { site, "仲間", "ブログ" }, "http://www.livedoor.com/r/blog");
    row("本・コミック, national domain", { site, "買物", "本・コミック" }, "http://www.livedoor.co.jp/r/books");
    row("デパート", { site, "買物", "デパート" }, "http://depart.livedoor.com/");
    row("ぽすれん", { site, "買物", "DVDレンタル『ぽすれん』" }, "http://www.posren.com/");
    row("リサイクル", { site, "買物", "リサイクル" }, "http://recycle.livedoor.com/");
    row("結婚相手", { site, "仲間", "結婚相手" }, "http://www.deai-station.com/ds/index_age.html");
    row("ライブドア証券", { site, "ライブドア証券" }, "http://www.livedoor-sec.co.jp/");
    row("ライブドアクレジット", { site, "ライブドアクレジット" }, "http://www.livedoor-credit.co.jp/");
    row("WOO-GO", { site, "WOO-GO" }, "http://www.woo-go.com/index.jsp");
    row("ヘルプ", { other, "ヘルプ(&H)" }, "http://yorumi.example.com/livedoor/");
    row("ヨルミ＠マルチ", { other, "シリーズ(&S)", "ヨルミ＠マルチ" }, "http://yorumi.example.com/multi/");
}

void tst_MenuLinks::entriesOpenTheirPages()
{
    QFETCH(QStringList, captions);
    QFETCH(QString, url);
    Fixture f;
    QAction *entry = entryAt(f.window(), captions);
    QVERIFY2(entry, qPrintable(captions.join(QStringLiteral(" > "))));
    // A page that opens says nothing: the status text stays as it was (the empty list's hint).
    const QString status = f.window().SB->text();
    entry->trigger();
    QCOMPARE(f.opener->urls, QStringList{ url });
    QCOMPARE(f.window().SB->text(), status);
}

// Each of the 55 entries of サイト(&G) and the 8 product pages of その他(&O) opens exactly one web
// page; no two entries of サイト(&G) open the same one.
void tst_MenuLinks::everyLinkEntryOpensOnePage()
{
    Fixture f;
    const QList<Opened> site = chooseEveryLink(f, f.window().mnGoSite);
    const QList<Opened> products = chooseEveryLink(f, f.window().mnOther);
    QCOMPARE(site.size(), 55);
    QCOMPARE(products.size(), 8);
    for (const Opened &opened : site + products) {
        const QString what = opened.entry + QStringLiteral(": ") + opened.urls.join(QStringLiteral(", "));
        QVERIFY2(opened.urls.size() == 1, qPrintable(what));
        const QUrl url(opened.urls[0], QUrl::StrictMode);
        QVERIFY2(url.isValid() && url.scheme() == QLatin1String("http") && !url.host().isEmpty()
                         && url.port() == -1 && !url.hasQuery() && !url.hasFragment(),
                 qPrintable(what));
    }
    QSet<QString> sitePages;
    for (const Opened &opened : site)
        sitePages.insert(opened.urls[0]);
    QCOMPARE(sitePages.size(), 55);
}

// The national-domain host serves only the five shopping pages under "/r/", and 結婚相手 is the
// only submenu entry that leaves the portal's sites.
void tst_MenuLinks::portalBoundaries()
{
    const QStringList portal{ "www.livedoor.com", "www.livedoor.co.jp", "depart.livedoor.com",
                              "www.posren.com", "recycle.livedoor.com" };
    Fixture f;
    QStringList national;
    QStringList leaving;
    for (const Opened &opened : chooseEveryLink(f, f.window().mnGoSite)) {
        const QUrl url(opened.urls.value(0));
        if (url.host() == QLatin1String("www.livedoor.co.jp"))
            national << url.toString();
        if (opened.entry.contains(QLatin1String(" > ")) && !portal.contains(url.host()))
            leaving << opened.entry;
    }
    QCOMPARE(national, (QStringList{ "http://www.livedoor.co.jp/r/books",
                                     "http://www.livedoor.co.jp/r/auction",
                                     "http://www.livedoor.co.jp/r/travel",
                                     "http://www.livedoor.co.jp/r/biztrip",
                                     "http://www.livedoor.co.jp/r/t-select" }));
    QCOMPARE(leaving, QStringList{ "仲間 > 結婚相手" });
}

// The login form, which a login fills and whose showing ends a login, is the member host's: a
// "/login" page of the portal's other sites is a page like any other.
void tst_MenuLinks::loginFormIsTheMemberHostsAlone()
{
    const QStringList forms{ "https://member.livedoor.com/login/index", "http://MEMBER.livedoor.com/login",
                             "https://member.livedoor.com/login/?.next=http%3A%2F%2Fblog.livedoor.com%2F" };
    const QStringList others{ "https://www.livedoor.com/login", "https://blog.livedoor.com/login/index",
                              "https://member.livedoor.com.example.net/login/index",
                              "https://member.livedoor.com/loginhelp", "ftp://member.livedoor.com/login/" };
    for (const QString &form : forms)
        QVERIFY2(isLoginForm(QUrl(form)), qPrintable(form));
    for (const QString &other : others)
        QVERIFY2(!isLoginForm(QUrl(other)), qPrintable(other));
}

void tst_MenuLinks::indexWithoutRowOpensNothing_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("index");
    QTest::newRow("買物 8") << "mnGoShopping" << 8 << 8;
    QTest::newRow("買物 -1") << "mnGoShopping" << 8 << -1;
    QTest::newRow("情報 5") << "mnGoInformation" << 5 << 5;
    QTest::newRow("趣味 11") << "mnGoHobby" << 11 << 11;
    QTest::newRow("実用 5") << "mnGoPracticality" << 5 << 5;
    QTest::newRow("生活 7") << "mnGoLife" << 7 << 7;
    QTest::newRow("仲間 10") << "mnGoPartner" << 10 << 10;
    QTest::newRow("IT 5") << "mnGoIt" << 5 << 5;
    QTest::newRow("IT -32768") << "mnGoIt" << 5 << -32768;
    QTest::newRow("シリーズ 6") << "mnSeries" << 6 << 6;
    QTest::newRow("シリーズ 32767") << "mnSeries" << 6 << 32767;
}

void tst_MenuLinks::indexWithoutRowOpensNothing()
{
    QFETCH(QString, control);
    QFETCH(int, entries);
    QFETCH(int, index);
    const IndexHandler handler = handlerOf(control);
    QVERIFY(handler);
    Fixture f;
    const QString status = f.window().SB->text();
    // The last entry still opens: the handler and the index are the ones under test.
    (f.window().*handler)(qint16(entries - 1));
    QCOMPARE(f.opener->urls.size(), 1);
    (f.window().*handler)(qint16(index));
    QCOMPARE(f.opener->urls.size(), 1);
    QCOMPARE(f.window().SB->text(), status);
}

void tst_MenuLinks::failedLaunchLeavesNoTrace()
{
    Fixture f;
    f.opener->accept = false;
    f.program.visibility().ShowMainWindow();
    frmMainLd &window = f.window();
    window.SB->setText(QStringLiteral("ログイン完了"));
    window.move(40, 50);
    const SharedValues before = f.program.shared();

    const qsizetype chosen = chooseEveryLink(f, window.mnGoSite).size()
            + chooseEveryLink(f, window.mnOther).size();
    QCOMPARE(chosen, 55 + 8);
    QCOMPARE(f.opener->urls.size(), chosen);
    QCOMPARE(window.SB->text(), QStringLiteral("ログイン完了"));
    QVERIFY(window.isVisible());
    QVERIFY(window.isEnabled());
    QCOMPARE(window.pos(), QPoint(40, 50));
    QCOMPARE(f.program.shared().rememberedLeft, before.rememberedLeft);
    QCOMPARE(f.program.shared().rememberedTop, before.rememberedTop);
    QCOMPARE(f.program.shared().alwaysOnTop, before.alwaysOnTop);
    QCOMPARE(f.program.shared().selectedSlot, before.selectedSlot);
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
    f.program.webHost().setCurrentAccount(QStringLiteral("bob"));
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
        Program program(withFakeEngine());
        program.start(true);
        frmMainLd &window = program.mainLd();
        QVERIFY(window.mnLinksInBrowser->isCheckable());
        QVERIFY(!window.mnLinksInBrowser->isChecked());
        window.mnLinksInBrowser->trigger();
    }
    Program program(withFakeEngine());
    program.start(true);
    QVERIFY(program.mainLd().mnLinksInBrowser->isChecked());
    QVERIFY(program.settings().linksInDefaultBrowser());
}

QTEST_MAIN(tst_MenuLinks)
#include "tst_menulinks.moc"
