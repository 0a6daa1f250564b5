#include "common/filesizelimit.h"
#include "common/storesamples.h"
#include "common/storesandbox.h"
#include "store/programsettings.h"
#include "store/settingsstore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>

#include <atomic>
#include <optional>
#include <thread>

#include <fcntl.h>
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
    void programSettingsReadAnEarlierFileAndTellTheirChanges();
    void widerFileIsTightenedOnRead_data();
    void widerFileIsTightenedOnRead();
    void anotherUsersStoreIsNeverWritten();
    void existingFolderKeepsItsMode();
    void removeFailsForMissingValue();
    void failedWriteReportsAndKeepsDiskView();
    void readOnlyFolderFailsWrite();
    void damagedFileLoadsWhatItCan_data();
    void damagedFileLoadsWhatItCan();
    void unreadableStoreIsEmptyAndKeptAsItIs_data();
    void unreadableStoreIsEmptyAndKeptAsItIs();
    void danglingLinkReadsEmptyAndWritesItsTarget();
    void slotsChangeTogetherOrNotAtAll();
    void changesByOthersAreSeenAndKept();
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

    // So is the program's own settings file, which names accounts too: from its first write,
    // and one that an earlier version left open to others as soon as the program reads it.
    const QString settings = ProgramSettings::location();
    ProgramSettings().setLastAccount(QStringLiteral("taro"));
    QCOMPARE(modeOf(settings), mode_t(0600));
    QVERIFY(::chmod(QFile::encodeName(settings).constData(), 0644) == 0);
    QCOMPARE(ProgramSettings().lastAccount(), QStringLiteral("taro"));
    QCOMPARE(modeOf(settings), mode_t(0600));
}

// The program's settings as an earlier version wrote them read as they were, and each change
// that the file takes is told once, a value set again not at all.
void tst_SettingsStore::programSettingsReadAnEarlierFileAndTellTheirChanges()
{
    StoreSandbox sandbox;
    QVERIFY(QDir().mkpath(QFileInfo(ProgramSettings::location()).path()));
    QFile file(ProgramSettings::location());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Clipboard]\nClearAfter30s=false\n[Keyring]\nEnabled=true\n[Login]\nLastAccount=bob\n"
               "RenewExpired=true\n");
    file.close();
    ProgramSettings settings;
    QVERIFY(!settings.clearsClipboard());
    QVERIFY(settings.passwordsInKeyring());
    QCOMPARE(settings.lastAccount(), QStringLiteral("bob"));
    QVERIFY(settings.renewsLogins());
    QVERIFY(!settings.linksInDefaultBrowser());

    QSignalSpy changed(&settings, &ProgramSettings::changed);
    settings.setRenewsLogins(true);
    settings.setLastAccount(QStringLiteral("bob"));
    QCOMPARE(changed.size(), 0);
    settings.setClearsClipboard(true);
    settings.setLastAccount(QString());
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed[0][0].value<ProgramSettings::Key>(), ProgramSettings::Key::ClearsClipboard);
    QCOMPARE(changed[1][0].value<ProgramSettings::Key>(), ProgramSettings::Key::LastAccount);
    QVERIFY(ProgramSettings().clearsClipboard());
    QCOMPARE(ProgramSettings().lastAccount(), QString());
}

// Whatever lets the group or others in, readable or writable, is taken away.
void tst_SettingsStore::widerFileIsTightenedOnRead_data()
{
    QTest::addColumn<uint>("mode");
    QTest::newRow("0644: group and others read") << 0644u;
    QTest::newRow("0640: the group reads") << 0640u;
    QTest::newRow("0604: others read") << 0604u;
    QTest::newRow("0620: the group writes") << 0620u;
}

void tst_SettingsStore::widerFileIsTightenedOnRead()
{
    QFETCH(uint, mode);
    StoreSandbox sandbox;
    sandbox.writeStoreFile("[ID]\nID0=keep\n[PW]\nPW0=secret\n");
    QVERIFY(::chmod(QFile::encodeName(sandbox.storeFile()).constData(), mode_t(mode)) == 0);
    SettingsStore store;
    // The passwords are closed to others as soon as the store is read, not at its next write.
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("keep"));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0600));

    QVERIFY(store.writeSlot(app, 1, QStringLiteral("new"), QStringLiteral("pw")));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0600));
    SettingsStore fresh;
    QCOMPARE(fresh.read(app, kPwSection, pwKey(0)), QStringLiteral("secret"));
    QCOMPARE(fresh.read(app, kIdSection, idKey(1)), QStringLiteral("new"));
}

