#include "common/eventwait.h"
#include "web/accountprofile.h"
#include "web/helperengine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>

using namespace std::chrono_literals;

namespace {

QStringList g_warnings;

void recordWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        g_warnings << message;
}

bool processGone(qint64 pid)
{
    return !QFile::exists(QStringLiteral("/proc/%1").arg(pid));
}

struct Ended
{
    std::optional<RunOutcome> outcome;
    qint64 afterMs = -1;
    // The helper's process as the run ended, and whether it still ran then.
    qint64 helper = 0;
    bool helperRan = false;
};

// Starts a run and waits (in the event loop) until it ends or `waitMs` has passed.
Ended runOnce(HelperEngine &engine, std::chrono::milliseconds budget, int waitMs,
              const std::function<void()> &meanwhile = {})
{
    Ended ended;
    QElapsedTimer clock;
    clock.start();
    engine.run(EnginePage::LogIn, QStringLiteral("bob"),
               { { PageStep::Navigate, QUrl(QStringLiteral("https://example.invalid/")), {} } }, budget,
               [&](RunOutcome outcome) {
                   const qint64 helper = engine.helperProcessId();
                   ended = { outcome, clock.elapsed(), helper, helper != 0 && !processGone(helper) };
               });
    if (meanwhile)
        meanwhile();
    (void)waitInEventLoop([&] { return ended.outcome.has_value(); }, waitMs);
    return ended;
}

// The stand-in helper, its folders in `folder`; it finds no tabs left behind.
HelperEngine::Options fake(const QString &mode, const QTemporaryDir &folder)
{
    HelperEngine::Options options;
    options.program = QStringLiteral(YORUMI_FAKE_HELPER);
    options.arguments = { QStringLiteral("--fake"), mode };
    options.profile = folder.filePath(QStringLiteral("profile"));
    options.cache = folder.filePath(QStringLiteral("cache"));
    options.tabs = folder.filePath(QStringLiteral("no-tabs"));
    return options;
}

} // namespace

// The program's side of the engine helper, against a stand-in helper: every fault ends the run
// in time and the program carries on.
class tst_HelperEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void killedHelperFailsItsRunAndIsReplaced();
    void runPastItsDeadline_data();
    void runPastItsDeadline();
    void helperThatCannotStart_data();
    void helperThatCannotStart();
    void runSentToAnEndingHelperGoesToANewOne();
    void helperThatDiesWithTheRunFailsItAtOnce();
    void pageSentToAnEndingHelperOpensInANewOne();
    void helperThatEndsWithItsWindowOpenIsReplaced();
    void forgettingWithoutAHelperRemovesTheProfile();

private:
    QTemporaryDir m_dir;
};

void tst_HelperEngine::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qInstallMessageHandler(recordWarnings);
}

void tst_HelperEngine::init()
{
    g_warnings.clear();
}

// A helper killed during a run fails the run at once (not at its deadline, which would be a
// time-out), and the next run starts a new one.
void tst_HelperEngine::killedHelperFailsItsRunAndIsReplaced()
{
    HelperEngine::Options options = fake(QStringLiteral("hang"), m_dir);
    const QString started = m_dir.filePath(QStringLiteral("killed-started"));
    options.arguments << QStringLiteral("--started") << started;
    HelperEngine engine(options);
    qint64 first = 0;
    const Ended killed = runOnce(engine, 20s, 30000, [&] {
        // Killed once it has taken the run.
        QVERIFY(waitInEventLoop([&] { return QFile::exists(started); }, 10000));
        first = engine.helperProcessId();
        QVERIFY(first > 0);
        ::kill(pid_t(first), SIGKILL);
    });
    QCOMPARE(killed.outcome, RunOutcome::EngineEnded);
    QCOMPARE(engine.helperProcessId(), 0);

    // The next run starts a new helper.
    qint64 second = 0;
    runOnce(engine, 300ms, 0, [&] {
        (void)waitInEventLoop([&] { return (second = engine.helperProcessId()) > 0; }, 5000);
    });
    QVERIFY(second > 0 && second != first);
    QVERIFY(g_warnings.isEmpty());
}

void tst_HelperEngine::runPastItsDeadline_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("stays");
    QTest::newRow("answers the cancel") << "cancel" << true;
    QTest::newRow("hangs") << "hang" << false;
}

