#include "common/ended.h"
#include "common/eventwait.h"
#include "common/processtree.h"
#include "ui/main/editingharness.h"
#include "ui/main/statusbar.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace editing;

// A long stretch of use, as a person would go through it in weeks: logins and logouts from
// the settings window, a burst of tray logins and a long run of list edits. Every status
// text and every state of the store is checked along the way, and the program's process tree
// must not grow in memory, open files or helper processes.
namespace {

constexpr int kAccounts = 20;
constexpr int kWarmUpRuns = 40;  // runs (or edits) before the baseline is taken
constexpr int kCheckpointEvery = 50;
// Logins and logouts, alternating: 140 (100 after warm-up, two checkpoints) unless
// YORUMI_SOAK_RUNS asks for another count (tst_soak_long: 300).
const int kLoginRuns = [] {
    const int asked = qEnvironmentVariableIntValue("YORUMI_SOAK_RUNS");
    return asked > 0 ? std::max(asked, kWarmUpRuns + kCheckpointEvery) : 140;
}();
constexpr int kEdits = 300;      // add, modify, delete, move up, move down
constexpr long kMaxGrowthKb = 10 * 1024;
// The engine keeps at most six connections to each of the portal's two host names, in each
// profile.
constexpr qsizetype kMaxPortalConnections = 12;
// The engine's databases open a journal or a new log now and then, and its session storage
// (a leveldb) keeps each new table file open until it merges four of them into one. A soak of
// 2000 runs peaked at five files more than after warm-up, in its one profile.
constexpr qsizetype kDatabaseFilesSlack = 6;
constexpr int kTrayLogins = 20;
constexpr quint32 kEditSeed = 20240607;

QString accountId(int n) { return QStringLiteral("user%1").arg(n); }
// The first account's password is the canary of the test run when ./test.sh gives one: it
// looks for it in everything the run left behind.
QString accountPassword(int n)
{
    const QString canary = qEnvironmentVariable("YORUMI_TEST_CANARY");
    return n == 0 && !canary.isEmpty() ? canary : QStringLiteral("pw-%1-secret").arg(n);
}

struct Account
{
    QString id;
    QString password;
};

QString figures(const char *what, const ProcessTree &tree)
{
    // The open files by kind: connections, other sockets, pipes, the engine's own kinds, files.
    QMap<QString, int> kinds;
    for (const QString &kind : tree.fileKinds)
        if (kind != QLatin1String("(this listing)"))
            ++kinds[kind.startsWith(QLatin1Char('/')) ? QStringLiteral("file") : kind.section(QLatin1Char(' '), 0, 0)];
    QStringList byKind;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        byKind << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    const QString own = tree.ownProgramKb < 0
            ? QString()
            : QStringLiteral(", %1 MB of it the program's").arg(tree.ownProgramKb / 1024.0, 0, 'f', 1);
    return QStringLiteral("%1: program %2 MB, resident %3 MB (%4 MB in the test process%5), "
                          "%6 open files (%7), %8 helper processes")
            .arg(QLatin1String(what))
            .arg(tree.programKb() / 1024.0, 0, 'f', 1)
            .arg(tree.residentKb / 1024.0, 0, 'f', 1)
            .arg(tree.ownResidentKb / 1024.0, 0, 'f', 1)
            .arg(own)
            .arg(tree.openFiles)
            .arg(byKind.join(QStringLiteral(", ")))
            .arg(tree.children());
}

} // namespace

class tst_Soak : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void loginsAndLogoutsFromTheWindow();
    void trayLoginsAskedForAtOnce();
    void listEditsThroughTheWindow();
    void passwordsOnlyInTheStore();

