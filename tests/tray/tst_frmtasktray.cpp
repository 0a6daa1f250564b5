#include "app/program.h"
#include "common/fakeengine.h"
#include "common/fakes.h"
#include "common/storesandbox.h"
#include "tray/frmtasktray.h"
#include "tray/popupguard.h"
#include "tray/traytexts.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"
#include "web/helperengine.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>
#include <QApplication>
#include <QTest>

namespace {

struct Item
{
    QString caption; // "-" for a separator
    bool visible;
    bool enabled;
    bool operator==(const Item &) const = default;
};

char *toString(const Item &item)
{
    return QTest::toString(QStringLiteral("%1 visible=%2 enabled=%3")
                                   .arg(item.caption).arg(item.visible).arg(item.enabled));
}

QList<Item> items(const QMenu *menu)
{
    QList<Item> out;
    // Whether a hidden entry is enabled does not matter: nobody can reach it.
    for (const QAction *a : menu->actions())
        out.append({ a->isSeparator() ? QStringLiteral("-") : a->text(), a->isVisible(),
                     !a->isVisible() || a->isEnabled() });
    return out;
}

QStringList visibleCaptions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        if (a->isVisible())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class tst_frmTasktray : public QObject
{
    Q_OBJECT
private slots:
    void menuTreeAfterStartup();
    void siteLinksOpenTheirPages_data();
    void siteLinksOpenTheirPages();
    void rebuildFollowsTheTable_data();
    void rebuildFollowsTheTable();
    void rebuildReplacesOldEntries();
    void clipboardEntryCopiesThePassword();
    void systemClipboardMarksTheSecret();
    void pressOpensPopupUnlessADialogIsOpen();
    void leftPressUnderWaylandShowsTheSettingsWindow();
    void popupOpensBesideThePointer_data();
    void popupOpensBesideThePointer();
    void emptyListGetsOneHint_data();
    void emptyListGetsOneHint();
    void withoutTheEnginePagesGoToTheDefaultBrowser();
    void engineStartsAsTheLoginMenuOpensAndRestoredTabsAreTold();
    void endRemovesTheIcon();
    void accountLineCountsTheOthers_data();
    void accountLineCountsTheOthers();
};

void tst_frmTasktray::menuTreeAfterStartup()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    frmTasktray &tray = program.tasktray();

    QCOMPARE(tray.windowTitle(), QStringLiteral("ヨルミ"));
    QVERIFY(!tray.isVisible());
    QCOMPARE(tray.trayIcon->toolTip(), QStringLiteral("ヨルミ＠ライブドア"));
    QVERIFY(tray.trayIcon->isVisible());
    QVERIFY(!tray.trayIcon->icon().isNull());
    QVERIFY(tray.trayIcon->icon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(tray.trayIcon->icon().availableSizes().contains(QSize(32, 32)));

    const QList<Item> expected{
        { "終了", true, true },       { "-", true, true },          { "ヤフー", false, true },
        { "楽天", false, true },      { "ビッダーズ", false, true }, { "ライブドア", true, true },
        { "切替", false, true },      { "-", true, true },          { "設定画面", true, true },
        { "-", true, true },          { "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ", true, false }, { "ログアウト", true, true },
        { "ログイン", true, false },
    };
    QCOMPARE(items(tray.mnLeft), expected);
    QVERIFY(tray.mnShowMain->isCheckable());
    QVERIFY(!tray.mnShowMain->isChecked());
    QCOMPARE(visibleCaptions(tray.mnSite[3]),
             (QStringList{ "TOP", "デパート", "ブログ", "掲示板", "ぽすれん" }));
    QCOMPARE(visibleCaptions(tray.mnChangeP),
             (QStringList{ "＠ヤフー", "＠楽天", "＠ビッダーズ" }));
    QCOMPARE(program.shared().editionCode, qint16(EditionLivedoor));
}

void tst_frmTasktray::siteLinksOpenTheirPages_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("url");
    QTest::newRow("TOP") << 0 << "http://www.livedoor.com/";
    QTest::newRow("デパート") << 1 << "http://depart.livedoor.com/";
    QTest::newRow("ブログ") << 2 << "http://blog.livedoor.com/";
    QTest::newRow("掲示板") << 3 << "http://bbs.finance.livedoor.com/category/";
    QTest::newRow("ぽすれん") << 4 << "http://www.posren.com/";
}

