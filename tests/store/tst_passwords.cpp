// Where the passwords are kept: the moves between the store and the keyring, the changes of
// the list while they are in the keyring, the keyring's failures, and a program killed while
// it moves or changes them.
#include "common/fakekeyring.h"
#include "common/storesandbox.h"
#include "store/accounts.h"
#include "store/accounttable.h"
#include "store/passwords.h"
#include "store/programsettings.h"
#include "store/settingsstore.h"
#include "ui/common/sharedvalues.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <cstdio>
#include <optional>

namespace {

using Problem = Passwords::Problem;
using Account = std::pair<QString, QString>;

// The program's accounts and passwords over the store in the current configuration folder.
struct Keeper
{
    explicit Keeper(const QString &keyringFolder = QString())
        : keyring(keyringFolder)
    {
        accounts.reload();
    }
    SettingsStore store;
    AccountTable table;
    Accounts accounts{ store, table, EditionLivedoor };
    ProgramSettings settings;
    FakeKeyring keyring;
    Passwords passwords{ accounts, settings, keyring };
};

// Waits for a call's answer.
template <typename Call>
Problem wait(Call call)
{
    std::optional<Problem> answer;
    call([&](Problem problem) { answer = problem; });
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 5000);
    return answer.value_or(Problem::NotStored);
}

std::pair<Problem, QString> fetch(Passwords &passwords, Accounts &accounts, int slot)
{
    std::optional<std::pair<Problem, QString>> answer;
    passwords.fetch(qint16(slot), accounts.id(qint16(slot)),
                    [&](Problem problem, const QString &password) { answer = { problem, password }; });
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 5000);
    return answer.value_or(std::pair(Problem::NotStored, QString()));
}

// Every account with the password the program finds for it.
QList<Account> accountsFound(Keeper &keeper)
{
    QList<Account> found;
    for (int slot = 0; slot < keeper.accounts.count(); ++slot)
        found.append({ keeper.accounts.id(qint16(slot)), fetch(keeper.passwords, keeper.accounts, slot).second });
    return found;
}

bool storeHoldsPasswords(Keeper &keeper)
{
    keeper.accounts.reload();
    for (int slot = 0; slot < keeper.accounts.count(); ++slot) {
        if (!keeper.accounts.password(qint16(slot)).isEmpty())
            return true;
    }
    return false;
}

// The kill trials: a seeded run of moves and changes, given to a child process that is killed
// at a random moment, and the lists of accounts that run passes through.
struct Step
{
    enum Kind { ToKeyring, ToStore, Remove, Swap, Change, Add } kind;
    int slot = 0;
    QString id = {};
    QString password = {};
};

QList<Account> firstAccounts(quint32 seed)
{
    // Three IDs over ten slots: most slots share their ID with others.
    QList<Account> accounts;
    for (int n = 0; n < 10; ++n)
        accounts.append({ QStringLiteral("id%1").arg((n * 7 + seed) % 3), QStringLiteral("pw%1-%2").arg(seed).arg(n) });
    return accounts;
}

QList<Step> stepsOf(quint32 seed)
{
    QRandomGenerator random(seed);
    int count = 10;
    int made = 0;
    auto edit = [&] {
        Step step{ Step::Kind(Step::Remove + random.bounded(4)) };
        step.slot = random.bounded(count - 1);
        step.id = QStringLiteral("id%1").arg(random.bounded(3));
        step.password = QStringLiteral("new%1-%2").arg(seed).arg(made++);
        count += step.kind == Step::Remove ? -1 : step.kind == Step::Add ? 1 : 0;
        return step;
    };
    QList<Step> steps{ { Step::ToKeyring } };
    steps << edit() << edit() << edit() << Step{ Step::ToStore } << edit() << Step{ Step::ToKeyring } << edit();
    return steps;
}

QList<QList<Account>> statesOf(quint32 seed)
{
    QList<QList<Account>> states{ firstAccounts(seed) };
    for (const Step &step : stepsOf(seed)) {
        QList<Account> next = states.last();
        switch (step.kind) {
        case Step::Remove:
            next.removeAt(step.slot);
            break;
        case Step::Swap:
            next.swapItemsAt(step.slot, step.slot + 1);
            break;
        case Step::Change:
            next[step.slot] = { step.id, step.password };
            break;
        case Step::Add:
            next.append({ step.id, step.password });
            break;
        case Step::ToKeyring:
        case Step::ToStore:
            continue;
        }
        states.append(next);
    }
    return states;
}