private:
    ProcessTree tree() const { return ProcessTree::now({ m_portal->serverPid() }); }
    ProcessTree settledTree(const ProcessTree &baseline) const;
    QStringList lastingFiles(const ProcessTree &tree) const;
    bool isPortalConnection(const QString &kind) const;
    bool isEngineDatabase(const QString &kind) const;
    // The engine's database files open, by the profile they belong to.
    QMap<QString, int> databasesByProfile(const ProcessTree &tree) const;
    void checkNothingGrew(const ProcessTree &baseline, const ProcessTree &now);
    QList<QJsonObject> pageRequests();
    void verifyAccounts(const QList<Account> &accounts);

    std::unique_ptr<PortalFixture> m_portal;
    std::unique_ptr<Program> m_program;
    FakeMessageBoxes *m_boxes = nullptr;
    QStringList m_figures;
    // Every password the soak has used, for the last check.
    QStringList m_passwords;
};

void tst_Soak::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>();
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
    {
        QSettings settings(SettingsStore::location(QStringLiteral("YRMLD")), QSettings::IniFormat);
        for (int n = 0; n < kAccounts; ++n) {
            settings.setValue(kIdSection + QLatin1Char('/') + idKey(n), accountId(n));
            settings.setValue(kPwSection + QLatin1Char('/') + pwKey(n), accountPassword(n));
            m_passwords << accountPassword(n);
        }
    }
    Services services;
    m_boxes = new FakeMessageBoxes;
    services.messageBoxes.reset(m_boxes);
    services.clipboard = std::make_unique<FakeClipboard>();
    m_program = std::make_unique<Program>(std::move(services));
    m_program->start(true);
    m_program->visibility().ShowMainWindow();
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
}

void tst_Soak::cleanup()
{
    if (m_boxes)
        m_boxes->shown.clear();
    m_portal->takeRequests();
}

void tst_Soak::cleanupTestCase()
{
    m_program.reset();
    for (const QString &line : std::as_const(m_figures))
        qInfo().noquote() << line;
}

// The tree once the helper processes of pages already taken down have gone.
ProcessTree tst_Soak::settledTree(const ProcessTree &baseline) const
{
    // The engine lets go of the last runs' processes, files and memory a while after they end,
    // a longer while on a busy machine: what is kept stays past the 15 s given here.
    ProcessTree now = tree();
    for (int pass = 0; pass < 60 && (now.children() > baseline.children()
                                     || lastingFiles(now).size() > lastingFiles(baseline).size()
                                     || now.programKb() - baseline.programKb() >= kMaxGrowthKb);
         ++pass) {
        (void)waitInEventLoop([] { return false; }, 250);
        now = tree();
    }
    return now;
}

// The open files that must stay exactly as they were: all but the engine's pool of
// connections to the portal, which comes and goes with the portal's keep-alive answers, and
// the engine's own database files in the program's data folder, whose journals and logs open
// and close as the engine writes.
QStringList tst_Soak::lastingFiles(const ProcessTree &tree) const
{
    QStringList out;
    for (const QString &kind : tree.fileKinds)
        if (!isPortalConnection(kind) && !isEngineDatabase(kind) && kind != QLatin1String("(this listing)"))
            out << kind;
    return out;
}

bool tst_Soak::isPortalConnection(const QString &kind) const
{
    return kind.startsWith(QLatin1String("tcp ")) && kind.endsWith(QStringLiteral(" :%1").arg(m_portal->port()));
}

QMap<QString, int> tst_Soak::databasesByProfile(const ProcessTree &tree) const
{
    // An account's files lie in webengine/accounts/<its folder>/, the guest's elsewhere.
    const QRegularExpression account(QStringLiteral("/webengine/accounts/([^/]+)/"));
    QMap<QString, int> counts;
    for (const QString &kind : tree.fileKinds) {
        if (!isEngineDatabase(kind))
            continue;
        const QRegularExpressionMatch match = account.match(kind);
        ++counts[match.hasMatch() ? match.captured(1) : QStringLiteral("the guest's profile")];
    }
    return counts;
}

bool tst_Soak::isEngineDatabase(const QString &kind) const
{
    return kind.startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/'));
}

