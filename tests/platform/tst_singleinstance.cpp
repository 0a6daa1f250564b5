#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class tst_SingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void keyFollowsTheStore();
    void secondCopyHandsOverToTheFirst();
    void staleLockOfACrashedCopyIsTakenOver();
    void socketIsTheUsersOnly();
    void aRequestIsRepliedTo();

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

void tst_SingleInstance::init()
{
    m_runtime = std::make_unique<QTemporaryDir>();
    QFile::setPermissions(m_runtime->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                     | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
}

void tst_SingleInstance::keyFollowsTheStore()
{
    const QString a = SingleInstance::keyFor(QStringLiteral("/home/u/.config/YRMLD.conf"));
    QCOMPARE(SingleInstance::keyFor(QStringLiteral("/home/u/.config/YRMLD.conf")), a);
    QVERIFY(SingleInstance::keyFor(QStringLiteral("/tmp/test/YRMLD.conf")) != a);
    QVERIFY(!a.contains(QLatin1Char('/')));
}

void tst_SingleInstance::secondCopyHandsOverToTheFirst()
{
    SingleInstance first(QStringLiteral("k1"));
    QVERIFY(first.tryBecomePrimary());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    SingleInstance second(QStringLiteral("k1"));
    QVERIFY(!second.tryBecomePrimary());
    QSignalSpy handedOver(&second, &SingleInstance::handedOver);
    second.handOver();
    QVERIFY(handedOver.wait(5000));
    QTRY_COMPARE(shown.size(), 1);

    // Another store is another program: both run.
    SingleInstance other(QStringLiteral("k2"));
    QVERIFY(other.tryBecomePrimary());
}

void tst_SingleInstance::staleLockOfACrashedCopyIsTakenOver()
{
    // A lock file left by a process that no longer runs.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForFinished());
    const qint64 deadPid = gone.processId() > 0 ? gone.processId() : 999999;
    QFile lock(m_runtime->path() + QStringLiteral("/k3.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + "\nyorumi-livedoor\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile socket(m_runtime->path() + QStringLiteral("/k3.socket"));
    QVERIFY(socket.open(QIODevice::WriteOnly)); // a leftover socket path
    socket.close();

    SingleInstance restarted(QStringLiteral("k3"));
    QVERIFY(restarted.tryBecomePrimary());
    QSignalSpy shown(&restarted, &SingleInstance::showRequested);
    SingleInstance second(QStringLiteral("k3"));
    QVERIFY(!second.tryBecomePrimary());
    second.handOver();
    QVERIFY(shown.wait(5000));
}

void tst_SingleInstance::socketIsTheUsersOnly()
{
    SingleInstance first(QStringLiteral("k4"));
    QVERIFY(first.tryBecomePrimary());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(m_runtime->path() + QStringLiteral("/k4.socket")).constData(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(st.st_mode & 077, 0u);
}

// A request made while the first copy is still starting (its socket not there yet, or one left
// by a copy that crashed) reaches it once it listens, and its reply comes back; a first copy that
// ends before it replies leaves the request unanswered.
void tst_SingleInstance::aRequestIsRepliedTo()
{
    QFile leftOver(m_runtime->path() + QStringLiteral("/k5.socket"));
    QVERIFY(leftOver.open(QIODevice::WriteOnly));
    leftOver.close();
    SingleInstance later(QStringLiteral("k5"));
    QSignalSpy replied(&later, &SingleInstance::replied);
    QSignalSpy unanswered(&later, &SingleInstance::unanswered);
    later.request("list", 30);
    // A plain second start's hand-over waits the same way.
    SingleInstance second(QStringLiteral("k5"));
    QSignalSpy handedOver(&second, &SingleInstance::handedOver);
    second.handOver();

    auto first = std::make_unique<SingleInstance>(QStringLiteral("k5"));
    QVERIFY(later.primaryRuns() == false);
    QVERIFY(first->tryBecomePrimary());
    QVERIFY(later.primaryRuns());
    QSignalSpy shown(first.get(), &SingleInstance::showRequested);
    connect(first.get(), &SingleInstance::requested, first.get(), [&first](quint64 id, const QByteArray &message) {
        first->reply(id, "reply to " + message);
    });
    QVERIFY(replied.wait(5000));
    QTRY_COMPARE(shown.size(), 1);
    QTRY_COMPARE(handedOver.size(), 1);
    QCOMPARE(replied.first().first().toByteArray(), QByteArray("reply to list"));
    QCOMPARE(unanswered.size(), 0);

    disconnect(first.get(), &SingleInstance::requested, nullptr, nullptr);
    connect(first.get(), &SingleInstance::requested, first.get(), [&first] { first.release()->deleteLater(); });
    later.request("show me", 30);
    QVERIFY(unanswered.wait(5000));
    QCOMPARE(unanswered.first().first().toBool(), true);
    QCOMPARE(replied.size(), 1);
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
