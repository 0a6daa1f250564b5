#include "app/program.h"
#include "common/storesandbox.h"
#include "tray/frmtasktray.h"
#include "ui/main/frmmainld.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTest>

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void withTrayNothingShowsAndListIsLoaded();
    void withoutTrayTheSettingsWindowShows();
    void windowsAreSharedInstances();
};

void tst_Startup::withTrayNothingShowsAndListIsLoaded()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("alice"), QStringLiteral("bob") },
                         { QStringLiteral("pa"), QStringLiteral("pb") });
    Program program;
    QCOMPARE(program.shared.editionCode, qint16(0));
    program.start(true);

    QCOMPARE(program.shared.editionCode, qint16(EditionLivedoor));
    QCOMPARE(program.shared.rememberedLeft, 0);
    QCOMPARE(program.shared.rememberedTop, 0);
    QCOMPARE(program.shared.alwaysOnTop, kVbFalse);
    QCOMPARE(program.shared.selectedSlot, qint16(0));

    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    QCOMPARE(program.mainLd().lbID->count(), 2);
    QCOMPARE(program.table.id(EditionLivedoor, 1), QStringLiteral("bob"));
    QCOMPARE(program.table.password(EditionLivedoor, 1), QStringLiteral("pb"));
    QCOMPARE(program.tasktray().mnLogin.size(), 3);
}

void tst_Startup::withoutTrayTheSettingsWindowShows()
{
    StoreSandbox sandbox;
    Program program;
    // The offscreen test platform has no notification area.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    program.Main();
    QVERIFY(!program.hasNotificationArea);
    QVERIFY(program.mainLd().isVisible());
    QVERIFY(program.tasktray().mnShowMain->isChecked());
}

// Asking for any window makes every window once, in one go; the start makes no more.
void tst_Startup::windowsAreSharedInstances()
{
    StoreSandbox sandbox;
    Program program;
    frmTasktray *tray = &program.tasktray();
    frmMainLd *window = &program.mainLd();
    program.start(true);
    QCOMPARE(&program.tasktray(), tray);
    QCOMPARE(&program.mainLd(), window);
    int settingsWindows = 0;
    int trayWindows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        settingsWindows += qobject_cast<frmMainLd *>(widget) != nullptr;
        trayWindows += qobject_cast<frmTasktray *>(widget) != nullptr;
    }
    QCOMPARE(settingsWindows, 1);
    QCOMPARE(trayWindows, 1);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    tst_Startup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