void take(Passwords &passwords, const Step &step, const Passwords::Done &done)
{
    switch (step.kind) {
    case Step::ToKeyring:
    case Step::ToStore:
        return passwords.keepInKeyring(step.kind == Step::ToKeyring, done);
    case Step::Remove:
        return passwords.remove(qint16(step.slot), done);
    case Step::Swap:
        return passwords.swapWithNext(qint16(step.slot), done);
    case Step::Change:
        return passwords.put(qint16(step.slot), step.id, step.password, done);
    case Step::Add:
        return passwords.put(AccountTable::kSlots - 1, step.id, step.password, done);
    }
}

// The child: takes the seed's steps one after another and ends; says "ready" before the first.
int runSteps(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Keeper keeper(QString::fromLocal8Bit(argv[2]));
    keeper.keyring.delay = std::chrono::milliseconds(1);
    const QList<Step> steps = stepsOf(QByteArray(argv[3]).toUInt());
    int next = 0;
    std::function<void()> takeNext = [&] {
        if (next == steps.size())
            return app.exit(0);
        take(keeper.passwords, steps[next++], [&](Problem problem) {
            if (problem != Problem::None)
                return app.exit(1);
            takeNext();
        });
    };
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    QTimer::singleShot(0, &app, takeNext);
    return app.exec();
}

} // namespace

class tst_Passwords : public QObject
{
    Q_OBJECT
private slots:
    void eachPasswordStaysWithItsAccountInTheKeyring();
    void aFailingKeyringLeavesEverythingAsItWas();
    void aPasswordFoundNowhereIsReported();
    void aKilledProgramLosesNoPassword();
};

// Slots that share an ID, removed, exchanged, changed and added while the passwords are in the
// keyring: each keeps its own password, and the store gets back exactly what it held.
void tst_Passwords::eachPasswordStaysWithItsAccountInTheKeyring()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "ann", "bob", "ann", "cy", "ann" }, { "a1", "b1", "a2", "c1", "a3" });
    Keeper keeper;
    QCOMPARE(wait([&](auto done) { keeper.passwords.keepInKeyring(true, done); }), Problem::None);
    QVERIFY(keeper.passwords.inKeyring());
    QVERIFY(!storeHoldsPasswords(keeper));
    // A value for each ID, and the mark.
    QCOMPARE(keeper.keyring.size(), 4);

    QCOMPARE(wait([&](auto done) { keeper.passwords.remove(0, done); }), Problem::None);
    QCOMPARE(wait([&](auto done) { keeper.passwords.swapWithNext(0, done); }), Problem::None);
    QCOMPARE(wait([&](auto done) { keeper.passwords.swapWithNext(2, done); }), Problem::None);
    QCOMPARE(wait([&](auto done) { keeper.passwords.put(1, "cy", "c2", done); }), Problem::None);
    QCOMPARE(wait([&](auto done) { keeper.passwords.put(99, "ann", "a4", done); }), Problem::None);
    const QList<Account> expected{ { "ann", "a2" }, { "cy", "c2" }, { "ann", "a3" }, { "cy", "c1" }, { "ann", "a4" } };
    QCOMPARE(accountsFound(keeper), expected);
    QVERIFY(!storeHoldsPasswords(keeper));
    QVERIFY(keeper.settings.unsettledIds().isEmpty());

    QCOMPARE(wait([&](auto done) { keeper.passwords.keepInKeyring(false, done); }), Problem::None);
    QVERIFY(!keeper.passwords.inKeyring());
    QCOMPARE(keeper.keyring.size(), 0);
    keeper.accounts.reload();
    for (int slot = 0; slot < expected.size(); ++slot)
        QCOMPARE(keeper.accounts.password(qint16(slot)), expected[slot].second);
}

