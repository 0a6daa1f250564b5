#include "browser/pagerun.h"
#include "common/ended.h"
#include "common/eventwait.h"
#include "common/folderlisting.h"
#include "common/helperprocess.h"
#include "common/processtree.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>

using namespace std::chrono_literals;

// Pages that are meant to run out of time do so on a short budget; the others have the
// program's own.
constexpr std::chrono::milliseconds kShortBudget = 3s;
// How far past its budget a run may end: the grace a run gives a script the page has not
// answered yet, and a little for the test's own bookkeeping.
constexpr qint64 kOvershootMs = PageRun::kScriptGrace.count() + 500;
// Longest the event loop may go without turning while a page attacks. The tray's own promise
// (its menu on screen within 300 ms during a run) is measured with the real program in
// hostile_e2e; here the bound leaves room for the scheduler of a loaded machine, which has
// stretched a 45 ms pause to 266 ms, while a page that froze the loop would hold it for seconds.
constexpr qint64 kMaxStallMs = 500;
// CPU the whole process tree may spend in two seconds of rest after a hostile run (a page
// that went on running would take a whole core). Half of it in one second was too little on a
// machine busy with other tests: the engine's own work at rest came to 0.28 s.
constexpr double kRestCpuSeconds = 0.4;

namespace {

// Records every window of this (the program's) process that is shown.
class WindowWatcher : public QObject
{
public:
    WindowWatcher() { qApp->installEventFilter(this); }
    ~WindowWatcher() override { qApp->removeEventFilter(this); }
    QStringList shown;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        const bool window = object->isWindowType()
                || (object->isWidgetType() && static_cast<QWidget *>(object)->isWindow());
        if (window && event->type() == QEvent::Show)
            shown << QString::fromLatin1(object->metaObject()->className()) + QLatin1Char(' ')
                            + object->objectName();
        return false;
    }
};

// How late the event loop turns: a timer that should fire every 20 ms notes its longest gap.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kTickMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longestMs = std::max(m_longestMs, m_clock.restart() - kTickMs);
        });
        m_clock.start();
        m_timer.start();
    }
    qint64 longestStallMs() const { return m_longestMs; }

private:
    static constexpr qint64 kTickMs = 20;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longestMs = 0;
};

// The program's engine, each of whose runs takes the budget the test sets: a hostile page's run
// the short one where it is to run out of time, and the plain run after it the program's own, on
// the same helper, so that a busy machine does not make a sound helper look stuck.
class BudgetedEngine : public BrowserEngine
{
public:
    BudgetedEngine()
    {
        connect(&helper, &BrowserEngine::unavailable, this, &BrowserEngine::unavailable);
        connect(&helper, &BrowserEngine::portalPageNotOpened, this, &BrowserEngine::portalPageNotOpened);
        connect(&helper, &BrowserEngine::externalLinkRequested, this, &BrowserEngine::externalLinkRequested);
        connect(&helper, &BrowserEngine::portalGeometryChanged, this, &BrowserEngine::portalGeometryChanged);
        connect(&helper, &BrowserEngine::tabsRestored, this, &BrowserEngine::tabsRestored);
    }
    void run(EnginePage page, const QString &account, std::vector<PageStep> steps, std::chrono::milliseconds,
             Done done) override
    {
        helper.run(page, account, std::move(steps), budget, std::move(done));
    }
    void openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry) override
    {
        helper.openPortalPage(url, account, geometry);
    }
    void forgetAccount(const QString &account) override { helper.forgetAccount(account); }
    void prepare(const QString &account) override { helper.prepare(account); }

    HelperEngine helper;
    std::chrono::milliseconds budget = frmWB::kRunBudget;
};

struct Outcome
{
    QString status = QStringLiteral("(no answer)");
    qint64 elapsedMs = -1;
};

// Runs a login (or logout) to its end.
Outcome run(frmWB &host, bool login)
{
    Outcome outcome;
    bool ended = false;
    QElapsedTimer clock;
    clock.start();
    auto done = [&](RunOutcome result) {
        outcome = { QString::fromLatin1(nameOf(result)), clock.elapsed() };
        ended = true;
    };
    if (login)
        host.loginLD(QStringLiteral("hostile-id"), QStringLiteral("hostile-pw"), done);
    else
        host.logoutLD(done);
    (void)waitInEventLoop([&] { return ended; }, 60000);
    return outcome;
}

} // namespace

