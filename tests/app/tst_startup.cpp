#include "app/program.h"
#include "common/storesandbox.h"
#include "ui/main/frmmainld.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void startsHiddenWithListLoaded();
    void windowsAreSharedInstances();
};

void tst_Startup::startsHiddenWithListLoaded()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("alice"), QStringLiteral("bob") },
                         { QStringLiteral("pa"), QStringLiteral("pb") });
    Program program;
    QCOMPARE(program.shared.editionCode, qint16(0));
    program.Main();

    QCOMPARE(program.shared.editionCode, qint16(EditionLivedoor));
    QCOMPARE(program.shared.rememberedLeft, 0);
    QCOMPARE(program.shared.rememberedTop, 0);
    QCOMPARE(program.shared.alwaysOnTop, kVbFalse);
    QCOMPARE(program.shared.selectedSlot, qint16(0));
    QCOMPARE(program.shared.dialogCommitted, kVbFalse);

    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    QCOMPARE(forms::frmMainLd().lbID->count(), 2);
    QCOMPARE(program.table.id(EditionLivedoor, 1), QStringLiteral("bob"));
    QCOMPARE(program.table.password(EditionLivedoor, 1), QStringLiteral("pb"));
}

void tst_Startup::windowsAreSharedInstances()
{
    StoreSandbox sandbox;
    Program program;
    program.Main();
    QCOMPARE(&forms::frmMainLd(), &program.mainLd());
    QCOMPARE(&Program::current(), &program);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
