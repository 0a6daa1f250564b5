#include "app/program.h"
#include "common/fakekeyring.h"
#include "common/fakes.h"
#include "common/folderlisting.h"
#include "common/storesandbox.h"
#include "platform/paths.h"
#include "platform/versioninfo.h"
#include "store/keyringjournal.h"
#include "store/programsettings.h"
#include "tray/frmtasktray.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"
#include "web/accountprofile.h"
#include "web/loginsessions.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void withTrayNothingShowsAndListIsLoaded();
    void withoutTrayTheSettingsWindowShows();
    void windowsAreSharedInstances();
    void followsTheNotificationArea();
    void startedAtLoginWaitsForTheNotificationArea_data();
    void startedAtLoginWaitsForTheNotificationArea();
    void startAtLoginEntry();
    void sharedProfileGoesToTheLastAccount();
    void whatAStartCannotFinishIsTold_data();
    void whatAStartCannotFinishIsTold();
    void commandLineAnswersWithoutStarting_data();
    void commandLineAnswersWithoutStarting();
};

namespace {

// A program whose notification area is the test's to make and take away.
struct TrayFixture
{
    StoreSandbox sandbox;
    bool tray = false;
    Program program{ services() };
    frmMainLd &window() { return program.mainLd(); }

private:
    Services services()
    {
        Services services;
        services.notificationArea = [this] { return tray; };
        services.notificationAreaInterval = std::chrono::milliseconds(20);
        services.notificationAreaWait = std::chrono::milliseconds(300);
        return services;
    }
};

} // namespace

void tst_Startup::withTrayNothingShowsAndListIsLoaded()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("alice"), QStringLiteral("bob") },
                         { QStringLiteral("pa"), QStringLiteral("pb") });
    Program program;
    QCOMPARE(program.shared().editionCode, qint16(0));
    program.start(true);

    QCOMPARE(program.shared().editionCode, qint16(EditionLivedoor));
    QCOMPARE(program.shared().rememberedLeft, 0);
    QCOMPARE(program.shared().rememberedTop, 0);
    QCOMPARE(program.shared().alwaysOnTop, kVbFalse);
    QCOMPARE(program.shared().selectedSlot, qint16(0));

    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    QCOMPARE(program.mainLd().lbID->count(), 2);
    QCOMPARE(program.table().id(EditionLivedoor, 1), QStringLiteral("bob"));
    QCOMPARE(program.table().password(EditionLivedoor, 1), QStringLiteral("pb"));
    QCOMPARE(program.tasktray().mnLogin.size(), 3);
}

