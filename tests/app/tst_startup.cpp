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
    QCOMPARE(forms::frmMainLd().lbID->count(), 2);
    QCOMPARE(program.table.id(EditionLivedoor, 1), QStringLiteral("bob"));
    QCOMPARE(program.table.password(EditionLivedoor, 1), QStringLiteral("pb"));
    QCOMPARE(forms::frmTasktray().mnLogin.size(), 3);
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

void tst_Startup::windowsAreSharedInstances()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    QCOMPARE(&forms::frmMainLd(), &program.mainLd());
    QCOMPARE(&forms::frmTasktray(), &program.tasktray());
    QCOMPARE(&Program::current(), &program);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    tst_Startup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
