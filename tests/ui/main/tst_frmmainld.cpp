#include "app/program.h"
#include "common/storesandbox.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace {

QStringList rows(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

struct Entry
{
    QString caption; // "-" for a separator
    bool visible;
};

QList<Entry> entries(const QMenu *menu)
{
    QList<Entry> out;
    for (const QAction *action : menu->actions())
        out.append({ action->isSeparator() ? QStringLiteral("-") : action->text(), action->isVisible() });
    return out;
}

QStringList captions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *action : menu->actions())
        out << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

} // namespace

class tst_frmMainLd : public QObject
{
    Q_OBJECT
private slots:
    void loadFillsListAndTable_data();
    void loadFillsListAndTable();
    void reloadClearsSlotsPastTheStop();
    void controlsAtDesignedGeometry_data();
    void controlsAtDesignedGeometry();
    void tabOrderFollowsDesign();
    void menusAsDesigned();
    void statusBarStartsBlankAndKeepsText_data();
    void statusBarStartsBlankAndKeepsText();
    void clipboardClearingIsOnUntilUnticked();
};

void tst_frmMainLd::loadFillsListAndTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("passwords");

    QTest::newRow("empty store") << QByteArray() << QStringList() << QStringList();
    QTest::newRow("slot order")
            << QByteArray("[ID]\nID2=c\nID0=a\nID1=b\n[PW]\nPW0=1\nPW1=2\nPW2=3\n")
            << QStringList{ "a", "b", "c" } << QStringList{ "1", "2", "3" };
    QTest::newRow("gap at slot 3")
            << QByteArray("[ID]\nID0=a\nID1=b\nID2=c\nID4=e\n[PW]\nPW0=1\nPW1=2\nPW2=3\nPW4=5\n")
            << QStringList{ "a", "b", "c" } << QStringList{ "1", "2", "3" };
    QTest::newRow("empty ID ends the list")
            << QByteArray("[ID]\nID0=a\nID1=\nID2=c\n[PW]\nPW0=1\nPW2=3\n")
            << QStringList{ "a" } << QStringList{ "1" };
    QTest::newRow("password absent")
            << QByteArray("[ID]\nID0=a\nID1=b\n[PW]\nPW0=1\n")
            << QStringList{ "a", "b" } << QStringList{ "1", "" };
    QTest::newRow("blank IDs are accounts")
            << QByteArray("[ID]\nID0=\" \"\nID1=\"  lead\"\n[PW]\nPW0=x\nPW1=y\n")
            << QStringList{ " ", "  lead" } << QStringList{ "x", "y" };
    QTest::newRow("duplicates")
            << QByteArray("[ID]\nID0=same\nID1=same\n[PW]\nPW0=1\nPW1=2\n")
            << QStringList{ "same", "same" } << QStringList{ "1", "2" };
    QTest::newRow("other editions ignored")
            << QByteArray("[ID]\nid0=lower\n[PW]\nPW0=x\n") << QStringList() << QStringList();

    QByteArray full("[ID]\n");
    QByteArray fullPw("[PW]\n");
    QStringList fullIds, fullPws;
    for (int i = 0; i <= 100; ++i) {
        full += "ID" + QByteArray::number(i) + "=user" + QByteArray::number(i) + "\n";
        fullPw += "PW" + QByteArray::number(i) + "=pw" + QByteArray::number(i) + "\n";
        if (i < 100) {
            fullIds << QStringLiteral("user%1").arg(i);
            fullPws << QStringLiteral("pw%1").arg(i);
        }
    }
    QTest::newRow("100 accounts, ID100 never read") << full + fullPw << fullIds << fullPws;
}

