#include "app/program.h"
#include "common/storesandbox.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"

#include <QAction>
#include <QCloseEvent>
#include <QListWidget>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>

class tst_WindowVisibility : public QObject
{
    Q_OBJECT
private slots:
    void trayEntryTogglesAndRemembersPosition();
    void alwaysOnTopFollowsItsEntry();
    void closeBoxHidesToTheTray();
    void withoutNotificationAreaTheWindowShowsAndCloseEnds();
    void placeOffTheScreenComesBack_data();
    void placeOffTheScreenComesBack();
};

void tst_WindowVisibility::trayEntryTogglesAndRemembersPosition()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "a", "b", "c" }, { "1", "2", "3" });
    Program program;
    program.start(true);
    frmMainLd &window = program.mainLd();
    frmTasktray &tray = program.tasktray();
    QVERIFY(!window.isVisible());

    tray.mnShowMain->trigger();
    QVERIFY(window.isVisible());
    QCOMPARE(window.pos(), QPoint(0, 0));
    QVERIFY(tray.mnShowMain->isChecked());
    QVERIFY(!window.mnWindowPos->isChecked());

    window.lbID->setCurrentRow(2);
    window.move(150, 90);
    tray.mnShowMain->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(!tray.mnShowMain->isChecked());
    // In twips: 15 to the pixel at the test platform's 96 dpi.
    QCOMPARE(program.shared().rememberedLeft, 2250);
    QCOMPARE(program.shared().rememberedTop, 1350);

    tray.mnShowMain->trigger();
    QVERIFY(window.isVisible());
    QCOMPARE(window.pos(), QPoint(150, 90));
    QCOMPARE(window.lbID->currentRow(), 2);
    QCOMPARE(window.lbID->count(), 3);

    // The window's own 設定画面を隠す does the same as the tray entry.
    window.move(40, 30);
    window.mnShowTasktray->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(!tray.mnShowMain->isChecked());
    program.visibility().ShowMainWindow();
    QCOMPARE(window.pos(), QPoint(40, 30));
}

void tst_WindowVisibility::alwaysOnTopFollowsItsEntry()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    frmMainLd &window = program.mainLd();
    program.visibility().ShowMainWindow();

    window.mnWindowPos->trigger();
    QCOMPARE(program.shared().alwaysOnTop, kVbTrue);
    QVERIFY(window.mnWindowPos->isChecked());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());

    program.visibility().HideMainWindow();
    program.visibility().ShowMainWindow();
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.mnWindowPos->isChecked());

    window.mnWindowPos->trigger();
    QCOMPARE(program.shared().alwaysOnTop, kVbFalse);
    QVERIFY(!window.mnWindowPos->isChecked());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.pos(), QPoint(0, 0));
}

void tst_WindowVisibility::closeBoxHidesToTheTray()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "a", "b" }, { "1", "2" });
    Program program;
    program.start(true);
    frmMainLd &window = program.mainLd();
    frmTasktray &tray = program.tasktray();
    program.visibility().ShowMainWindow();
    window.lbID->setCurrentRow(1);
    window.move(60, 70);

    QVERIFY(!window.close());
    QVERIFY(!window.isVisible());
    QVERIFY(!tray.mnShowMain->isChecked());
    QVERIFY(tray.trayIcon->isVisible());
    QCOMPARE(&program.mainLd(), &window);

    tray.mnShowMain->trigger();
    QCOMPARE(window.pos(), QPoint(60, 70));
    QCOMPARE(window.lbID->currentRow(), 1);
}

void tst_WindowVisibility::withoutNotificationAreaTheWindowShowsAndCloseEnds()
{
    StoreSandbox sandbox;
    Program program;
    program.start(false);
    frmMainLd &window = program.mainLd();
    QVERIFY(window.isVisible());
    QCOMPARE(window.pos(), QPoint(0, 0));
    QVERIFY(program.tasktray().mnShowMain->isChecked());

    // The icon waits for a notification area; closing the window ends the program.
    QVERIFY(!program.tasktray().trayIcon);
    QTimer::singleShot(0, &window, [&window] { QVERIFY(window.close()); });
    QTimer::singleShot(5000, &window, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
}

// A remembered place where the frame would not lie whole on a screen's free area now (a monitor
// unplugged, a panel moved) gives way to the nearest place where it does.
void tst_WindowVisibility::placeOffTheScreenComesBack_data()
{
    // Where the frame's top-left corner was, from the free area's top-right corner (pixels).
    QTest::addColumn<QPoint>("fromTopRight");
    QTest::newRow("off every screen") << QPoint(100000, -100000);
    QTest::newRow("overhanging the right edge") << QPoint(-100, 300);
}

void tst_WindowVisibility::placeOffTheScreenComesBack()
{
    QFETCH(QPoint, fromTopRight);
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    frmMainLd &window = program.mainLd();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // In twips: 15 to the pixel at the test platform's 96 dpi.
    program.shared().rememberedLeft = (area.right() + 1 + fromTopRight.x()) * 15;
    program.shared().rememberedTop = (area.top() + fromTopRight.y()) * 15;
    program.visibility().ShowMainWindow();
    const QRect frame = window.frameGeometry();
    QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("at %1,%2").arg(frame.x()).arg(frame.y())));
    // It moves no further than it must: along the edge it overhung.
    QCOMPARE(frame.right(), area.right());
}

QTEST_MAIN(tst_WindowVisibility)
#include "tst_windowvisibility.moc"