// Login and logout pages that attack the browser. Every run still ends with its status text
// in time, nothing shows, nothing is written outside the program's data folder, the event
// loop keeps turning, the page costs nothing once its run has ended and the next run works.
class tst_Hostile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void hostilePage_data();
    void hostilePage();
    void permissionsAreDenied();

private:
    // The host, its runs given `budget`.
    frmWB &host(std::chrono::milliseconds budget);
    QStringList listing() const;

    std::unique_ptr<PortalFixture> m_portal;
    std::unique_ptr<frmWB> m_host;
    BudgetedEngine *m_engine = nullptr;
    QStringList m_figures;
};

void tst_Hostile::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>();
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
    // The engine starts on a harmless page, so every row meets a running one.
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    QCOMPARE(run(host(frmWB::kRunBudget), false).status, QStringLiteral("Done"));
    m_portal->takeRequests();
}

void tst_Hostile::cleanupTestCase()
{
    m_host.reset();
    for (const QString &line : std::as_const(m_figures))
        qInfo().noquote() << line;
}

frmWB &tst_Hostile::host(std::chrono::milliseconds budget)
{
    if (!m_host) {
        auto engine = std::make_unique<BudgetedEngine>();
        m_engine = engine.get();
        m_host = std::make_unique<frmWB>(std::move(engine));
    }
    m_engine->budget = budget;
    return *m_host;
}

QStringList tst_Hostile::listing() const
{
    const QString root = m_portal->root();
    return folderListing({ root + QStringLiteral("/home"), root + QStringLiteral("/config"),
                           root + QStringLiteral("/cache"), root + QStringLiteral("/runtime"),
                           root + QStringLiteral("/tmp"), root + QStringLiteral("/data") },
                         { QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) });
}

void tst_Hostile::hostilePage_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<bool>("login");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<std::chrono::milliseconds>("budget");
    // The run must end with one of `statuses`; a time-out is awaited on a short budget.
    const auto row = [](const char *variant, bool login, const QStringList &statuses) {
        QTest::addRow("%s %s", login ? "login" : "logout", variant)
                << QString::fromLatin1(variant) << login << statuses
                << (statuses.contains(QStringLiteral("TimedOut")) ? kShortBudget : frmWB::kRunBudget);
    };
    // Pages that never let the run end on its own.
    row("alert_loop", true, { "TimedOut" });
    row("alert_loop_after_load", true, { "TimedOut" });
    row("script_redirect_loop", true, { "TimedOut" });
    row("never_subresource", true, { "TimedOut" });
    row("never_body", true, { "TimedOut" });
    // 50 MB of markup takes the engine longer than the short budget here, but may not on a
    // faster machine.
    row("huge_dom", true, { "TimedOut", "Done" });
    row("alert_loop", false, { "TimedOut" });
    row("script_redirect_loop", false, { "TimedOut" });
    row("never_body", false, { "TimedOut" });
    // Pages the run gets through, or that fail it.
    row("window_loop", true, { "Done" });
    row("redirect_loop", true, { "Failed" });
    row("huge", true, { "Done" });
    row("cookies", true, { "Done" });
    row("permissions", true, { "Done" });
    row("download", true, { "Done" });
    row("download_page", true, { "Failed" });
    row("busy", true, { "Done" });
    row("busy_answer", true, { "Done" });
    row("window_loop", false, { "Done" });
    row("busy", false, { "Done" });
    row("redirect_loop", false, { "Failed" });
    row("huge", false, { "Done" });
    row("download_page", false, { "Failed" });
}

