#include "platform/processsetup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// What the program settles for its process before the toolkit starts: no core files, and a
// runtime folder of its own when the session gave it none.
class tst_ProcessSetup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void coreDumpsAreOff();
    void runtimeFolderOfTheSessionIsKept();
    void runtimeFolderIsMadeWhenMissing_data();
    void runtimeFolderIsMadeWhenMissing();

private:
    QString fallback() const;

    std::unique_ptr<QTemporaryDir> m_tmp;
    QByteArray m_oldTmp;
    QByteArray m_oldRuntime;
};

void tst_ProcessSetup::init()
{
    m_oldTmp = qgetenv("TMPDIR");
    m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    m_tmp = std::make_unique<QTemporaryDir>();
    qputenv("TMPDIR", QFile::encodeName(m_tmp->path()));
    qunsetenv("XDG_RUNTIME_DIR");
}

void tst_ProcessSetup::cleanup()
{
    qputenv("TMPDIR", m_oldTmp);
    qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    m_tmp.reset();
}

QString tst_ProcessSetup::fallback() const
{
    const passwd *entry = ::getpwuid(::geteuid());
    return m_tmp->path() + QStringLiteral("/runtime-") + QFile::decodeName(entry->pw_name);
}

void tst_ProcessSetup::coreDumpsAreOff()
{
    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_CORE, &before), 0);
    QVERIFY(disableCoreDumps());
    rlimit limit{};
    QCOMPARE(::getrlimit(RLIMIT_CORE, &limit), 0);
    QCOMPARE(limit.rlim_cur, rlim_t(0));
    // The hard limit stays: what the program starts may raise its own again.
    QCOMPARE(limit.rlim_max, before.rlim_max);
}

void tst_ProcessSetup::runtimeFolderOfTheSessionIsKept()
{
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    QCOMPARE(ensureRuntimeFolder(), QStringLiteral("/run/user/4242"));
    QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), QByteArray("/run/user/4242"));
    QVERIFY(!QFileInfo::exists(fallback()));
}

void tst_ProcessSetup::runtimeFolderIsMadeWhenMissing_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("used");
    QTest::newRow("no folder yet") << "" << true;
    QTest::newRow("own folder, too open") << "open folder" << true;
    QTest::newRow("own folder") << "folder" << true;
    QTest::newRow("a link to a folder") << "link" << false;
    QTest::newRow("a file") << "file" << false;
}

void tst_ProcessSetup::runtimeFolderIsMadeWhenMissing()
{
    QFETCH(QString, before);
    QFETCH(bool, used);
    const QString folder = fallback();
    const QByteArray path = QFile::encodeName(folder);
    if (before == QLatin1String("folder"))
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
    if (before == QLatin1String("open folder")) {
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
        QCOMPARE(::chmod(path.constData(), 0755), 0);
    }
    if (before == QLatin1String("link")) {
        QVERIFY(QDir(m_tmp->path()).mkdir(QStringLiteral("elsewhere")));
        QVERIFY(QFile::link(m_tmp->path() + QStringLiteral("/elsewhere"), folder));
    }
    if (before == QLatin1String("file")) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const QString result = ensureRuntimeFolder();
    if (!used) {
        QVERIFY(result.isEmpty());
        QVERIFY(qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"));
        return;
    }
    QCOMPARE(result, folder);
    QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), path);
    struct stat st {};
    QCOMPARE(::lstat(path.constData(), &st), 0);
    QVERIFY(S_ISDIR(st.st_mode));
    QCOMPARE(st.st_mode & 07777, mode_t(0700));
    QCOMPARE(st.st_uid, ::geteuid());
}

QTEST_GUILESS_MAIN(tst_ProcessSetup)
#include "tst_processsetup.moc"