void tst_Soak::checkNothingGrew(const ProcessTree &baseline, const ProcessTree &now)
{
    QVERIFY2(now.programKb() - baseline.programKb() < kMaxGrowthKb,
             qPrintable(QStringLiteral("memory grew by %1 kB").arg(now.programKb() - baseline.programKb())));
    QStringList added = lastingFiles(now);
    for (const QString &kind : lastingFiles(baseline))
        added.removeOne(kind);
    QVERIFY2(added.isEmpty(), qPrintable(QStringLiteral("files opened and kept: ") + added.join(QStringLiteral(", "))));
    const auto count = [](const ProcessTree &tree, auto predicate) {
        return std::count_if(tree.fileKinds.cbegin(), tree.fileKinds.cend(), predicate);
    };
    const auto connections = [this](const QString &kind) { return isPortalConnection(kind); };
    // Each account's profile has databases of its own: the slack holds for each profile.
    const QMap<QString, int> before = databasesByProfile(baseline);
    const QMap<QString, int> after = databasesByProfile(now);
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        QVERIFY2(it.value() <= before.value(it.key()) + kDatabaseFilesSlack,
                 qPrintable(QStringLiteral("%1 engine database files open in %2, %3 after warm-up")
                                    .arg(it.value())
                                    .arg(it.key())
                                    .arg(before.value(it.key()))));
    }
    // Each profile has connections of its own: at most a profile's worth more than after warm-up.
    QVERIFY2(count(now, connections) <= count(baseline, connections) + kMaxPortalConnections
                     && count(now, connections) <= kMaxPortalConnections * qsizetype(after.size()),
             qPrintable(QStringLiteral("%1 connections to the portal from %2 profiles, %3 after warm-up")
                                .arg(count(now, connections))
                                .arg(after.size())
                                .arg(count(baseline, connections))));
    QVERIFY2(now.children() <= baseline.children(),
             qPrintable(QStringLiteral("%1 helper processes (%2), %3 after warm-up (%4)")
                                .arg(now.children())
                                .arg(now.childNames.join(QLatin1Char(' ')))
                                .arg(baseline.children())
                                .arg(baseline.childNames.join(QLatin1Char(' ')))));
}

// The requests for pages the portal received, oldest first (the engine's own requests for a
// page icon left out).
QList<QJsonObject> tst_Soak::pageRequests()
{
    QList<QJsonObject> out;
    for (const QJsonObject &request : m_portal->takeRequests())
        if (request.value(QStringLiteral("path")).toString() != QLatin1String("/favicon.ico"))
            out << request;
    return out;
}

void tst_Soak::loginsAndLogoutsFromTheWindow()
{
    frmMainLd &window = m_program->mainLd();
    ProcessTree baseline;
    QElapsedTimer clock;
    clock.start();
    for (int run = 0; run < kLoginRuns; ++run) {
        const bool login = run % 2 == 0;
        const int slot = (run / 2) % kAccounts;
        if (login) {
            window.lbID->setCurrentRow(slot);
            QTest::mouseClick(window.cmdLOGIN, Qt::LeftButton);
            QCOMPARE(window.SB->text(), QStringLiteral("ログイン中..."));
        } else {
            QTest::mouseClick(window.cmdLOGOUT, Qt::LeftButton);
            QCOMPARE(window.SB->text(), QStringLiteral("ログアウト中..."));
        }
        QVERIFY(!window.isEnabled());
        QVERIFY2(waitInEventLoop([&] { return window.isEnabled(); }, 40000), qPrintable(QString::number(run)));
        QCOMPARE(window.SB->text(), login ? QStringLiteral("ログイン完了") : QStringLiteral("ログアウト完了"));

        // The portal saw exactly this run's pages, with this account's ID and password.
        QList<QJsonObject> requests;
        const int expected = login ? 2 : 1;
        (void)waitInEventLoop([&] { return (requests += pageRequests()).size() >= expected; }, 5000);
        QCOMPARE(requests.size(), expected);
        if (login) {
            QCOMPARE(requests[0].value(QStringLiteral("path")).toString(), QStringLiteral("/login/index"));
            QCOMPARE(requests[1].value(QStringLiteral("path")).toString(), QStringLiteral("/login/"));
            const QJsonArray fields = requests[1].value(QStringLiteral("fields")).toArray();
            QCOMPARE(fields.at(0).toArray().at(1).toString(), accountId(slot));
            QVERIFY2(fields.at(1).toArray().at(1).toString() == accountPassword(slot),
                     "the selected account's password was not sent");
        } else {
            QCOMPARE(requests[0].value(QStringLiteral("path")).toString(), QStringLiteral("/login/logout"));
        }
        QVERIFY(m_boxes->shown.isEmpty());

        if (run + 1 == kWarmUpRuns) {
            baseline = tree();
            m_figures << figures("window logins, after warm-up", baseline);
        } else if (run + 1 > kWarmUpRuns && (run + 1) % kCheckpointEvery == 0) {
            m_figures << figures(qPrintable(QStringLiteral("window logins, after %1 runs").arg(run + 1)), tree());
        }
    }
    m_figures << QStringLiteral("window logins: %1 runs in %2 s").arg(kLoginRuns).arg(clock.elapsed() / 1000.0);
    const ProcessTree end = settledTree(baseline);
    m_figures << figures("window logins, at the end", end);
    checkNothingGrew(baseline, end);
}