void tst_frmTasktray::siteLinksOpenTheirPages()
{
    QFETCH(int, index);
    QFETCH(QString, url);
    StoreSandbox sandbox;
    Services services;
    auto *opener = new FakeUrlOpener;
    services.urlOpener.reset(opener);
    auto *engine = new FakeEngine;
    services.engine.reset(engine);
    Program program(std::move(services));
    program.start(true);
    frmTasktray &tray = program.tasktray();

    // Each is a page of the portal: it opens in the portal window.
    tray.mnSiteLD[index]->trigger();
    QCOMPARE(engine->portalPages, QStringList{ url });
    QVERIFY(opener->urls.isEmpty());
    tray.mnSiteLD_Click(5);
    tray.mnSiteLD_Click(-1);
    QCOMPARE(engine->portalPages.size(), 1);
    QVERIFY(!program.mainLd().isVisible());
}

void tst_frmTasktray::rebuildFollowsTheTable_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("empty") << QStringList() << QStringList();
    QTest::newRow("one") << QStringList{ "alice" } << QStringList{ "alice" };
    QTest::newRow("blank ends the walk")
            << QStringList{ "a", "b", "  ", "d" } << QStringList{ "a", "b" };
    QTest::newRow("blank first") << QStringList{ " ", "b" } << QStringList();
    QTest::newRow("leading blanks kept")
            << QStringList{ "  lead", "trail " } << QStringList{ "  lead", "trail " };
    QTest::newRow("ampersand shown as typed") << QStringList{ "a&b" } << QStringList{ "a&&b" };
    // The whole ID is the entry's tip.
    QTest::newRow("300 characters shortened") << QStringList{ QString(150, 'a') + QString(150, 'z') }
                                              << QStringList{ QString(20, 'a') + QStringLiteral("…") + QString(19, 'z') };
    QStringList hundred;
    for (int i = 0; i < 100; ++i)
        hundred << QStringLiteral("user%1").arg(i);
    QTest::newRow("100") << hundred << hundred;
}

void tst_frmTasktray::rebuildFollowsTheTable()
{
    QFETCH(QStringList, ids);
    QFETCH(QStringList, listed);
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    for (int slot = 0; slot < ids.size(); ++slot)
        program.table().set(EditionLivedoor, qint16(slot), ids[slot], QStringLiteral("pw"));
    program.tasktray().rebuildAccountMenus();
    frmTasktray &tray = program.tasktray();

    const bool any = !listed.isEmpty();
    for (QMenu *menu : { tray.mnLoginP, tray.mnClipboardP }) {
        QCOMPARE(menu->menuAction()->isEnabled(), any);
        // An empty menu keeps its template separator; a filled one shows the IDs only, and the
        // login menu, after a separator, its entries for every account at once.
        QStringList expected = any ? listed : QStringList{ "-" };
        if (any && menu == tray.mnLoginP)
            expected << "-" << "すべてのアカウントでログイン" << "すべてのアカウントからログアウト";
        QCOMPARE(visibleCaptions(menu), expected);
    }
    QCOMPARE(tray.mnLogin.size(), listed.size() + 1);
    QCOMPARE(tray.mnClipboard.size(), listed.size() + 1);
    QVERIFY(tray.mnLogin.contains(frmTasktray::kTemplateIndex));
    for (int slot = 0; slot < listed.size(); ++slot) {
        QCOMPARE(tray.mnClipboard.value(qint16(slot))->text(), listed[slot]);
        QCOMPARE(tray.mnLogin.value(qint16(slot))->toolTip(), ids[slot]);
    }
}

