// Measures accounts in and out, and the command line for the running program: an import of 100
// rows from a Chromium CSV (read, preview made, written through the passwords, with them in the
// store and in a keyring that answers at once, so that the program's own part shows), and the
// round trip of `yorumi-livedoor --login` (the process started, the request handed to the
// running program, the login, the reply, the process ended) beside the same login asked for in
// the running program itself, and that of `--list`, which waits for nothing.
// YORUMI_BENCH_SHORT=1: one round of each instead of 10. It ends with status 1 when a step
// fails or a figure cannot be taken; the figures themselves are never judged.
#include "app/program.h"
#include "app/remotecommands.h"
#include "common/eventwait.h"
#include "common/fakekeyring.h"
#include "common/fakes.h"
#include "platform/singleinstance.h"
#include "store/accountfile.h"
#include "store/importplan.h"
#include "ui/main/frmimport.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include "median.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

int failed(const QString &what)
{
    std::fprintf(stderr, "commandline_bench: %s\n", qPrintable(what));
    return 1;
}

// The store's file emptied, and the program's settings with it: each import starts from no
// account.
void emptyStore()
{
    QFile::remove(SettingsStore::location(QStringLiteral("YRMLD")));
    QFile::remove(QStringLiteral("%1/yorumi-livedoor.conf").arg(qEnvironmentVariable("XDG_CONFIG_HOME")));
}

// One import of the file into an empty store: read, preview, write; its milliseconds, or a
// negative number when a step failed.
double importOnce(const QString &path, bool inKeyring)
{
    emptyStore();
    SettingsStore store;
    AccountTable table;
    Accounts accounts(store, table, EditionLivedoor);
    accounts.reload();
    ProgramSettings settings;
    KeyringJournal journal;
    FakeKeyring keyring;
    Passwords passwords(accounts, settings, journal, keyring);
    Passwords::Problem problem = Passwords::Problem::None;
    if (inKeyring
        && (!runUntilFinished([&](auto finish) {
                passwords.keepInKeyring(true, [&, finish](Passwords::Problem p) { problem = p, finish(); });
            }, 10000) || problem != Passwords::Problem::None))
        return -1;

    QElapsedTimer clock;
    clock.start();
    const ImportResult read = readAccountFile(path);
    if (!std::holds_alternative<ImportedFile>(read))
        return -1;
    const ImportedFile &file = std::get<ImportedFile>(read);
    AccountList seen;
    QStringList found;
    if (!runUntilFinished([&](auto finish) {
            passwords.fetchAll([&, finish](Passwords::Problem p, const AccountList &s, const QStringList &f) {
                problem = p, seen = s, found = f, finish();
            });
        }, 10000) || problem != Passwords::Problem::None)
        return -1;
    const ImportPlan plan = [&] {
        frmImport preview(path, file, seen, found);
        return preview.plan();
    }();
    if (plan.count(ImportDecision::Add) != int(file.accounts.size()))
        return -1;
    if (!runUntilFinished([&](auto finish) {
            passwords.takeIn(plan.change, [&, finish](Passwords::Problem p) { problem = p, finish(); });
        }, 60000) || problem != Passwords::Problem::None)
        return -1;
    const double ms = clock.nsecsElapsed() / 1e6;
    // Every account listed, its password where the passwords are kept.
    accounts.reload();
    return accounts.count() == int(file.accounts.size()) && accounts.password(0).isEmpty() == inKeyring ? ms : -1;
}

// One run of the program's executable with the arguments, to its end: its milliseconds and
// status.
std::pair<double, int> runProgram(const QStringList &arguments)
{
    QProcess client;
    QElapsedTimer clock;
    clock.start();
    client.start(QStringLiteral(YORUMI_PROGRAM), arguments);
    const bool ended = runUntilFinished(
            [&](auto finish) {
                QObject::connect(&client, &QProcess::finished, &client, [finish] { finish(); });
            },
            90000);
    return { clock.nsecsElapsed() / 1e6, ended && client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1 };
}

} // namespace