void tst_Soak::trayLoginsAskedForAtOnce()
{
    // Each login page takes 2 s to come: the twenty take longer together than one budget.
    QVERIFY(m_portal->setVariant(QStringLiteral("slow")));
    frmTasktray &tray = m_program->tasktray();
    frmWB &host = m_program->webHost();
    struct Run
    {
        qint64 started = -1;
        qint64 ended = -1;
        Ended outcome;
    };
    QList<Run> runs;
    int running = 0;
    int mostAtOnce = 0;
    QElapsedTimer clock;
    clock.start();
    const QMetaObject::Connection started = connect(&host, &frmWB::runStarted, this, [&] {
        runs.append({ clock.elapsed(), -1, {} });
        mostAtOnce = std::max(mostAtOnce, ++running);
    });
    const QMetaObject::Connection ended = connect(&host, &frmWB::runEnded, this, [&](EnginePage, RunOutcome outcome) {
        --running;
        runs.last().ended = clock.elapsed();
        runs.last().outcome = outcome;
    });
    for (int n = 0; n < kTrayLogins; ++n)
        tray.mnLogin.value(qint16(n))->trigger();
    QCOMPARE(host.pendingRuns(), kTrayLogins);
    const bool allEnded = waitInEventLoop([&] { return host.pendingRuns() == 0; },
                                          kTrayLogins * int(frmWB::kRunBudget.count()));
    disconnect(started);
    disconnect(ended);
    QVERIFY(allEnded);
    const qint64 total = clock.elapsed();

    QCOMPARE(runs.size(), kTrayLogins);
    QCOMPARE(mostAtOnce, 1);
    qint64 longest = 0;
    for (const Run &run : std::as_const(runs)) {
        QCOMPARE(run.outcome, Ended(RunOutcome::Done));
        longest = std::max(longest, run.ended - run.started);
    }
    QVERIFY2(longest < frmWB::kRunBudget.count(), qPrintable(QString::number(longest)));
    // Together they took longer than one budget: each run had its own.
    QVERIFY2(total > frmWB::kRunBudget.count(), qPrintable(QString::number(total)));
    m_figures << QStringLiteral("tray: %1 logins asked for at once ended one at a time in %2 s, "
                                "the longest in %3 s")
                         .arg(kTrayLogins)
                         .arg(total / 1000.0)
                         .arg(longest / 1000.0);

    // In the order asked, each with its own account, one page after another.
    QStringList order;
    QStringList expectedOrder;
    const QList<QJsonObject> requests = pageRequests();
    for (int n = 0; n < kTrayLogins; ++n)
        expectedOrder << QStringLiteral("get /login/index") << QStringLiteral("post ") + accountId(n);
    for (const QJsonObject &request : requests) {
        if (request.value(QStringLiteral("event")).toString() == QLatin1String("post")) {
            const QJsonArray fields = request.value(QStringLiteral("fields")).toArray();
            const QString id = fields.at(0).toArray().at(1).toString();
            order << QStringLiteral("post ") + id;
            QVERIFY2(fields.at(1).toArray().at(1).toString() == accountPassword(id.mid(4).toInt()),
                     "a tray login sent another account's password");
        } else {
            order << QStringLiteral("get ") + request.value(QStringLiteral("path")).toString();
        }
    }
    QCOMPARE(order, expectedOrder);
    // The status bar shows the outcome of the latest run, the tray's too.
    QCOMPARE(m_program->mainLd().SB->text(), QStringLiteral("ログイン完了"));
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
}