void tst_frmTasktray::rebuildReplacesOldEntries()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "a", "b", "c" }, { "1", "2", "3" });
    Program program;
    program.start(true);
    frmTasktray &tray = program.tasktray();
    const QStringList everyAccount{ "-", "すべてのアカウントでログイン", "すべてのアカウントからログアウト" };
    QCOMPARE(visibleCaptions(tray.mnLoginP), QStringList({ "a", "b", "c" }) + everyAccount);

    program.table().set(EditionLivedoor, 0, QStringLiteral("b"), QStringLiteral("2"));
    program.table().set(EditionLivedoor, 1, QStringLiteral("a"), QStringLiteral("1"));
    program.table().set(EditionLivedoor, 2, QString(), QString());
    program.tasktray().rebuildAccountMenus();
    QCOMPARE(visibleCaptions(tray.mnLoginP), QStringList({ "b", "a" }) + everyAccount);
    QCOMPARE(visibleCaptions(tray.mnClipboardP), (QStringList{ "b", "a" }));

    for (int slot = 0; slot < 3; ++slot)
        program.table().set(EditionLivedoor, qint16(slot), QString(), QString());
    program.tasktray().rebuildAccountMenus();
    QVERIFY(!tray.mnLoginP->isEnabled());
    QCOMPARE(visibleCaptions(tray.mnLoginP), QStringList{ "-" });
}

void tst_frmTasktray::clipboardEntryCopiesThePassword()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "alice", "bob" }, { "alice-pw", "bob-pw" });
    Services services;
    auto *clipboard = new FakeClipboard;
    services.clipboard.reset(clipboard);
    Program program(std::move(services));
    program.start(true);
    frmTasktray &tray = program.tasktray();

    tray.mnClipboard.value(1)->trigger();
    tray.mnClipboard.value(0)->trigger();
    QCOMPARE(clipboard->texts, (QStringList{ "bob-pw", "alice-pw" }));
    // The settings window tells whose password it is, and that it comes off again.
    const QString copied = QStringLiteral("aliceのパスワードをコピーしました。（30秒後に消去）");
    QCOMPARE(program.mainLd().SB->text(), copied);
    // A refused clipboard shows nothing anywhere.
    clipboard->accept = false;
    tray.mnClipboard.value(1)->trigger();
    QCOMPARE(program.mainLd().SB->text(), copied);
}

void tst_frmTasktray::systemClipboardMarksTheSecret()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    SystemClipboard clipboard;
    QVERIFY(clipboard.setSecretText(QStringLiteral("s3cret")));
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QCOMPARE(data->text(), QStringLiteral("s3cret"));
    QCOMPARE(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
}

void tst_frmTasktray::pressOpensPopupUnlessADialogIsOpen()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    frmTasktray &tray = program.tasktray();
    // The icon's presses come as X in twips, the message number times 15 at 96 dpi.
    QCOMPARE(tray.logicalDpiX(), 96);
    constexpr int twipsPerPixel = 15;

    // The menu is the icon's context menu: the notification area opens it for a right press,
    // so the press itself must not open it a second time.
    QCOMPARE(tray.trayIcon->contextMenu(), tray.mnLeft);
    tray.Form_MouseMove(0, 0, float(0x200 * twipsPerPixel), 0); // pointer moves over the icon
    tray.Form_MouseMove(0, 0, float(0x204 * twipsPerPixel), 0);
    QVERIFY(!tray.mnLeft->isVisible());
    // The rest of the double click that opened it chooses nothing; a click once the desktop's
    // double-click time has passed chooses as always. The time is set, not waited for.
    QStyleHints *hints = QGuiApplication::styleHints();
    const int doubleClick = hints->mouseDoubleClickInterval();
    hints->setMouseDoubleClickInterval(60000);
    tray.Form_MouseMove(0, 0, float(0x201 * twipsPerPixel), 0);
    QTRY_VERIFY(tray.mnLeft->isVisible());
    const QPoint entry = tray.mnLeft->actionGeometry(tray.mnShowMain).center();
    QTest::mouseClick(tray.mnLeft, Qt::LeftButton, {}, entry);
    QVERIFY(tray.mnLeft->isVisible());
    QVERIFY(!program.mainLd().isVisible());
    hints->setMouseDoubleClickInterval(0);
    QTest::mouseClick(tray.mnLeft, Qt::LeftButton, {}, entry);
    hints->setMouseDoubleClickInterval(doubleClick);
    QTRY_VERIFY(program.mainLd().isVisible());
    QVERIFY(!tray.mnLeft->isVisible());
    program.visibility().HideMainWindow();

    // An open dialog takes the press, and greys the entries a host may still draw.
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmRegistry"));
    dialog.setModal(true);
    dialog.show();
    tray.Form_MouseMove(0, 0, float(0x201 * twipsPerPixel), 0);
    QVERIFY(!tray.mnLeft->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &dialog);
    QTRY_VERIFY(!tray.mnEnd->isEnabled());
    dialog.hide();
    QTRY_VERIFY(tray.mnEnd->isEnabled());
    QVERIFY(!tray.mnLoginP->menuAction()->isEnabled()); // still no accounts to offer
}