void tst_Startup::withoutTrayTheSettingsWindowShows()
{
    StoreSandbox sandbox;
    Program program;
    // The offscreen test platform has no notification area.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    program.Main();
    QVERIFY(!program.notificationArea().isPresent());
    QVERIFY(program.mainLd().isVisible());
    QVERIFY(program.tasktray().mnShowMain->isChecked());
    // 機能's 終了 ends the program, as the tray's does.
    QTimer::singleShot(0, program.mainLd().mnEnd, &QAction::trigger);
    QTimer stillRunning;
    connect(&stillRunning, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stillRunning.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

// Asking for any window makes every window once, in one go; the start makes no more.
void tst_Startup::windowsAreSharedInstances()
{
    StoreSandbox sandbox;
    Program program;
    frmTasktray *tray = &program.tasktray();
    frmMainLd *window = &program.mainLd();
    program.start(true);
    QCOMPARE(&program.tasktray(), tray);
    QCOMPARE(&program.mainLd(), window);
    int settingsWindows = 0;
    int trayWindows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        settingsWindows += qobject_cast<frmMainLd *>(widget) != nullptr;
        trayWindows += qobject_cast<frmTasktray *>(widget) != nullptr;
    }
    QCOMPARE(settingsWindows, 1);
    QCOMPARE(trayWindows, 1);
}

// A notification area that appears after the start takes the program back to the tray (the
// close box hides again); one that goes away (a panel restarting) brings the settings window up,
// whose close box still hides it: the program stays, and its icon comes back with the panel.
void tst_Startup::followsTheNotificationArea()
{
    TrayFixture f;
    f.program.Main();
    QVERIFY(f.window().isVisible());
    f.tray = true;
    QTRY_VERIFY(f.program.notificationArea().isPresent());
    QSystemTrayIcon *icon = f.program.tasktray().trayIcon;
    QVERIFY(icon && icon->isVisible());
    f.window().close();
    QVERIFY(!f.window().isVisible());
    f.tray = false;
    QTRY_VERIFY(f.window().isVisible());
    QVERIFY(!f.program.notificationArea().isPresent());
    f.window().close();
    QVERIFY(!f.window().isVisible());
    QVERIFY2(icon->isVisible(), "the close box ended the program");
    f.tray = true;
    QTRY_VERIFY(f.program.notificationArea().isPresent());
    QVERIFY(icon->isVisible());
    f.program.tasktray().mnEnd->trigger();
    QVERIFY(!icon->isVisible());
}

// Started at login, the program stays in the tray while the panel comes, and shows its
// settings window only when none has come within the wait.
void tst_Startup::startedAtLoginWaitsForTheNotificationArea_data()
{
    QTest::addColumn<bool>("trayComes");
    QTest::newRow("the panel comes") << true;
    QTest::newRow("no panel") << false;
}

void tst_Startup::startedAtLoginWaitsForTheNotificationArea()
{
    QFETCH(bool, trayComes);
    TrayFixture f;
    f.program.Main(true);
    QVERIFY(!f.window().isVisible());
    f.tray = trayComes;
    QTest::qWait(600);
    QCOMPARE(f.window().isVisible(), !trayComes);
    QCOMPARE(f.program.notificationArea().isPresent(), trayComes);
}

// ログイン時に起動 writes an autostart entry that starts this very program, and removes it.
void tst_Startup::startAtLoginEntry()
{
    StoreSandbox sandbox;
    Program program;
    program.start(true);
    QAction *entry = program.mainLd().mnStartAtLogin;
    QVERIFY(!entry->isChecked());
    const QString path = sandbox.configHome() + QStringLiteral("/autostart/yorumi-livedoor.desktop");

    entry->trigger();
    QVERIFY(entry->isChecked());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Exec=") + desktopExecLine(QCoreApplication::applicationFilePath(),
                                                                     QStringLiteral("--autostart"))));
    entry->trigger();
    QVERIFY(!entry->isChecked());
    QVERIFY(!QFile::exists(path));

    // What the desktop's launcher would split or expand is quoted.
    QCOMPARE(desktopExecLine(QStringLiteral("/opt/my apps/$x 100%/yorumi"), QStringLiteral("--autostart")),
             QStringLiteral("\"/opt/my apps/\\$x 100%%/yorumi\" --autostart"));
}

// An update from the version with one profile for every login: the engine's profile folder,
// the guest's now, holds the login of the account last logged in. At the first start it becomes
// that account's profile, moved, so that the guest starts empty, and the account is logged in;
// later starts leave the guest's own pages alone.
void tst_Startup::sharedProfileGoesToTheLastAccount()
{
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("alice"), QStringLiteral("bob") },
                         { QStringLiteral("pa"), QStringLiteral("pb") });
    const QString guest = Paths::engineProfile();
    const QString bobs = AccountProfile::folder(guest, QStringLiteral("bob"));
    const auto plant = [&guest](const QByteArray &cookie) {
        QDir().mkpath(guest + QStringLiteral("/Local Storage"));
        QFile cookies(guest + QStringLiteral("/Cookies"));
        return cookies.open(QIODevice::WriteOnly) && cookies.write(cookie) == cookie.size();
    };
    const auto cookieIn = [](const QString &folder) {
        QFile cookies(folder + QStringLiteral("/Cookies"));
        return cookies.open(QIODevice::ReadOnly) ? cookies.readAll() : QByteArray();
    };
    QVERIFY(plant("ldsession=s1.bob"));
    ProgramSettings().setLastAccount(QStringLiteral("bob"));
    {
        Program program(Services{});
        program.start(true);
        QCOMPARE(program.sessions().loggedIn(), QStringList{ QStringLiteral("bob") });
    }
    QCOMPARE(cookieIn(bobs), QByteArray("ldsession=s1.bob"));
    QVERIFY(QFileInfo::exists(bobs + QStringLiteral("/Local Storage")));
    QVERIFY(!QFileInfo::exists(guest + QStringLiteral("/Cookies")));
    QVERIFY(!QFileInfo::exists(guest + QStringLiteral("/Local Storage")));

    QVERIFY(QDir(bobs).removeRecursively());
    QVERIFY(plant("guest"));
    Program(Services{}).start(true);
    QCOMPARE(cookieIn(guest), QByteArray("guest"));
    QVERIFY(!QFileInfo::exists(bobs));
}