void tst_Soak::verifyAccounts(const QList<Account> &accounts)
{
    QStringList ids;
    QStringList passwords;
    for (const Account &account : accounts) {
        ids << account.id;
        passwords << account.password;
    }
    QCOMPARE(rows(m_program->mainLd().lbID), ids);
    QCOMPARE(tableIds(*m_program), ids);
    QVERIFY2(tablePasswords(*m_program, int(accounts.size())) == passwords, "table passwords differ");
    QCOMPARE(trayLogins(m_program->tasktray()), ids);
    // The store file on disk: exactly these slots' keys, with these values.
    const QString file = SettingsStore::location(QStringLiteral("YRMLD"));
    QStringList keys;
    for (int slot = 0; slot < accounts.size(); ++slot)
        keys << kIdSection + QLatin1Char('/') + idKey(slot) << kPwSection + QLatin1Char('/') + pwKey(slot);
    keys.sort();
    QCOMPARE(storedKeys(file), keys);
    QCOMPARE(storedValues(file, kIdSection, int(accounts.size())), ids);
    QVERIFY2(storedValues(file, kPwSection, int(accounts.size())) == passwords,
             "the passwords on disk differ from the list");
}

void tst_Soak::listEditsThroughTheWindow()
{
    frmMainLd &window = m_program->mainLd();
    window.SB->setText(QString());
    QList<Account> accounts;
    for (int n = 0; n < kAccounts; ++n)
        accounts.append({ accountId(n), accountPassword(n) });
    verifyAccounts(accounts);

    enum Command { Add, Modify, Delete, Up, Down };
    QRandomGenerator random(kEditSeed);
    int counts[5] = {};
    ProcessTree baseline;
    QElapsedTimer clock;
    clock.start();
    for (int edit = 0; edit < kEdits; ++edit) {
        const int size = int(accounts.size());
        // Keep the list between 5 and 40 accounts, so every command has rows to act on.
        Command command = Command(random.bounded(5));
        if (size <= 5 && command == Delete)
            command = Add;
        if (size >= 40 && command == Add)
            command = Delete;
        const int row = random.bounded(size);
        const QString id = QStringLiteral("soak%1").arg(edit);
        const QString password = QStringLiteral("spw-%1-%2").arg(edit).arg(random.bounded(1000000));
        m_passwords << password;
        ++counts[command];
        const QString where = QStringLiteral("edit %1 (command %2, row %3)").arg(edit).arg(int(command)).arg(row);

        m_boxes->shown.clear();
        switch (command) {
        case Add:
        case Modify: {
            if (command == Modify)
                window.lbID->setCurrentRow(row);
            EntryDialogScript script([&](frmRegistry &dialog) {
                retype(dialog.txtID, id);
                retype(dialog.txtPW, password);
                QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
            });
            QTest::mouseClick(command == Add ? window.cmdNEW : window.cmdREGISTRY, Qt::LeftButton);
            QVERIFY2(script.ran() && !script.leftOpen(), qPrintable(where));
            QCOMPARE(m_boxes->shown.size(), 1);
            QCOMPARE(m_boxes->shown[0].text, QStringLiteral("登録いたします。"));
            if (command == Add)
                accounts.append({ id, password });
            else
                accounts[row] = { id, password };
            break;
        }
        case Delete:
            window.lbID->setCurrentRow(row);
            QTest::mouseClick(window.cmdDELETE, Qt::LeftButton);
            QCOMPARE(m_boxes->shown.size(), 1);
            QCOMPARE(m_boxes->shown[0].text, QStringLiteral("削除いたします。\n") + accounts[row].id);
            accounts.removeAt(row);
            break;
        case Up:
            window.lbID->setCurrentRow(row);
            QTest::mouseClick(window.cmdUp, Qt::LeftButton);
            if (row > 0) {
                accounts.swapItemsAt(row - 1, row);
                QCOMPARE(selectedRow(window.lbID), row - 1);
            }
            QVERIFY(m_boxes->shown.isEmpty());
            break;
        case Down:
            window.lbID->setCurrentRow(row);
            QTest::mouseClick(window.cmdDown, Qt::LeftButton);
            if (row + 1 < size) {
                accounts.swapItemsAt(row, row + 1);
                QCOMPARE(selectedRow(window.lbID), row + 1);
            }
            QVERIFY(m_boxes->shown.isEmpty());
            break;
        }
        QVERIFY2(!anyEntryDialogExists(), qPrintable(where));
        QVERIFY2(window.SB->text().isEmpty(), qPrintable(where + QLatin1Char(' ') + window.SB->text()));
        verifyAccounts(accounts);

        if (edit + 1 == kWarmUpRuns) {
            baseline = tree();
            m_figures << figures("list edits, after warm-up", baseline);
        } else if (edit + 1 > kWarmUpRuns && (edit + 1) % kCheckpointEvery == 0) {
            m_figures << figures(qPrintable(QStringLiteral("list edits, after %1 edits").arg(edit + 1)), tree());
        }
    }
    m_figures << QStringLiteral("list edits: %1 in %2 s (%3 add, %4 modify, %5 delete, %6 up, %7 down)")
                         .arg(kEdits)
                         .arg(clock.elapsed() / 1000.0)
                         .arg(counts[Add])
                         .arg(counts[Modify])
                         .arg(counts[Delete])
                         .arg(counts[Up])
                         .arg(counts[Down]);
    const ProcessTree end = settledTree(baseline);
    m_figures << figures("list edits, at the end", end);
    checkNothingGrew(baseline, end);
}