// Under Wayland a program cannot place a menu of its own at the pointer: the left press (a
// StatusNotifierItem host's Activate) brings up the settings window, and the host draws the menu
// for a right press.
void tst_frmTasktray::leftPressUnderWaylandShowsTheSettingsWindow()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    frmTasktray &tray = program.tasktray();
    const QByteArray session = qgetenv("XDG_SESSION_TYPE");
    qputenv("XDG_SESSION_TYPE", "wayland");
    tray.Form_MouseMove(0, 0, float(0x201 * 15), 0); // a left press, 15 twips a pixel at 96 dpi
    qputenv("XDG_SESSION_TYPE", session);
    QVERIFY(program.mainLd().isVisible());
    QVERIFY(tray.mnShowMain->isChecked());
    QVERIFY(!tray.mnLeft->isVisible());
}

// A menu of 200 x 300 opened for a press at the pointer, on a screen of 1280 x 800: the pointer
// ends up beside it, never over an entry, wherever the panel is, and 終了 (given first, as on a
// taskbar at the bottom) farthest from it.
void tst_frmTasktray::popupOpensBesideThePointer_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<QStringList>("shown");
    const QStringList below{ QStringLiteral("ログイン"), QStringLiteral("終了") };
    const QStringList above{ QStringLiteral("終了"), QStringLiteral("ログイン") };
    QTest::newRow("panel at the top left") << QPoint(10, 12) << QPoint(11, 13) << below;
    QTest::newRow("panel at the top right") << QPoint(1270, 12) << QPoint(1070, 13) << below;
    QTest::newRow("panel at the bottom right") << QPoint(1270, 790) << QPoint(1070, 490) << above;
    QTest::newRow("panel at the bottom left") << QPoint(5, 790) << QPoint(6, 490) << above;
    QTest::newRow("room exactly to the right") << QPoint(1079, 400) << QPoint(1080, 401) << below;
    QTest::newRow("one pixel short on the right") << QPoint(1080, 400) << QPoint(880, 401) << below;
}

void tst_frmTasktray::popupOpensBesideThePointer()
{
    QFETCH(QPoint, pointer);
    QFETCH(QPoint, topLeft);
    QFETCH(QStringList, shown);
    const QSize size(200, 300);
    QCOMPARE(popupPositionBesidePointer(pointer, size, QRect(0, 0, 1280, 800)), topLeft);
    const QStringList given{ QStringLiteral("終了"), QStringLiteral("ログイン") };
    QCOMPARE(entriesForOpening(given, QRect(topLeft, size), pointer), shown);
}

// With no account yet, the icon says once where accounts are added.
void tst_frmTasktray::emptyListGetsOneHint_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<int>("hints");
    QTest::newRow("no account") << QStringList() << 1;
    QTest::newRow("one account") << QStringList{ "alice" } << 0;
}

void tst_frmTasktray::emptyListGetsOneHint()
{
    QFETCH(QStringList, ids);
    QFETCH(int, hints);
    StoreSandbox sandbox;
    sandbox.seedAccounts(ids, { "pw" });
    Services services;
    auto *notifier = new FakeTrayNotifier;
    services.notifier.reset(notifier);
    Program program(std::move(services));
    program.start(true);
    QTest::qWait(int(frmTasktray::kEmptyListHintDelay.count()) + 200);
    QCOMPARE(notifier->shown.size(), hints);
    if (hints)
        QCOMPARE(notifier->shown[0].value(1),
                 QStringLiteral("IDが登録されていません。「設定画面」の「新規登録」で追加してください。"));
}