// A store that belongs to another user is read, but neither narrowed nor written: it is theirs.
void tst_SettingsStore::anotherUsersStoreIsNeverWritten()
{
    if (::geteuid() != 0)
        QSKIP("only root can hand a file to another user");
    StoreSandbox sandbox;
    const QByteArray theirs("[ID]\nID0=theirs\n[PW]\nPW0=x\n");
    sandbox.writeStoreFile(theirs);
    const QByteArray path = QFile::encodeName(sandbox.storeFile());
    QVERIFY(::chown(path.constData(), 65534, 65534) == 0 && ::chmod(path.constData(), 0644) == 0);
    SettingsStore store;
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("theirs"));
    QCOMPARE(modeOf(sandbox.storeFile()), mode_t(0644));
    QVERIFY(!store.writeSlot(app, 1, QStringLiteral("mine"), QStringLiteral("pw")));
    QVERIFY(sandbox.storeFileContents() == theirs);
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

namespace {

using Reads = QList<std::pair<QString, QString>>; // key ("ID0", "PW3") and its text

} // namespace

void tst_SettingsStore::damagedFileLoadsWhatItCan_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<Reads>("reads");

    const QByteArray nul(1, '\0');
    QTest::newRow("unquoted commas")
            << QByteArray("[ID]\nID0=a,b\nID1=c, d\n[PW]\nPW0=a,b\nPW1=\"x\", \"y\"\n")
            << Reads{ { "ID0", "a,b" }, { "ID1", "c, d" }, { "PW0", "a,b" }, { "PW1", "\"x\", \"y\"" } };
    QTest::newRow("quoted comma and semicolon")
            << QByteArray("[PW]\nPW0=\"a,b\"\nPW1=x;y\nPW2=\"x;y\"\n")
            << Reads{ { "PW0", "a,b" }, { "PW1", "x;y" }, { "PW2", "x;y" } };
    QTest::newRow("invalid UTF-8")
            << QByteArray("[ID]\nID0=ok\nID1=\xff\xfe bad\xc3\n[PW]\nPW1=\x80\n")
            << Reads{ { "ID0", "ok" }, { "ID1", QString::fromUtf8("\xff\xfe bad\xc3") },
                      { "PW1", QString::fromUtf8("\x80") } };
    QTest::newRow("NUL bytes")
            << QByteArray("[ID]\nID0=a") + nul + "b\n" + nul + nul + "\nID1=c\n"
            << Reads{ { "ID0", QStringLiteral("a") + QChar(0) + QStringLiteral("b") }, { "ID1", "c" } };
    QTest::newRow("1 MB value")
            << QByteArray("[ID]\nID0=big\nID1=next\n[PW]\nPW0=") + QByteArray(1 << 20, 'v') + "\nPW1=p\n"
            << Reads{ { "ID0", "big" }, { "PW0", QString(1 << 20, QLatin1Char('v')) }, { "ID1", "next" },
                      { "PW1", "p" } };
    QTest::newRow("10,000 keys") << numberedStore(10000)
                                 << Reads{ { "ID0", "id0" }, { "PW99", "pw99" }, { "ID9999", "id9999" } };
    QTest::newRow("keys past 99 only") << numberedStore(5, 100)
                                       << Reads{ { "ID0", "" }, { "ID100", "id100" } };
    QTest::newRow("lines QSettings cannot read")
            << QByteArray("garbage\n[ID]\nID0=first\nno equals\n[PW\nPW0=p0\n")
            << Reads{ { "ID0", "first" }, { "PW0", "p0" } };
    QTest::newRow("unclosed quote ends at its line")
            << QByteArray("[ID]\nID0=a\"b\nID1=c\n") << Reads{ { "ID0", "a\"b" }, { "ID1", "c" } };
    QTest::newRow("other types") << QByteArray("[PW]\nPW0=@Rect(1 2 3 4)\nPW1=@Variant(\\0\\0\\0\\x7f)\n")
                                 << Reads{ { "PW0", "@Rect(1 2 3 4)" }, { "PW1", "@Variant(\\0\\0\\0\\x7f)" } };
    QTest::newRow("binary") << noise(64 * 1024, 7) << Reads{};
    QTest::newRow("binary, then accounts") << noise(4096, 8) + "\n" + numberedStore(2)
                                           << Reads{ { "ID0", "id0" }, { "PW1", "pw1" } };
    QTest::newRow("empty") << QByteArray() << Reads{ { "ID0", "" } };
    QTest::newRow("blank lines only") << QByteArray("\n\r\n  \t\n") << Reads{ { "ID0", "" } };
}