void tst_Soak::passwordsOnlyInTheStore()
{
    // After hundreds of logins and edits, no file of the program's but the store holds a
    // password: not the browser profile (no form data, no saved passwords), not its caches,
    // not a temporary file. The passwords of deleted accounts are nowhere at all.
    m_program.reset(); // the engine writes out what it keeps
    m_boxes = nullptr;
    const QString store = SettingsStore::location(QStringLiteral("YRMLD"));
    const QString root = m_portal->root();
    QStringList holders;
    int files = 0;
    for (const char *folder : { "home", "config", "data", "cache", "runtime", "tmp" }) {
        QDirIterator it(root + QLatin1Char('/') + QLatin1String(folder), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (path == store || !file.open(QIODevice::ReadOnly))
                continue;
            ++files;
            const QByteArray contents = file.readAll();
            for (const QString &password : std::as_const(m_passwords))
                if (contents.contains(password.toUtf8()) || contents.contains(password.toUtf8().toBase64())) {
                    holders << path.mid(root.size());
                    break;
                }
        }
    }
    m_figures << QStringLiteral("%1 passwords looked for in %2 files besides the store").arg(m_passwords.size()).arg(files);
    QVERIFY2(holders.isEmpty(), qPrintable(QStringLiteral("a password is in ") + holders.join(QStringLiteral(", "))));
    QVERIFY(files > 10);
}

YORUMI_WEB_TEST_MAIN(tst_Soak)
#include "tst_soak.moc"