// An engine helper that cannot be started leaves the portal's pages to the default browser,
// which the icon says once.
void tst_frmTasktray::withoutTheEnginePagesGoToTheDefaultBrowser()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "alice" }, { "pw" });
    Services services;
    auto *opener = new FakeUrlOpener;
    services.urlOpener.reset(opener);
    auto *notifier = new FakeTrayNotifier;
    services.notifier.reset(notifier);
    services.engine = std::make_unique<HelperEngine>(
            HelperEngine::Options{ sandbox.root() + QStringLiteral("/no-such-helper"), {} });
    Program program(std::move(services));
    program.start(true);
    frmTasktray &tray = program.tasktray();

    tray.mnSiteLD[0]->trigger();
    QTRY_COMPARE(opener->urls, QStringList{ "http://www.livedoor.com/" });
    tray.mnSiteLD[2]->trigger();
    QCOMPARE(opener->urls, (QStringList{ "http://www.livedoor.com/", "http://blog.livedoor.com/" }));
    QCOMPARE(notifier->shown.size(), 1);
    QCOMPARE(notifier->shown[0].value(1),
             QStringLiteral("ブラウザエンジンを起動できないため、ページを既定のブラウザで開きます。"
                            "ログインは反映されません。"));
}

// The engine starts while the user picks an account, and tabs that came back after it ended
// unexpectedly are told once.
void tst_frmTasktray::engineStartsAsTheLoginMenuOpensAndRestoredTabsAreTold()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "alice" }, { "pw" });
    Services services;
    auto *engine = new FakeEngine;
    services.engine.reset(engine);
    auto *notifier = new FakeTrayNotifier;
    services.notifier.reset(notifier);
    Program program(std::move(services));
    program.start(true);

    emit program.tasktray().mnLoginP->aboutToShow();
    QCOMPARE(engine->prepared, 1);
    emit engine->tabsRestored(2);
    QCOMPARE(notifier->shown,
             (QList<QStringList>{ { QStringLiteral("Yorumi@Livedoor"),
                                    QStringLiteral("ブラウザエンジンが異常終了したため、開いていたタブを開き直しました。") } }));
}

void tst_frmTasktray::endRemovesTheIcon()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    frmTasktray &tray = program.tasktray();
    QVERIFY(tray.trayIcon->isVisible());
    tray.mnEnd->trigger();
    QVERIFY(!tray.trayIcon->isVisible());
}

// The tooltip's second line: the current account, and how many other accounts are logged in, or
// without one how many are; an ID too long for a line shortened in its middle.
void tst_frmTasktray::accountLineCountsTheOthers_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("loggedIn");
    QTest::addColumn<QString>("line");
    QTest::newRow("the guest, none logged in") << "" << QStringList{} << "";
    QTest::newRow("the guest, accounts logged in") << "" << QStringList{ "alice", "bob" } << "ログイン中: 2件";
    QTest::newRow("a long ID") << QString(25, 'a') + QString(25, 'z') << QStringList{}
                               << QString(20, 'a') + QStringLiteral("…") + QString(19, 'z');
    QTest::newRow("no other") << "bob" << QStringList{ "bob" } << "bob";
    QTest::newRow("two others") << "bob" << QStringList{ "alice", "bob", "carol" } << "bob ほか2件";
    QTest::newRow("the current one's login expired") << "bob" << QStringList{ "alice" } << "bob ほか1件";
}

void tst_frmTasktray::accountLineCountsTheOthers()
{
    QFETCH(QString, current);
    QFETCH(QStringList, loggedIn);
    QFETCH(QString, line);
    QCOMPARE(trayAccountLine(current, loggedIn), line);
}

QTEST_MAIN(tst_frmTasktray)
#include "tst_frmtasktray.moc"