void tst_Hostile::hostilePage()
{
    QFETCH(QString, variant);
    QFETCH(bool, login);
    QFETCH(QStringList, statuses);
    QFETCH(std::chrono::milliseconds, budget);

    frmWB &wb = host(budget);
    const QStringList filesBefore = listing();
    // The engine's page processes (one a page, or a site of it); its other processes (a
    // service a page asked for) may stay on.
    const auto pageProcesses = [this] {
        const QList<int> pids = ProcessTree::now({ m_portal->serverPid() }).pids;
        return std::count_if(pids.cbegin(), pids.cend(), [](int pid) {
            QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
            return commandLine.open(QIODevice::ReadOnly) && commandLine.readAll().contains("--type=renderer");
        });
    };
    const auto pageProcessesBefore = pageProcesses();
    QVERIFY(m_portal->setVariant(variant));
    WindowWatcher windows;
    std::optional<StallProbe> probe(std::in_place);
    const Outcome outcome = run(wb, login);
    const qint64 stall = probe->longestStallMs();
    probe.reset();
    m_figures << QStringLiteral("%1: %2 after %3 ms of %4 ms, longest event-loop stall %5 ms")
                         .arg(QString::fromLatin1(QTest::currentDataTag()), outcome.status)
                         .arg(outcome.elapsedMs)
                         .arg(budget.count())
                         .arg(stall);

    QVERIFY2(statuses.contains(outcome.status), qPrintable(outcome.status));
    QVERIFY2(outcome.elapsedMs <= budget.count() + kOvershootMs, qPrintable(QString::number(outcome.elapsedMs)));
    QVERIFY2(stall <= kMaxStallMs, qPrintable(QString::number(stall)));

    // Once its run has ended, the page costs nothing, whatever it still holds: measured once the
    // engine has ended the processes the page had (which takes longer on a busy machine), and
    // the rest of it has had a second to settle.
    QElapsedTimer teardown;
    teardown.start();
    const bool pageGone = waitInEventLoop([&] { return pageProcesses() <= pageProcessesBefore; }, 30000);
    m_figures.last() += QStringLiteral(", its processes %1 after %2 ms")
                                .arg(pageGone ? QStringLiteral("gone") : QStringLiteral("still there"))
                                .arg(teardown.elapsed());
    QVERIFY2(pageGone, "the run's page outlived it");
    (void)waitInEventLoop([] { return false; }, 1000);
    const double cpuBefore = ProcessTree::now({ m_portal->serverPid() }).cpuSeconds;
    (void)waitInEventLoop([] { return false; }, 2000);
    const double restCpu = ProcessTree::now({ m_portal->serverPid() }).cpuSeconds - cpuBefore;
    m_figures.last() += QStringLiteral(", CPU at rest %1 s in 2 s").arg(restCpu);
    QVERIFY2(restCpu < kRestCpuSeconds, qPrintable(QString::number(restCpu)));

    // The host has got over it: the next run on a plain page works, within the program's budget.
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    const Outcome next = run(host(frmWB::kRunBudget), login);
    QCOMPARE(next.status, QStringLiteral("Done"));

    QVERIFY2(windows.shown.isEmpty(), qPrintable(windows.shown.join(QStringLiteral(", "))));
    QCOMPARE(visibleWindowsOf(m_engine->helper.helperProcessId()), QStringList());
    QCOMPARE(listing(), filesBefore);
    m_portal->takeRequests();
}

void tst_Hostile::permissionsAreDenied()
{
    // The page reports how each of its requests ended, and only then shows its form.
    QVERIFY(m_portal->setVariant(QStringLiteral("permissions")));
    const Outcome outcome = run(host(frmWB::kRunBudget), true);
    QMap<QString, QString> reports;
    for (const QJsonObject &request : m_portal->takeRequests()) {
        const QUrl url(request.value(QStringLiteral("path")).toString());
        if (url.path() == QLatin1String("/report"))
            for (const auto &[name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
                reports.insert(name, value);
    }
    QStringList answered;
    for (auto it = reports.cbegin(); it != reports.cend(); ++it)
        answered << it.key() + QLatin1Char('=') + it.value();
    // No camera or microphone here, so those fail before any question is asked; the engine
    // leaves a position request unanswered, and the page's own timer gives up on it.
    QCOMPARE(answered, (QStringList{ "camera=NotFoundError", "clipboard=NotAllowedError",
                                     "fullscreen=TypeError", "geolocation=unanswered",
                                     "microphone=NotFoundError", "notification=denied" }));
    QCOMPARE(outcome.status, QStringLiteral("Done"));
}

YORUMI_WEB_TEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