// The user hears of a run past its deadline at once. The helper is told to give it up, and is
// ended only when it does not answer: a helper that answers keeps its portal window.
void tst_HelperEngine::runPastItsDeadline()
{
    QFETCH(QString, mode);
    QFETCH(bool, stays);
    HelperEngine engine(fake(mode, m_dir));
    // The helper answers before the run starts, so that the whole budget is the run's: one still
    // starting when the budget is spent (as on a busy machine) ends the run at once, timed out.
    QList<QUrl> handedBack;
    connect(&engine, &BrowserEngine::externalLinkRequested, this, [&](const QUrl &url) { handedBack << url; });
    engine.openPortalPage(QUrl(QStringLiteral("http://www.livedoor.com/")), QStringLiteral("bob"), QByteArray());
    QVERIFY(waitInEventLoop([&] { return !handedBack.isEmpty(); }, 20000));
    qint64 pid = 0;
    const Ended ended = runOnce(engine, 500ms, 10000, [&] { pid = engine.helperProcessId(); });
    QCOMPARE(ended.outcome, RunOutcome::TimedOut);
    // Not before its deadline (the engine's timer is a precise one), and while the helper still
    // ran: a hung one is killed only kAnswerWait later.
    const qint64 deadline = (500ms + HelperEngine::kDeadlineGrace).count();
    QVERIFY2(ended.afterMs >= deadline, qPrintable(QString::number(ended.afterMs)));
    QCOMPARE(ended.helper, pid);
    QVERIFY(ended.helperRan);
    // One that answers still runs well past the time a hung one is given.
    const int answerWait = int((HelperEngine::kAnswerWait + 1500ms).count());
    QCOMPARE(waitInEventLoop([&] { return processGone(pid); }, stays ? answerWait : 30000), !stays);
    QCOMPARE(engine.helperProcessId(), stays ? pid : 0);
}

void tst_HelperEngine::helperThatCannotStart_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    const QString missing = m_dir.filePath(QStringLiteral("missing/yorumi-browser"));
    const QString plain = m_dir.filePath(QStringLiteral("not-executable"));
    QFile file(plain);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTest::newRow("missing") << missing << QStringList() << missing;
    QTest::newRow("not executable") << plain << QStringList() << plain;
    QTest::newRow("engine fails to start")
            << QStringLiteral(YORUMI_FAKE_HELPER) << QStringList{ "--fake", "no-ready" } << "exit code 3";
    // A helper that an update put in place of the program's own speaks another version.
    QTest::newRow("another version") << QStringLiteral(YORUMI_FAKE_HELPER) << QStringList{ "--fake", "version-1" }
                                     << "version 1 of the channel";
}

void tst_HelperEngine::helperThatCannotStart()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    HelperEngine engine(HelperEngine::Options{ program, arguments, HelperProcess::kIdleEnd });
    // Ended at once, not timed out: the run did not wait for its budget.
    const Ended first = runOnce(engine, 20s, 30000);
    QCOMPARE(first.outcome, RunOutcome::EngineUnavailable);
    QCOMPARE(g_warnings.size(), 1);
    QVERIFY2(g_warnings[0].contains(named), qPrintable(g_warnings[0]));

    // Queued runs fail at once too, without another try or another line.
    for (int i = 0; i < 5; ++i) {
        qint64 pid = -1;
        const Ended next = runOnce(engine, 20s, 30000, [&] { pid = engine.helperProcessId(); });
        QCOMPARE(next.outcome, RunOutcome::EngineUnavailable);
        QCOMPARE(pid, 0);
    }
    QCOMPARE(g_warnings.size(), 1);
}

void tst_HelperEngine::runSentToAnEndingHelperGoesToANewOne()
{
    HelperEngine engine(fake(QStringLiteral("bye-once:") + m_dir.filePath(QStringLiteral("bye-marker")), m_dir));
    const Ended ended = runOnce(engine, 5s, 5000);
    QCOMPARE(ended.outcome, RunOutcome::Done);
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("bye-marker"))));
}

// A helper that dies after the run reached it, before it said the run started, did not end for
// idleness: the run fails at once, and is not sent to another helper (which would keep the user
// waiting for the whole budget).
void tst_HelperEngine::helperThatDiesWithTheRunFailsItAtOnce()
{
    const QString starts = m_dir.filePath(QStringLiteral("starts"));
    HelperEngine engine(fake(QStringLiteral("die-on-run:") + starts, m_dir));
    const Ended ended = runOnce(engine, 20s, 30000);
    QCOMPARE(ended.outcome, RunOutcome::EngineEnded);
    QVERIFY(!waitInEventLoop([&] { return engine.helperProcessId() != 0; }, 500));
    QFile file(starts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), 1);
}

