#include "common/fakes.h"
#include "platform/launcher.h"

#include <QTest>

class tst_Launcher : public QObject
{
    Q_OBJECT
private slots:
    void shellResultAbove32IsSuccess_data();
    void shellResultAbove32IsSuccess();
    void opensThroughTheDesktop();
};

void tst_Launcher::shellResultAbove32IsSuccess_data()
{
    QTest::addColumn<qintptr>("result");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << qintptr(0) << 0;
    QTest::newRow("2 file not found") << qintptr(2) << 0;
    QTest::newRow("32") << qintptr(32) << 0;
    QTest::newRow("33") << qintptr(33) << -1;
    QTest::newRow("42") << qintptr(42) << -1;
    QTest::newRow("negative") << qintptr(-1) << 0;
}

void tst_Launcher::shellResultAbove32IsSuccess()
{
    QFETCH(qintptr, result);
    QFETCH(int, expected);
    QCOMPARE(int(shellExecuteSucceeded(result)), expected);
}

void tst_Launcher::opensThroughTheDesktop()
{
    FakeUrlOpener opener;
    const DocumentLauncher launcher(opener);
    QCOMPARE(launcher.openDocument(QStringLiteral("http://www.livedoor.com/"), QString(), nullptr), kVbTrue);
    opener.accept = false;
    QCOMPARE(launcher.openDocument(QStringLiteral("http://blog.livedoor.com/"), QString(), nullptr), kVbFalse);
    QCOMPARE(opener.urls, (QStringList{ "http://www.livedoor.com/", "http://blog.livedoor.com/" }));
}

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"
