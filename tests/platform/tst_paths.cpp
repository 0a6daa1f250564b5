#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Where the program keeps its files on a Unix desktop, with the XDG folders set as a session
// sets them.
class tst_Paths : public QObject
{
    Q_OBJECT
private slots:
    void everyFileInItsXdgFolder();
    void theBuildTreesHelperIsFound();
};

void tst_Paths::everyFileInItsXdgFolder()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString root = home.path();
    QVERIFY(QDir(root).mkpath(QStringLiteral("run")));
    QVERIFY(QFile::setPermissions(root + QStringLiteral("/run"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/run")));
    QCoreApplication::setApplicationName(QStringLiteral("yorumi-livedoor"));

    QCOMPARE(Paths::accountStore(QStringLiteral("YRMLD")), root + QStringLiteral("/config/YRMLD.conf"));
    QCOMPARE(Paths::programSettings(), root + QStringLiteral("/config/yorumi-livedoor.conf"));
    QCOMPARE(Paths::programSettingsFormat(), QSettings::IniFormat);
    QCOMPARE(Paths::autostartEntry(), root + QStringLiteral("/config/autostart/yorumi-livedoor.desktop"));
    QCOMPARE(Paths::instanceLock(QStringLiteral("key")), root + QStringLiteral("/run/key.lock"));
    QCOMPARE(Paths::instanceServer(QStringLiteral("key")), root + QStringLiteral("/run/key.socket"));
    QCOMPARE(Paths::engineProfile(), root + QStringLiteral("/data/yorumi-livedoor/webengine"));
    QCOMPARE(Paths::engineCache(), root + QStringLiteral("/data/yorumi-livedoor/webengine-cache"));
}

// The build tree puts the engine helper where an installed program has it, in
// ../lib/yorumi-livedoor from the program's folder (this test's folder is the program's sibling).
void tst_Paths::theBuildTreesHelperIsFound()
{
    QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("yorumi-browser"), Paths::helperFolders()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
