#include "common/storesamples.h"
#include "store/inidocument.h"
#include "ui/main/editingharness.h"
#include "ui/main/statusbar.h"

#include <QLineEdit>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

using namespace editing;

namespace {

// Adds an account through 新規登録 and the entry dialog, confirming every box.
void addThroughDialog(Fixture &f, const QString &id, const QString &password)
{
    EntryDialogScript script([&](frmRegistry &dialog) {
        retype(dialog.txtID, id);
        retype(dialog.txtPW, password);
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
    });
    QTest::mouseClick(f.window().cmdNEW, Qt::LeftButton);
    QVERIFY(script.ran());
}

struct FileKind
{
    mode_t mode = 0;
    ino_t inode = 0;
    off_t size = 0;
    bool operator==(const FileKind &) const = default;
};

FileKind kindOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return { st.st_mode, st.st_ino, st.st_size };
}

} // namespace

class tst_DamagedStore : public QObject
{
    Q_OBJECT
private slots:
    void damagedFileListsWhatItCan_data();
    void damagedFileListsWhatItCan();
    void unreadableStoreListsNothingAndRefusesWrites_data();
    void unreadableStoreListsNothingAndRefusesWrites();
};

void tst_DamagedStore::damagedFileListsWhatItCan_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("passwords");

    const QByteArray nul(1, '\0');
    QTest::newRow("unquoted commas")
            << QByteArray("[ID]\nID0=a,b\nID1=c, d\n[PW]\nPW0=x,y\nPW1=\"x\", \"y\"\n")
            << QStringList{ "a,b", "c, d" } << QStringList{ "x,y", "\"x\", \"y\"" };
    QTest::newRow("semicolons and quotes")
            << QByteArray("[ID]\nID0=semi;colon\nID1=\"quoted, really\"\n[PW]\nPW0=p;w\nPW1=open\"quote\n")
            << QStringList{ "semi;colon", "quoted, really" } << QStringList{ "p;w", "open\"quote" };
    QTest::newRow("invalid UTF-8")
            << QByteArray("[ID]\nID0=\xff\xfe\nID1=ok\n[PW]\nPW0=\xc3\nPW1=p\n")
            << QStringList{ QString::fromUtf8("\xff\xfe"), "ok" } << QStringList{ QString::fromUtf8("\xc3"), "p" };
    QTest::newRow("NUL bytes")
            << QByteArray("[ID]\nID0=a") + nul + "b\n" + nul + "\nID1=c\n[PW]\nPW0=p\nPW1=q\n"
            << QStringList{ QStringLiteral("a") + QChar(0) + QStringLiteral("b"), "c" }
            << QStringList{ "p", "q" };
    QTest::newRow("1 MB password")
            << QByteArray("[ID]\nID0=big\nID1=small\n[PW]\nPW0=") + QByteArray(1 << 20, 'v') + "\nPW1=p\n"
            << QStringList{ "big", "small" } << QStringList{ QString(1 << 20, QLatin1Char('v')), "p" };
    QStringList hundredIds, hundredPasswords;
    for (int slot = 0; slot < AccountTable::kSlots; ++slot) {
        hundredIds << QStringLiteral("id%1").arg(slot);
        hundredPasswords << QStringLiteral("pw%1").arg(slot);
    }
    QTest::newRow("10,000 keys") << numberedStore(10000) << hundredIds << hundredPasswords;
    QTest::newRow("keys past 99 only") << numberedStore(3, 100) << QStringList() << QStringList();
    QTest::newRow("lines QSettings cannot read")
            << QByteArray("garbage\n[ID]\nID0=a\nno equals\nID1=b\n[PW\nPW0=pa\nPW1=pb\n")
            << QStringList{ "a", "b" } << QStringList{ "pa", "pb" };
    QTest::newRow("comments") << QByteArray("; mine\n[ID]\n; first\nID0=a\n[PW]\nPW0=pa ; not a comment\n")
                              << QStringList{ "a" } << QStringList{ "pa ; not a comment" };
    QTest::newRow("binary") << noise(64 * 1024, 11) << QStringList() << QStringList();
    QTest::newRow("binary, then accounts") << noise(4096, 12) + "\n" + numberedStore(2)
                                           << QStringList{ "id0", "id1" } << QStringList{ "pw0", "pw1" };
    QTest::newRow("empty") << QByteArray() << QStringList() << QStringList();
}