void tst_frmMainLd::loadFillsListAndTable()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, passwords);

    StoreSandbox sandbox;
    if (!file.isEmpty())
        sandbox.writeStoreFile(file);
    Program program;
    program.shared().editionCode = EditionLivedoor;
    frmMainLd &window = program.mainLd();
    window.Form_Load();

    QCOMPARE(rows(window.lbID), ids);
    QCOMPARE(window.lbID->currentRow(), -1);
    for (int slot = 0; slot < AccountTable::kSlots; ++slot) {
        QCOMPARE(program.table().id(EditionLivedoor, slot), ids.value(slot));
        QCOMPARE(program.table().password(EditionLivedoor, slot), passwords.value(slot));
    }
    for (int edition = 0; edition < EditionLivedoor; ++edition)
        QCOMPARE(program.table().id(qint16(edition), 0), QString());
    QVERIFY(!window.isVisible());
}

// Nothing of an account the list does not show stays in the table for the tray to offer.
void tst_frmMainLd::reloadClearsSlotsPastTheStop()
{
    StoreSandbox sandbox;
    sandbox.writeStoreFile("[ID]\nID0=a\n[PW]\nPW0=1\n");
    Program program;
    program.shared().editionCode = EditionLivedoor;
    program.table().set(EditionLivedoor, 1, QStringLiteral("left"), QStringLiteral("over"));
    program.mainLd().RefreshAccountList();
    QCOMPARE(program.table().id(EditionLivedoor, 1), QString());
    QCOMPARE(program.table().password(EditionLivedoor, 1), QString());
    QCOMPARE(rows(program.mainLd().lbID), QStringList{ "a" });
}

// Where each control was drawn, in pixels at the test platform's 96 dpi (15 twips to the
// pixel); each row ends with the twips it was drawn at.
void tst_frmMainLd::controlsAtDesignedGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<QString>("spoken"); // what a screen reader calls it
    QTest::newRow("lbID") << "lbID" << "" << QRect(8, 16, 153, 136) << "ID一覧"; // 120, 240, 2295, 2040
    QTest::newRow("cmdLOGIN") << "cmdLOGIN" << "ログイン" << QRect(160, 24, 81, 17) << "ログイン"; // 2400, 360, 1215, 255
    QTest::newRow("cmdLOGOUT") << "cmdLOGOUT" << "ログアウト" << QRect(160, 40, 81, 17) << "ログアウト"; // 2400, 600, 1215, 255
    QTest::newRow("cmdCopy") << "cmdCopy" << "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ" << QRect(160, 56, 81, 17) << "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ"; // 2400, 840, 1215, 255
    QTest::newRow("cmdNEW") << "cmdNEW" << "新規登録" << QRect(160, 88, 81, 17) << "新規登録"; // 2400, 1320, 1215, 255
    QTest::newRow("cmdREGISTRY") << "cmdREGISTRY" << "修正" << QRect(160, 104, 81, 17) << "修正"; // 2400, 1560, 1215, 255
    QTest::newRow("cmdDELETE") << "cmdDELETE" << "削除" << QRect(160, 120, 81, 17) << "削除"; // 2400, 1800, 1215, 255
    QTest::newRow("cmdDown") << "cmdDown" << "▼" << QRect(160, 136, 41, 17) << "下へ移動"; // 2400, 2040, 615, 255
    QTest::newRow("cmdUp") << "cmdUp" << "▲" << QRect(200, 136, 41, 17) << "上へ移動"; // 3000, 2040, 615, 255
}

void tst_frmMainLd::controlsAtDesignedGeometry()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, pixels);
    QFETCH(QString, spoken);

    StoreSandbox sandbox;
    Program program;
    frmMainLd &window = program.mainLd();
    QCOMPARE(window.windowTitle(), QStringLiteral("ライブドアID設定画面"));
    QCOMPARE(QSize(window.logicalDpiX(), window.logicalDpiY()), QSize(96, 96));

    QWidget *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), window.frMain);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), caption);
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), spoken);
    QCOMPARE(window.frMain->geometry(), QRect(0, 0, 245, 159)); // 3675 x 2385
    QCOMPARE(window.SB->height(), 25);                            // 375
    QCOMPARE(window.centralWidget()->size(), QSize(259, 162));    // 3885 x 2430
}

