#include "common/storesandbox.h"
#include "store/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

const QString app = QStringLiteral("YRMLD");

} // namespace

class tst_SettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void settingsAppName_data();
    void settingsAppName();
    void emptyStoreReadsEmptyAndCreatesNothing();
    void slotWriteReachesDiskOwnerOnly();
    void widerFileIsTightenedOnWrite();
    void existingFolderKeepsItsMode();
    void removeFailsForMissingValue();
    void failedWriteReportsAndKeepsDiskView();
    void readOnlyFolderFailsWrite();
    void damagedFileLoadsWhatItCan();
};

void tst_SettingsStore::settingsAppName_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("yahoo") << 0 << "YRMYH";
    QTest::newRow("rakuten") << 1 << "YRMRT";
    QTest::newRow("bidders") << 2 << "YRMBD";
    QTest::newRow("livedoor") << 3 << "YRMLD";
    QTest::newRow("livedoor alias") << 9 << "YRMLD";
    QTest::newRow("4") << 4 << "";
    QTest::newRow("-1") << -1 << "";
    QTest::newRow("8") << 8 << "";
}

void tst_SettingsStore::settingsAppName()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(SettingsAppName(qint16(code)), name);
}

void tst_SettingsStore::emptyStoreReadsEmptyAndCreatesNothing()
{
    StoreSandbox sandbox;
    SettingsStore store;
    QCOMPARE(SettingsStore::location(app), sandbox.storeFile());
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QString());
    QCOMPARE(store.read(app, kPwSection, pwKey(0)), QString());
    QVERIFY(!QFileInfo::exists(sandbox.configHome()));
}

void tst_SettingsStore::slotWriteReachesDiskOwnerOnly()
{
    StoreSandbox sandbox;
    SettingsStore store;
    QVERIFY(store.writeSlot(app, 0, QStringLiteral("taro"), QStringLiteral("pa,ss \"x\"")));
    QVERIFY(store.writeSlot(app, 7, QStringLiteral("日本語ID"), QString()));

    QCOMPARE(modeOf(sandbox.configHome()), mode_t(0700));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0600));

    // A second store reads what reached the disk, not what the first one holds in memory.
    const QByteArray disk = sandbox.storeFileContents();
    QVERIFY(disk.contains("[ID]"));
    QVERIFY(disk.contains("[PW]"));
    QVERIFY(disk.contains("ID0=taro"));
    SettingsStore fresh;
    QCOMPARE(fresh.read(app, kIdSection, idKey(0)), QStringLiteral("taro"));
    QCOMPARE(fresh.read(app, kPwSection, pwKey(0)), QStringLiteral("pa,ss \"x\""));
    QCOMPARE(fresh.read(app, kIdSection, idKey(7)), QStringLiteral("日本語ID"));
    QCOMPARE(fresh.read(app, kPwSection, pwKey(7)), QString());

    QVERIFY(store.write(app, kIdSection, idKey(0), QStringLiteral("jiro")));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0600));
}

void tst_SettingsStore::widerFileIsTightenedOnWrite()
{
    StoreSandbox sandbox;
    sandbox.writeStoreFile("[ID]\nID0=keep\n[PW]\nPW0=secret\n");
    QFile::setPermissions(sandbox.storeFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                       | QFileDevice::ReadGroup
                                                       | QFileDevice::ReadOther);
    SettingsStore store;
    // Reading changes nothing on disk.
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("keep"));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0644));

    QVERIFY(store.writeSlot(app, 1, QStringLiteral("new"), QStringLiteral("pw")));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0600));
    SettingsStore fresh;
    QCOMPARE(fresh.read(app, kPwSection, pwKey(0)), QStringLiteral("secret"));
    QCOMPARE(fresh.read(app, kIdSection, idKey(1)), QStringLiteral("new"));
}