// A change of the passwords in the keyring that the last run left unfinished, and that the start
// cannot finish (the keyring stays locked), is told: from the icon, or, without one, in the
// settings window's status text.
void tst_Startup::whatAStartCannotFinishIsTold_data()
{
    QTest::addColumn<bool>("icon");
    QTest::newRow("notification") << true;
    QTest::newRow("status text") << false;
}

void tst_Startup::whatAStartCannotFinishIsTold()
{
    QFETCH(bool, icon);
    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("alice") }, { QString() });
    ProgramSettings().setPasswordsInKeyring(true);
    KeyringJournal().setUnsettledIds({ QStringLiteral("alice") });
    Services services;
    auto *keyring = new FakeKeyring;
    keyring->locked = true;
    services.keyring.reset(keyring);
    auto *notifier = new FakeTrayNotifier;
    services.notifier.reset(notifier);
    Program program(std::move(services));
    program.start(icon);

    const QString told = QStringLiteral("前回の実行で中断したパスワードの変更を完了できませんでした。");
    const QString cause = QStringLiteral("キーリングのロックが解除されませんでした。");
    if (icon) {
        QTRY_COMPARE(notifier->shown.size(), 1);
        QCOMPARE(notifier->shown[0][1], told + QLatin1Char('\n') + cause);
    } else {
        QTRY_COMPARE(program.mainLd().SB->text(), told + cause);
        QVERIFY(notifier->shown.isEmpty());
    }
}

// --help and --version answer on standard output, and a mistaken argument on standard error, from
// the real program: with no display to start on, and without a settings file, a data folder or
// the running copy's lock and socket made.
void tst_Startup::commandLineAnswersWithoutStarting_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString usage = QStringLiteral("Usage: yorumi-livedoor [--autostart] [Qt options]\n");
    const QString version = QStringLiteral("yorumi-livedoor %1\n").arg(QLatin1String(VersionInfo::version));
    QTest::newRow("help") << QStringList{ "--help" } << QByteArray("en_US.UTF-8") << 0 << usage << QString();
    QTest::newRow("help in Japanese") << QStringList{ "--help" } << QByteArray("ja_JP.UTF-8") << 0
                                      << QStringLiteral("使い方: yorumi-livedoor [--autostart] [Qt のオプション]\n")
                                      << QString();
    QTest::newRow("version") << QStringList{ "--version" } << QByteArray("ja_JP.UTF-8") << 0 << version
                             << QString();
    QTest::newRow("toolkit options and --autostart beside it")
            << QStringList{ "-platform", "xcb", "--autostart", "--style=Fusion", "-reverse", "--version" }
            << QByteArray("C") << 0 << version << QString();
    QTest::newRow("unknown option") << QStringList{ "--autostart", "--bogus" } << QByteArray("C") << 2 << QString()
                                    << QStringLiteral("yorumi-livedoor: unknown option: --bogus\n") + usage;
    // A request for the running copy is refused before any copy hears of it.
    QTest::newRow("two requests at once") << QStringList{ "--login", "alice", "--list" } << QByteArray("C") << 2
                                          << QString()
                                          << QStringLiteral("yorumi-livedoor: only one request at a time: --list\n")
                    + usage;
    QTest::newRow("--as without --open") << QStringList{ "--copy", "bob", "--as", "alice" } << QByteArray("ja_JP.UTF-8")
                                         << 2 << QString()
                                         << QStringLiteral("yorumi-livedoor: --as は --open と一緒に指定してください\n");
}

void tst_Startup::commandLineAnswersWithoutStarting()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, language);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    StoreSandbox sandbox;
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES", "LANGUAGE" })
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("LANG"), QString::fromLatin1(language));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(YORUMI_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    // Each stream begins with what is expected, and is empty when nothing is.
    const QString gotOut = QString::fromUtf8(program.readAllStandardOutput());
    const QString gotErr = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(gotOut.left(out.isEmpty() ? gotOut.size() : out.size()), out);
    QCOMPARE(gotErr.left(err.isEmpty() ? gotErr.size() : err.size()), err);
    QCOMPARE(folderListing({ sandbox.root(), runtime.path() }), QStringList());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    tst_Startup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