void tst_DamagedStore::damagedFileListsWhatItCan()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, passwords);

    Fixture f(contents);
    QCOMPARE(rows(f.window().lbID), ids);
    QCOMPARE(tableIds(f.program), ids);
    QVERIFY2(tablePasswords(f.program, int(ids.size())) == passwords, "table passwords differ");
    QCOMPARE(trayLogins(f.tray()), ids);
    QVERIFY2(f.sandbox.storeFileContents() == contents, "starting changed the store file");

    // An edit changes the lines of its own slots and keeps every other byte.
    QList<IniDocument::Change> changes;
    QStringList newIds = ids;
    if (ids.size() >= 2) {
        f.window().lbID->setCurrentRow(0);
        QTest::mouseClick(f.window().cmdDown, Qt::LeftButton);
        changes = { { kIdSection, idKey(0), ids[1] }, { kPwSection, pwKey(0), passwords[1] },
                    { kIdSection, idKey(1), ids[0] }, { kPwSection, pwKey(1), passwords[0] } };
        newIds.swapItemsAt(0, 1);
    } else {
        addThroughDialog(f, QStringLiteral("new"), QStringLiteral("new, pw"));
        const int slot = int(ids.size());
        changes = { { kIdSection, idKey(slot), QStringLiteral("new") },
                    { kPwSection, pwKey(slot), QStringLiteral("new, pw") } };
        newIds << QStringLiteral("new");
    }
    QVERIFY(f.window().SB->text().isEmpty());
    QCOMPARE(rows(f.window().lbID), newIds);
    QVERIFY2(f.sandbox.storeFileContents() == IniDocument(contents).changed(changes),
             "the edit changed more of the store file than its own slots");
}

void tst_DamagedStore::unreadableStoreListsNothingAndRefusesWrites_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("link that loops") << "loop";
    QTest::newRow("file too large") << "large";
}

void tst_DamagedStore::unreadableStoreListsNothingAndRefusesWrites()
{
    QFETCH(QString, kind);
    Fixture f([&kind](const StoreSandbox &sandbox) {
        QDir().mkpath(sandbox.configHome());
        if (kind == "folder") {
            QDir().mkdir(sandbox.storeFile());
        } else if (kind == "loop") {
            QFile::link(sandbox.storeFile(), sandbox.storeFile());
        } else {
            sandbox.writeStoreFile(numberedStore(3));
            QFile(sandbox.storeFile()).resize(SettingsStore::kMaxFileSize + 1);
        }
    });
    const FileKind before = kindOf(f.sandbox.storeFile());
    QVERIFY(before.mode != 0);
    QCOMPARE(rows(f.window().lbID), QStringList());
    QCOMPARE(trayLogins(f.tray()), QStringList());

    // The entry dialog reports that the account could not be stored.
    addThroughDialog(f, QStringLiteral("new"), QStringLiteral("pw"));
    QCOMPARE(f.boxes->shown.size(), 2);
    QCOMPARE(f.boxes->shown[1].text, QStringLiteral("エラーが発生しました。"));
    QCOMPARE(rows(f.window().lbID), QStringList());
    QCOMPARE(trayLogins(f.tray()), QStringList());
    QVERIFY(kindOf(f.sandbox.storeFile()) == before);
    QCOMPARE(QDir(f.sandbox.configHome()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList{ "YRMLD.conf" });
}

QTEST_MAIN(tst_DamagedStore)
#include "tst_damagedstore.moc"