void tst_SettingsStore::existingFolderKeepsItsMode()
{
    StoreSandbox sandbox;
    QVERIFY(QDir().mkpath(sandbox.configHome()));
    QFile::setPermissions(sandbox.configHome(), QFileDevice::Permissions(0x7755));
    SettingsStore store;
    QVERIFY(store.writeSlot(app, 0, QStringLiteral("a"), QStringLiteral("b")));
    // The user's own configuration folder is theirs; only the file is narrowed.
    QCOMPARE(modeOf(sandbox.configHome()), mode_t(0755));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0600));
}

void tst_SettingsStore::removeFailsForMissingValue()
{
    StoreSandbox sandbox;
    SettingsStore store;
    QVERIFY(!store.remove(app, kIdSection, idKey(0)));
    QVERIFY(store.writeSlot(app, 0, QStringLiteral("a"), QStringLiteral("b")));
    QVERIFY(store.remove(app, kIdSection, idKey(0)));
    QVERIFY(!store.remove(app, kIdSection, idKey(0)));
    QVERIFY(store.remove(app, kPwSection, pwKey(0)));
    SettingsStore fresh;
    QCOMPARE(fresh.read(app, kIdSection, idKey(0)), QString());
    QVERIFY(!sandbox.storeFileContents().contains("ID0"));
    QVERIFY(!sandbox.storeFileContents().contains("PW0"));
}

void tst_SettingsStore::failedWriteReportsAndKeepsDiskView()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("old") }, { QStringLiteral("oldpw") });
    SettingsStore store;
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("old"));

    // Put a plain file where the configuration folder was: nothing can be written there.
    const QString moved = sandbox.root() + QStringLiteral("/moved");
    QVERIFY(QDir().rename(sandbox.configHome(), moved));
    {
        QFile blocker(sandbox.configHome());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QVERIFY(!store.writeSlot(app, 0, QStringLiteral("new"), QStringLiteral("newpw")));
    QVERIFY(!store.remove(app, kIdSection, idKey(0)));
    QVERIFY(QFile::remove(sandbox.configHome()));
    QVERIFY(QDir().rename(moved, sandbox.configHome()));

    // Neither half of the failed write is seen afterwards, by this store or a fresh one.
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("old"));
    QCOMPARE(store.read(app, kPwSection, pwKey(0)), QStringLiteral("oldpw"));
    SettingsStore fresh;
    QCOMPARE(fresh.read(app, kIdSection, idKey(0)), QStringLiteral("old"));
    QCOMPARE(fresh.read(app, kPwSection, pwKey(0)), QStringLiteral("oldpw"));
}

void tst_SettingsStore::readOnlyFolderFailsWrite()
{
    if (::geteuid() == 0)
        QSKIP("root writes into read-only folders; the blocked-folder case covers root");
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("old") }, { QStringLiteral("oldpw") });
    QVERIFY(QFile::setPermissions(sandbox.configHome(),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    SettingsStore store;
    QVERIFY(!store.writeSlot(app, 0, QStringLiteral("new"), QStringLiteral("newpw")));
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("old"));
    QCOMPARE(store.read(app, kPwSection, pwKey(0)), QStringLiteral("oldpw"));
}

void tst_SettingsStore::damagedFileLoadsWhatItCan()
{
    StoreSandbox sandbox;
    QByteArray contents("garbage line without equals\n[ID]\nID0=first\nID1=\xff\xfe bad utf8\n"
                        "ID2=x\n[PW]\nPW0=a,b\nPW1=");
    contents += QByteArray(1 << 20, 'v');
    contents += "\nPW100=far\n";
    sandbox.writeStoreFile(contents);
    SettingsStore store;
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("first"));
    // An unquoted comma is part of the text, not a list separator.
    QCOMPARE(store.read(app, kPwSection, pwKey(0)), QStringLiteral("a,b"));
    QVERIFY(!store.read(app, kIdSection, idKey(1)).isEmpty());
    QCOMPARE(store.read(app, kPwSection, pwKey(1)).size(), 1 << 20);
    QCOMPARE(store.read(app, kIdSection, idKey(2)), QStringLiteral("x"));
    // Reading never rewrites the file.
    QCOMPARE(sandbox.storeFileContents(), contents);
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