void tst_frmMainLd::tabOrderFollowsDesign()
{
    StoreSandbox sandbox;
    Program program;
    frmMainLd &window = program.mainLd();
    const QList<QWidget *> order{ window.lbID,   window.cmdLOGIN,    window.cmdLOGOUT,
                                  window.cmdCopy, window.cmdNEW,     window.cmdREGISTRY,
                                  window.cmdDELETE, window.cmdDown, window.cmdUp };
    // The next widget that Tab would reach: skip the list's inner viewport and the like.
    auto nextTabStop = [](QWidget *widget) {
        do
            widget = widget->nextInFocusChain();
        while ((widget->focusPolicy() & Qt::TabFocus) != Qt::TabFocus);
        return widget;
    };
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(nextTabStop(order[i]), order[i + 1]);
}

void tst_frmMainLd::menusAsDesigned()
{
    StoreSandbox sandbox;
    Program program;
    frmMainLd &window = program.mainLd();

    QStringList bar;
    for (const QAction *action : window.menuBar()->actions())
        bar << action->text();
    QCOMPARE(bar, (QStringList{ "機能(&F)", "サイト(&G) ", "その他(&O)" }));

    const QList<Entry> visual = entries(window.mnVisual);
    QCOMPARE(visual.size(), 5);
    QCOMPARE(visual[0].caption, QStringLiteral("切替(&C)"));
    QVERIFY(!visual[0].visible);
    QCOMPARE(visual[1].caption, QStringLiteral("常に最前面に表示(&T)"));
    QVERIFY(visual[1].visible);
    QCOMPARE(visual[2].caption, QStringLiteral("設定画面を隠す(&H)"));
    QCOMPARE(visual[3].caption, QStringLiteral("-"));
    QCOMPARE(visual[4].caption, QStringLiteral("終了(&X)"));
    QVERIFY(visual[4].visible);
    QVERIFY(window.mnWindowPos->isCheckable());
    QVERIFY(!window.mnWindowPos->isChecked());
    QVERIFY(!window.mnShowTasktray->isCheckable());
    QCOMPARE(captions(window.mnChangeP),
             (QStringList{ "＠ヤフー(&Y)", "＠楽天(&R)", "＠ビッダーズ(&B)", "＠ライブドア(&L)" }));
    QVERIFY(!window.mnChange[3]->isVisible());

    QCOMPARE(captions(window.mnGoSite),
             (QStringList{ "トップ", "買物", "情報", "趣味", "実用", "生活", "仲間", "IT", "-",
                           "ライブドア証券", "ライブドアクレジット", "WOO-GO" }));
    QCOMPARE(captions(window.mnGoShoppingP),
             (QStringList{ "デパート", "本・コミック", "オークション", "旅行", "出張",
                           "DVDレンタル『ぽすれん』", "リサイクル", "Ｔシャツ" }));
    QCOMPARE(captions(window.mnGoInformationP),
             (QStringList{ "ニュース", "天気", "スポーツ", "ファイナンス・株取引", "コンピュータ" }));
    QCOMPARE(captions(window.mnGoHobbyP),
             (QStringList{ "映画", "ゲーム", "占い", "懸賞", "自動車", "ゴルフ", "テレビ", "動画",
                           "出版", "ネットラジオ", "コスプレ" }));
    QCOMPARE(captions(window.mnGoPracticalityP),
             (QStringList{ "地図", "路線", "電話帳", "辞書", "翻訳" }));
    QCOMPARE(captions(window.mnGoLifeP),
             (QStringList{ "グルメ", "仕事", "学習", "アンケート", "不動産", "ビューティーライフ",
                           "美容整形" }));
    QCOMPARE(captions(window.mnGoPartnerP),
             (QStringList{ "知り合い", "ブログ", "掲示板", "チャット", "友だち", "恋人", "アバター",
                           "フォト", "ネットカード", "結婚相手" }));
    QCOMPARE(captions(window.mnGoItP),
             (QStringList{ "リナックス", "インターネット接続", "スカイプ", "レンタル掲示板",
                           "ソフトウェア" }));

    QCOMPARE(captions(window.mnOther),
             (QStringList{ "ヘルプ(&H)", "-", "バージョン情報(V)", "最新版(&N)", "-",
                           "シリーズ(&S)", "-", "リンクを既定のブラウザで開く", "ログイン時に起動",
                           "クリップボードを30秒後に消去", "パスワードをキーリングに保存",
                           "ログインが切れたら自動でログインし直す", "-", "インポート(&I)...",
                           "エクスポート(&E)..." }));
    QCOMPARE(window.mnHelp->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(captions(window.mnSeriesP),
             (QStringList{ "ヨルミシリーズ", "ヨルミ＠ヤフー", "ヨルミ＠楽天", "ヨルミ＠ビッダーズ",
                           "ヨルミ＠ライブドア", "ヨルミ＠マルチ" }));
    for (const QMenu *menu : { window.mnGoSite, window.mnOther })
        for (const Entry &entry : entries(menu))
            QVERIFY2(entry.visible, qPrintable(entry.caption));
}

void tst_frmMainLd::statusBarStartsBlankAndKeepsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shortened");
    QTest::newRow("a failure") << QStringLiteral("エラーが発生しました。") << false;
    QTest::newRow("markup in an ID") << QStringLiteral("<i>bob</i>") << false;
    QTest::newRow("longer than the bar")
            << QStringLiteral("パスワードをキーリングから戻せませんでした。キーリングを利用できません。") << true;
}