int main(int argc, char *argv[])
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    installQuietMessages();
    QApplication::setQuitOnLastWindowClosed(false);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    PortalFixture portal;
    if (!portal.isReady())
        return failed(QStringLiteral("fake portal: ") + portal.error());
    const int rounds = qEnvironmentVariableIntValue("YORUMI_BENCH_SHORT") == 1 ? 1 : 10;

    // A Chromium export of 100 of the portal's accounts among 100 of other sites.
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("passwords.csv"));
    {
        QFile file(csv);
        if (!file.open(QIODevice::WriteOnly))
            return failed(QStringLiteral("the CSV file could not be written"));
        file.write("name,url,username,password,note\n");
        for (int n = 0; n < 100; ++n) {
            file.write(QStringLiteral("member.livedoor.com,https://member.livedoor.com/login/,user%1,\"pw,%1\",\n"
                                      "example.org,https://example.org/,other%1,x%1,\n")
                               .arg(n)
                               .toUtf8());
        }
    }
    for (const bool inKeyring : { false, true }) {
        QList<double> ms;
        for (int round = 0; round < rounds; ++round) {
            const double took = importOnce(csv, inKeyring);
            if (took < 0)
                return failed(QStringLiteral("an import of 100 rows failed"));
            ms << took;
        }
        std::printf("import of 100 rows (read, preview, one write), passwords in the %s: %.1f ms (median of %d)\n",
                    inKeyring ? "keyring (one answering at once)" : "store", median(ms), rounds);
    }

    // The running program, as main() puts it together, with one account.
    emptyStore();
    {
        QSettings settings(SettingsStore::location(QStringLiteral("YRMLD")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("ID/ID0"), QStringLiteral("bench"));
        settings.setValue(QStringLiteral("PW/PW0"), QStringLiteral("bench-pw"));
    }
    SingleInstance instance(SingleInstance::keyFor(SettingsStore::location(QStringLiteral("YRMLD"))));
    if (!instance.tryBecomePrimary())
        return failed(QStringLiteral("another copy holds the lock"));
    Services services;
    services.notifier = std::make_unique<FakeTrayNotifier>();
    Program program(std::move(services));
    RemoteCommands commands(instance, program);
    program.start(true);
    if (!portal.setVariant(QStringLiteral("normal")))
        return failed(QStringLiteral("the fake portal did not take its page"));

    // Warm up: the first login starts the engine helper.
    if (runProgram({ QStringLiteral("--login"), QStringLiteral("bench") }).second != 0)
        return failed(QStringLiteral("the first --login failed"));
    QList<double> loginMs, inProgramMs, listMs;
    for (int round = 0; round < rounds; ++round) {
        const auto [ms, status] = runProgram({ QStringLiteral("--login"), QStringLiteral("bench") });
        if (status != 0)
            return failed(QStringLiteral("--login ended with %1").arg(status));
        loginMs << ms;
        QElapsedTimer clock;
        clock.start();
        RunOutcome outcome = RunOutcome::Failed;
        if (!runUntilFinished([&](auto finish) {
                program.webHost().loginLD(QStringLiteral("bench"), QStringLiteral("bench-pw"),
                                          [&, finish](RunOutcome o) { outcome = o, finish(); });
            }, 60000) || outcome != RunOutcome::Done)
            return failed(QStringLiteral("a login in the program failed"));
        inProgramMs << clock.nsecsElapsed() / 1e6;
        const auto [listed, listStatus] = runProgram({ QStringLiteral("--list") });
        if (listStatus != 0)
            return failed(QStringLiteral("--list ended with %1").arg(listStatus));
        listMs << listed;
    }
    std::printf("--login round trip: %.0f ms; the same login in the running program: %.0f ms; --list round "
                "trip: %.0f ms (medians of %d, the engine helper running, instant server)\n",
                median(loginMs), median(inProgramMs), median(listMs), rounds);
    return 0;
}