void tst_SettingsStore::damagedFileLoadsWhatItCan()
{
    QFETCH(QByteArray, contents);
    QFETCH(Reads, reads);

    StoreSandbox sandbox;
    sandbox.writeStoreFile(contents);
    SettingsStore store;
    for (const auto &[key, text] : reads) {
        const QString section = key.left(2);
        QVERIFY2(store.read(app, section, key) == text, qPrintable(key + " reads otherwise"));
    }
    // Every slot can be read, whatever the file holds.
    for (int slot = 0; slot < 100; ++slot) {
        store.read(app, kIdSection, idKey(slot));
        store.read(app, kPwSection, pwKey(slot));
    }
    // Reading never rewrites the file.
    QVERIFY(sandbox.storeFileContents() == contents);

    // Writing a slot changes that slot's lines and keeps every other byte.
    const IniDocument before(contents);
    QVERIFY(store.writeSlot(app, 0, QStringLiteral("new"), QStringLiteral("n,ew")));
    const QByteArray expected = before.changed({ { kIdSection, idKey(0), QStringLiteral("new") },
                                                 { kPwSection, pwKey(0), QStringLiteral("n,ew") } });
    QVERIFY2(sandbox.storeFileContents() == expected, "the write changed more than slot 0");
    SettingsStore fresh;
    QCOMPARE(fresh.read(app, kIdSection, idKey(0)), QStringLiteral("new"));
    QVERIFY2(fresh.read(app, kPwSection, pwKey(0)) == QStringLiteral("n,ew"), "slot 0's password");
    for (const auto &[key, text] : reads) {
        if (key == idKey(0) || key == pwKey(0))
            continue;
        QVERIFY2(fresh.read(app, key.left(2), key) == text, qPrintable(key + " changed"));
    }
}

void tst_SettingsStore::unreadableStoreIsEmptyAndKeptAsItIs_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("named pipe") << "pipe";
    QTest::newRow("link that loops") << "loop";
    QTest::newRow("file too large") << "large";
    QTest::newRow("file its user may not read") << "no access";
}