void tst_frmMainLd::statusBarStartsBlankAndKeepsText()
{
    QFETCH(QString, text);
    QFETCH(bool, shortened);

    StoreSandbox sandbox;
    sandbox.seedAccounts({ "a" }, { "1" });
    Program program;
    program.start(true);
    frmMainLd &window = program.mainLd();
    QCOMPARE(window.SB->text(), QString());
    QCOMPARE(QAccessible::queryAccessibleInterface(window.SB)->text(QAccessible::Name), QStringLiteral("状態"));
    window.SB->setText(text);
    // A menu entry's (empty) status tip must not wipe the text.
    QStatusTipEvent tip{ QString() };
    QCoreApplication::sendEvent(&window, &tip);
    QCOMPARE(window.SB->text(), text);
    QVERIFY(window.SB->currentMessage().isEmpty());
    QCOMPARE(window.SB->toolTip(), text);
    QCOMPARE(QAccessible::queryAccessibleInterface(window.SB)->text(QAccessible::Description), text);

    // The window shows at its designed width (3885 twips) whatever the text; a long one is
    // shortened to fit.
    program.visibility().ShowMainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.width(), 259);
    const QLabel *label = window.SB->findChild<QLabel *>();
    const QString shown = label->text();
    QVERIFY2(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width(), qPrintable(shown));
    if (shortened) {
        QVERIFY2(shown.endsWith(QChar(0x2026)) && text.startsWith(shown.chopped(1)), qPrintable(shown));
    } else {
        // An ID in the text shows as typed: markup in it is not read as such.
        QCOMPARE(shown, text);
        QVERIFY(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(text));
    }
}

// "クリップボードを30秒後に消去" is ticked until the user unticks it, and the choice outlives the
// program: a password copied then stays on the clipboard. The mark shows the setting, whoever
// changes it.
void tst_frmMainLd::clipboardClearingIsOnUntilUnticked()
{
    StoreSandbox sandbox;
    {
        Program program;
        program.start(true);
        QAction *entry = program.mainLd().mnClearClipboard;
        QVERIFY(entry->isCheckable());
        QVERIFY(entry->isChecked());
        entry->trigger();
    }
    Program program;
    program.start(true);
    QVERIFY(!program.mainLd().mnClearClipboard->isChecked());
    QVERIFY(!program.settings().clearsClipboard());
    program.settings().setClearsClipboard(true);
    QVERIFY(program.mainLd().mnClearClipboard->isChecked());
}

QTEST_MAIN(tst_frmMainLd)
#include "tst_frmmainld.moc"