// A page of the portal starts a helper of its own; one sent as the helper ends for idleness
// opens in the next helper, once.
void tst_HelperEngine::pageSentToAnEndingHelperOpensInANewOne()
{
    HelperEngine engine(fake(QStringLiteral("bye-once:") + m_dir.filePath(QStringLiteral("page-bye-marker")), m_dir));
    QList<QUrl> handedBack;
    connect(&engine, &BrowserEngine::externalLinkRequested, this, [&](const QUrl &url) { handedBack << url; });
    const QUrl page(QStringLiteral("http://www.livedoor.com/"));
    engine.openPortalPage(page, QStringLiteral("bob"), QByteArray());
    QVERIFY(waitInEventLoop([&] { return !handedBack.isEmpty(); }, 5000));
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("page-bye-marker"))));
    QVERIFY(!waitInEventLoop([&] { return handedBack.size() > 1; }, 300));
    QCOMPARE(handedBack, QList<QUrl>{ page });
}

// A helper that crashed or was killed with its portal window open left the window's tabs behind:
// a new one starts at once, unasked, and is asked to open again those of the accounts the program
// lists and the guest's; the tabs that come back are told. A helper that replaces none (here the
// first, which finds tabs of an earlier run of the program) is not asked.
void tst_HelperEngine::helperThatEndsWithItsWindowOpenIsReplaced()
{
    HelperEngine::Options options = fake(QStringLiteral("answer"), m_dir);
    options.tabs = m_dir.filePath(QStringLiteral("tabs"));
    options.accounts = [] { return QStringList{ QStringLiteral("alice"), QStringLiteral("bob") }; };
    // The tabs as the window keeps them while it is open: alice's, those of an account no longer
    // listed, and the guest's.
    const auto keepTabs = [&] {
        QFile tabs(options.tabs);
        QVERIFY(tabs.open(QIODevice::WriteOnly));
        tabs.write("alice\ngone\n\nalice\n");
    };
    keepTabs();
    HelperEngine engine(options);
    QList<int> restored;
    connect(&engine, &BrowserEngine::tabsRestored, this, [&](int count) { restored << count; });
    QList<QUrl> handedBack;
    connect(&engine, &BrowserEngine::externalLinkRequested, this, [&](const QUrl &url) { handedBack << url; });
    // The helper answers in order: a restore it had been asked for would come before this page.
    engine.openPortalPage(QUrl(QStringLiteral("http://www.livedoor.com/")), QStringLiteral("alice"), QByteArray());
    QVERIFY(waitInEventLoop([&] { return !handedBack.isEmpty(); }, 5000));
    QCOMPARE(restored, QList<int>());
    const qint64 first = engine.helperProcessId();
    QVERIFY(first > 0);

    keepTabs();
    ::kill(pid_t(first), SIGKILL);
    QVERIFY(waitInEventLoop([&] { return !restored.isEmpty(); }, 5000));
    QCOMPARE(restored, QList<int>{ 3 });
    const qint64 second = engine.helperProcessId();
    QVERIFY(second > 0 && second != first);
}

// Without a helper, a forgotten account's profile and cache folders go at once; every other
// account's stay, and so does the guest's, whose profile is the engine's folder itself.
void tst_HelperEngine::forgettingWithoutAHelperRemovesTheProfile()
{
    const HelperEngine::Options options = fake(QStringLiteral("answer"), m_dir);
    auto cookies = [](const QString &root, const QString &account) {
        return QDir(AccountProfile::folder(root, account) + QStringLiteral("/Cookies"));
    };
    for (const QString &root : { options.profile, options.cache }) {
        for (const QString &account : { QStringLiteral("bob"), QStringLiteral("alice"), QString() })
            QVERIFY(cookies(root, account).mkpath(QStringLiteral(".")));
    }
    HelperEngine engine(options);
    engine.forgetAccount(QStringLiteral("bob"));
    engine.forgetAccount(QString());
    for (const QString &root : { options.profile, options.cache }) {
        QVERIFY(!QDir(AccountProfile::folder(root, QStringLiteral("bob"))).exists());
        QVERIFY(cookies(root, QStringLiteral("alice")).exists());
        QVERIFY(cookies(root, QString()).exists());
    }
    QCOMPARE(engine.helperProcessId(), 0);
}

QTEST_GUILESS_MAIN(tst_HelperEngine)
#include "tst_helperengine.moc"
