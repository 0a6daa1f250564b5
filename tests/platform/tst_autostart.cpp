#include "platform/autostart.h"

#include <QTest>

// The Exec key of the autostart entry: a desktop's launcher splits it at blanks and expands
// quotes, backslashes, '$' and field codes ('%'), so the program's path is written to come back
// exactly as it is, whatever it holds.
class tst_Autostart : public QObject
{
    Q_OBJECT
private slots:
    void execLineQuotesWhatTheLauncherWouldChange_data();
    void execLineQuotesWhatTheLauncherWouldChange();
};

void tst_Autostart::execLineQuotesWhatTheLauncherWouldChange_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/bin/yorumi-livedoor" << "/usr/bin/yorumi-livedoor --autostart";
    QTest::newRow("space") << "/home/u/My Apps/yorumi-livedoor"
                           << "\"/home/u/My Apps/yorumi-livedoor\" --autostart";
    QTest::newRow("tab") << "/opt/a\tb/yorumi-livedoor" << "\"/opt/a\tb/yorumi-livedoor\" --autostart";
    QTest::newRow("backslash") << "/opt/a\\b/yorumi-livedoor" << "\"/opt/a\\\\b/yorumi-livedoor\" --autostart";
    QTest::newRow("double quote") << "/opt/a\"b/yorumi-livedoor" << "\"/opt/a\\\"b/yorumi-livedoor\" --autostart";
    QTest::newRow("dollar") << "/opt/$HOME/yorumi-livedoor" << "\"/opt/\\$HOME/yorumi-livedoor\" --autostart";
    QTest::newRow("percent") << "/opt/100%/yorumi-livedoor" << "/opt/100%%/yorumi-livedoor --autostart";
}

void tst_Autostart::execLineQuotesWhatTheLauncherWouldChange()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(desktopExecLine(program, QStringLiteral("--autostart")), exec);
}

QTEST_GUILESS_MAIN(tst_Autostart)
#include "tst_autostart.moc"