// A keyring that fails halfway through a move, or is locked (and so reads as empty) for the move
// back: the choice and the store stay as they were, and the passwords are still found.
void tst_Passwords::aFailingKeyringLeavesEverythingAsItWas()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "ann", "bob", "cy" }, { "a1", "b1", "c1" });
    const QByteArray store = sandbox.storeFileContents();
    Keeper keeper;
    keeper.keyring.failure = Keyring::Failure::Refused;
    keeper.keyring.succeeding = 1;
    QCOMPARE(wait([&](auto done) { keeper.passwords.keepInKeyring(true, done); }), Problem::KeyringRefused);
    QVERIFY(!keeper.passwords.inKeyring());
    QCOMPARE(sandbox.storeFileContents(), store);
    QCOMPARE(fetch(keeper.passwords, keeper.accounts, 1), std::pair(Problem::None, QString("b1")));

    keeper.keyring.failure = Keyring::Failure::None;
    QCOMPARE(wait([&](auto done) { keeper.passwords.keepInKeyring(true, done); }), Problem::None);
    keeper.keyring.locked = true;
    QCOMPARE(fetch(keeper.passwords, keeper.accounts, 1).first, Problem::KeyringLocked);
    QCOMPARE(wait([&](auto done) { keeper.passwords.keepInKeyring(false, done); }), Problem::KeyringLocked);
    QVERIFY(keeper.passwords.inKeyring());
    QVERIFY(!storeHoldsPasswords(keeper));
    keeper.keyring.locked = false;
    QCOMPARE(accountsFound(keeper), (QList<Account>{ { "ann", "a1" }, { "bob", "b1" }, { "cy", "c1" } }));
}

// A password in neither place is reported, whichever place is chosen; a keyring that is not
// there is told apart from a missing password.
void tst_Passwords::aPasswordFoundNowhereIsReported()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ "ann", "bob" }, { "", "b1" });
    Keeper keeper;
    QCOMPARE(fetch(keeper.passwords, keeper.accounts, 0).first, Problem::NotFound);
    QCOMPARE(wait([&](auto done) { keeper.passwords.keepInKeyring(true, done); }), Problem::None);
    QCOMPARE(fetch(keeper.passwords, keeper.accounts, 0).first, Problem::NotFound);
    keeper.keyring.store(keeper.accounts.application() + "/bob", std::nullopt);
    QCOMPARE(fetch(keeper.passwords, keeper.accounts, 1).first, Problem::NotFound);
    keeper.keyring.failure = Keyring::Failure::Unavailable;
    QCOMPARE(fetch(keeper.passwords, keeper.accounts, 1).first, Problem::KeyringUnavailable);
}

// Seeded kills of a program moving the passwords both ways and changing the list between: after
// the next start has finished what was left, the accounts read as they were before or after one
// of the steps, each with its own password, and the store holds passwords only when they are
// kept there. The seed is printed; YORUMI_KILL_SEED replays a run.
void tst_Passwords::aKilledProgramLosesNoPassword()
{
    const quint32 firstSeed = qEnvironmentVariableIsSet("YORUMI_KILL_SEED")
            ? qEnvironmentVariableIntValue("YORUMI_KILL_SEED")
            : QRandomGenerator::global()->bounded(1u << 30);
    qInfo("seed %u", firstSeed);
    QRandomGenerator random(firstSeed);
    qint64 longest = 0;
    constexpr int kTrials = 40;
    for (int trial = 0; trial <= kTrials; ++trial) {
        const quint32 seed = firstSeed + trial;
        StoreSandbox sandbox;
        QStringList ids;
        QStringList passwords;
        for (const auto &[id, password] : firstAccounts(seed)) {
            ids << id;
            passwords << password;
        }
        sandbox.seedAccounts(ids, passwords);
        const QString keyringFolder = sandbox.root() + "/keyring";

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    { "--steps", keyringFolder, QString::number(seed) });
        QVERIFY(child.waitForReadyRead(10000));
        QElapsedTimer running;
        running.start();
        // The first trial runs to its end and tells how long the steps take.
        if (trial == 0) {
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(10000));
            QCOMPARE(child.exitCode(), 0);
            longest = running.elapsed();
            qInfo("the steps take %lld ms", longest);
        } else {
            QTest::qWait(int(random.bounded(longest + 1)));
            child.kill();
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(10000));
        }

        Keeper keeper(keyringFolder);
        QCOMPARE(wait([&](auto done) { keeper.passwords.resume(done); }), Problem::None);
        const QList<Account> found = accountsFound(keeper);
        if (!statesOf(seed).contains(found))
            QFAIL(qPrintable(QStringLiteral("seed %1: an account lost its password or got another's").arg(seed)));
        QVERIFY(!keeper.settings.unfinishedMove());
        QVERIFY(keeper.settings.unsettledIds().isEmpty());
        QCOMPARE(storeHoldsPasswords(keeper), !keeper.passwords.inKeyring());
    }
}

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--steps") == 0)
        return runSteps(argc, argv);
    QCoreApplication app(argc, argv);
    tst_Passwords test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_passwords.moc"