void tst_SettingsStore::unreadableStoreIsEmptyAndKeptAsItIs()
{
    QFETCH(QString, kind);
    StoreSandbox sandbox;
    QVERIFY(QDir().mkpath(sandbox.configHome()));
    const QByteArray path = QFile::encodeName(sandbox.storeFile());
    uid_t asUser = ::geteuid();
    if (kind == "folder") {
        QVERIFY(QDir().mkdir(sandbox.storeFile()));
    } else if (kind == "pipe") {
        QVERIFY(::mkfifo(path.constData(), 0600) == 0);
    } else if (kind == "loop") {
        QVERIFY(QFile::link(sandbox.storeFile(), sandbox.storeFile()));
    } else if (kind == "large") {
        sandbox.writeStoreFile(numberedStore(3));
        QVERIFY(::truncate(path.constData(), SettingsStore::kMaxFileSize + 1) == 0);
    } else {
        sandbox.writeStoreFile(numberedStore(3));
        QVERIFY(QFile::setPermissions(sandbox.storeFile(), QFileDevice::Permissions()));
        if (asUser == 0) {
            // Root reads every file: the store is used as another user, who owns the folders.
            asUser = 65534;
            for (const QString &owned : { sandbox.root(), sandbox.configHome(), sandbox.storeFile() })
                QVERIFY(::chown(QFile::encodeName(owned).constData(), asUser, asUser) == 0);
        }
    }
    struct stat st {};
    QVERIFY(::lstat(path.constData(), &st) == 0);
    const QByteArray before = kind == "large" || kind == "no access" ? sandbox.storeFileContents()
                                                                     : QByteArray();

    // Runs the store on a thread of its own, so that a step that waits forever (a pipe opened
    // for reading waits for a writer) fails the test instead of hanging it.
    std::optional<QString> id;
    bool written = true;
    bool removed = true;
    std::atomic<bool> finished = false;
    std::thread user([&] {
        const uid_t own = ::geteuid();
        if (asUser == own || ::seteuid(asUser) == 0) {
            SettingsStore store;
            id = store.read(app, kIdSection, idKey(0));
            written = store.writeSlot(app, 0, QStringLiteral("new"), QStringLiteral("pw"));
            removed = store.writeSlots(app, {}, { 0 });
            if (asUser != own && ::seteuid(own) != 0)
                qFatal("cannot return to the test's own user");
        }
        finished = true;
    });
    QDeadlineTimer deadline(5000);
    while (!finished && !deadline.hasExpired())
        QThread::msleep(10);
    const bool stalled = !finished;
    while (!finished && kind == "pipe") {
        // Let a waiting reader go: it reads the end of the pipe.
        const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        QThread::msleep(10);
    }
    user.join();
    QVERIFY2(!stalled, "the store did not return within 5 s");
    QVERIFY(id.has_value());
    QCOMPARE(*id, QString());
    QVERIFY2(!written, "a slot was written over a store that could not be read");
    QVERIFY2(!removed, "keys were removed from a store that could not be read");

    // Still the same thing, unchanged.
    struct stat now {};
    QVERIFY(::lstat(path.constData(), &now) == 0);
    QCOMPARE(now.st_mode, st.st_mode);
    QCOMPARE(now.st_ino, st.st_ino);
    QCOMPARE(now.st_size, st.st_size);
    if (!before.isEmpty())
        QVERIFY(sandbox.storeFileContents() == before);
    if (kind == "folder")
        QVERIFY(QDir(sandbox.storeFile()).isEmpty());
    QCOMPARE(QDir(sandbox.configHome()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList{ "YRMLD.conf" });
}

void tst_SettingsStore::danglingLinkReadsEmptyAndWritesItsTarget()
{
    StoreSandbox sandbox;
    QVERIFY(QDir().mkpath(sandbox.configHome()));
    const QString target = sandbox.root() + QStringLiteral("/kept/accounts.conf");
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    QVERIFY(QFile::link(target, sandbox.storeFile()));
    {
        SettingsStore store;
        QCOMPARE(store.read(app, kIdSection, idKey(0)), QString());
    }
    // Reading made nothing.
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(QFileInfo(sandbox.storeFile()).isSymLink());

    SettingsStore store;
    QVERIFY(store.writeSlot(app, 0, QStringLiteral("a"), QStringLiteral("b")));
    // The link stays a link; the file it names holds the account, readable by its owner only.
    QVERIFY(QFileInfo(sandbox.storeFile()).isSymLink());
    QCOMPARE(modeOf(target), mode_t(0600));
    QCOMPARE(SettingsStore().read(app, kIdSection, idKey(0)), QStringLiteral("a"));
}

void tst_SettingsStore::slotsChangeTogetherOrNotAtAll()
{
    StoreSandbox sandbox;
    sandbox.writeStoreFile(numberedStore(100));
    SettingsStore store;
    QList<SettingsStore::SlotWrite> writes;
    for (int slot = 0; slot < 99; ++slot)
        writes.append({ slot, QStringLiteral("id%1").arg(slot + 1), QStringLiteral("pw%1").arg(slot + 1) });
    const QByteArray before = sandbox.storeFileContents();

    // The file system refuses the new file when it is half written (a file size limit): the old
    // file stays as it was, and no half-written file is left behind.
    QCOMPARE(underFileSizeLimit(before.size() / 2, [&] { return store.writeSlots(app, writes, { 99 }); }),
             std::optional(false));
    QVERIFY2(sandbox.storeFileContents() == before, "the store file changed");
    QCOMPARE(QDir(sandbox.configHome()).entryList(QDir::Files | QDir::Hidden), QStringList{ "YRMLD.conf" });
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("id0"));
    QCOMPARE(store.read(app, kIdSection, idKey(99)), QStringLiteral("id99"));

    // Then all of it at once.
    QVERIFY(store.writeSlots(app, writes, { 99 }));
    SettingsStore fresh;
    for (int slot = 0; slot < 99; ++slot)
        QCOMPARE(fresh.read(app, kIdSection, idKey(slot)), QStringLiteral("id%1").arg(slot + 1));
    QCOMPARE(fresh.read(app, kIdSection, idKey(99)), QString());
    QVERIFY(!sandbox.storeFileContents().contains("ID99="));
    QVERIFY(!sandbox.storeFileContents().contains("PW99="));
    QCOMPARE(QDir(sandbox.configHome()).entryList(QDir::Files | QDir::Hidden), QStringList{ "YRMLD.conf" });

    // Removing keys that are already gone changes nothing and is no failure.
    const QByteArray now = sandbox.storeFileContents();
    QVERIFY(store.writeSlots(app, {}, { 99 }));
    QVERIFY(sandbox.storeFileContents() == now);
}

void tst_SettingsStore::changesByOthersAreSeenAndKept()
{
    StoreSandbox sandbox;
    sandbox.writeStoreFile(numberedStore(2));
    SettingsStore store;
    QCOMPARE(store.read(app, kIdSection, idKey(1)), QStringLiteral("id1"));

    // Another program changes the file (same size, so only its time and identity tell).
    sandbox.writeStoreFile(numberedStore(2).replace("id1", "ix1"));
    QCOMPARE(store.read(app, kIdSection, idKey(1)), QStringLiteral("ix1"));
    sandbox.writeStoreFile(numberedStore(2) + "; a note\n[ID]\nID5=kept\n");
    QVERIFY(store.writeSlot(app, 0, QStringLiteral("mine"), QStringLiteral("p")));
    QVERIFY(sandbox.storeFileContents().contains("; a note\n"));
    QCOMPARE(store.read(app, kIdSection, idKey(5)), QStringLiteral("kept"));
    QCOMPARE(store.read(app, kIdSection, idKey(0)), QStringLiteral("mine"));
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
