#include "app/program.h"
#include "common/fakeengine.h"
#include "common/fakekeyring.h"
#include "common/fakes.h"
#include "common/storesandbox.h"
#include "store/passwords.h"
#include "store/programsettings.h"
#include "tray/frmtasktray.h"
#include "ui/common/accountmark.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

// The four commands that start a login or logout: the settings window's buttons, which keep the
// window disabled while their run lasts, and the tray's entries, which show what runs in the
// tooltip and tell failures in a notification. The status bar follows every run. The engine is
// a fake that the test answers.
class tst_LoginCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loginNeedsASelection();
    void windowLoginShowsProgressAndResult_data();
    void windowLoginShowsProgressAndResult();
    void logoutNeedsNoAccount();
    void trayRunsShowInTheTooltipAndTheWindow();
    void windowStaysDisabledUntilItsOwnRunEnds();
    void trayTellsFailuresAndTheAccount();
    void runsGoToTheirAccountsProfiles();
    void theCurrentAccountIsAlwaysListed();
    void loginsAreMarkedWhereTheAccountsAreListed();
    void everyAccountTakesItsTurnAndTellsOnce();
    void everyAccountLogsOutTheLoggedIn();
    void everyAccountStopsAtTheKeyringOrWhenAsked();
    void expiredLoginIsRenewedInPlace();
    void onlyAnExpiredLoginIsRenewed_data();
    void onlyAnExpiredLoginIsRenewed();

private:
    void startProgram();

    std::unique_ptr<StoreSandbox> m_sandbox;
    std::unique_ptr<Program> m_program;
    FakeEngine *m_engine = nullptr;
    FakeMessageBoxes *m_boxes = nullptr;
    FakeTrayNotifier *m_notifier = nullptr;
    FakeKeyring *m_keyring = nullptr;
};

void tst_LoginCommands::init()
{
    m_sandbox = std::make_unique<StoreSandbox>();
    m_sandbox->seedAccounts({ "alice", "bob" }, { "pw-a", "pw-b" });
    startProgram();
}

void tst_LoginCommands::startProgram()
{
    Services services;
    m_boxes = new FakeMessageBoxes;
    services.messageBoxes.reset(m_boxes);
    m_engine = new FakeEngine;
    services.engine.reset(m_engine);
    m_notifier = new FakeTrayNotifier;
    services.notifier.reset(m_notifier);
    m_keyring = new FakeKeyring;
    services.keyring.reset(m_keyring);
    m_program = std::make_unique<Program>(std::move(services));
    m_program->start(true);
}

void tst_LoginCommands::cleanup()
{
    m_program.reset();
    m_sandbox.reset();
}

void tst_LoginCommands::loginNeedsASelection()
{
    frmMainLd &window = m_program->mainLd();
    window.cmdLOGIN->click();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].text, QStringLiteral("IDを選択してください。"));
    QCOMPARE(m_boxes->shown[0].buttons, MessageBoxes::Buttons::Ok);
    QCOMPARE(window.SB->text(), QString());
    QVERIFY(window.isEnabled());
    QCOMPARE(m_program->webHost().pendingRuns(), 0);
}

void tst_LoginCommands::windowLoginShowsProgressAndResult_data()
{
    QTest::addColumn<RunOutcome>("outcome");
    QTest::addColumn<QString>("result");
    QTest::newRow("logged in") << RunOutcome::Done << "ログイン完了";
    QTest::newRow("refused") << RunOutcome::Failed << "ログインできませんでした。";
    QTest::newRow("out of time") << RunOutcome::TimedOut << "タイムアウトしました。";
    QTest::newRow("not the login page") << RunOutcome::WrongPage << "ログインページを確認できませんでした。";
}

void tst_LoginCommands::windowLoginShowsProgressAndResult()
{
    QFETCH(RunOutcome, outcome);
    QFETCH(QString, result);
    frmMainLd &window = m_program->mainLd();
    window.lbID->setCurrentRow(1);
    window.cmdLOGIN->click();

    QCOMPARE(window.SB->text(), QStringLiteral("ログイン中..."));
    QVERIFY(!window.isEnabled());
    QVERIFY(!window.menuBar()->isEnabled());
    QCOMPARE(m_engine->open.size(), 1u);
    QCOMPARE(m_engine->open.front().page, EnginePage::LogIn);
    QCOMPARE(FakeEngine::filledValues(m_engine->open.front()), (QStringList{ "bob", "pw-b" }));
    m_engine->end(outcome);
    QCOMPARE(window.SB->text(), result);
    QVERIFY(window.isEnabled());
    QVERIFY(m_boxes->shown.isEmpty());
}

void tst_LoginCommands::logoutNeedsNoAccount()
{
    // With nothing selected, and with no accounts at all.
    frmMainLd &window = m_program->mainLd();
    for (int slot = 0; slot < 2; ++slot)
        m_program->table().set(EditionLivedoor, qint16(slot), QString(), QString());
    window.lbID->clear();
    window.cmdLOGOUT->click();
    QCOMPARE(window.SB->text(), QStringLiteral("ログアウト中..."));
    QVERIFY(!window.isEnabled());
    QCOMPARE(m_engine->open.size(), 1u);
    QCOMPARE(m_engine->open.front().page, EnginePage::LogOut);
    m_engine->end(RunOutcome::Failed);
    QCOMPARE(window.SB->text(), QStringLiteral("ログアウトできませんでした。"));
    QVERIFY(window.isEnabled());
    QVERIFY(m_boxes->shown.isEmpty());
}

// A tray login or logout shows that it runs in the icon's tooltip, and its outcome reaches the
// settings window's status text, which takes no other part: the window stays usable.
void tst_LoginCommands::trayRunsShowInTheTooltipAndTheWindow()
{
    frmMainLd &window = m_program->mainLd();
    frmTasktray &tray = m_program->tasktray();
    const QString name = QStringLiteral("ヨルミ＠ライブドア");

    tray.mnLogin.value(0)->trigger();
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nログイン中...");
    QCOMPARE(window.SB->text(), QStringLiteral("ログイン中..."));
    QVERIFY(window.isEnabled());
    QCOMPARE(m_engine->open.size(), 1u);
    // The tray's entry n logs in with slot n's ID and password.
    QCOMPARE(FakeEngine::filledValues(m_engine->open.front()), (QStringList{ "alice", "pw-a" }));
    m_engine->end(RunOutcome::Failed);
    QCOMPARE(tray.trayIcon->toolTip(), name);
    QCOMPARE(window.SB->text(), QStringLiteral("ログインできませんでした。"));

    tray.mnLogout->trigger();
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nログアウト中...");
    QCOMPARE(m_engine->open.front().page, EnginePage::LogOut);
    m_engine->end(RunOutcome::Done);
    QCOMPARE(tray.trayIcon->toolTip(), name);
    QCOMPARE(window.SB->text(), QStringLiteral("ログアウト完了"));

    tray.mnLogin.value(1)->trigger();
    m_engine->end(RunOutcome::Done);
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nbob");
    QCOMPARE(window.SB->text(), QStringLiteral("ログイン完了"));
    QCOMPARE(m_program->webHost().pendingRuns(), 0);
    QVERIFY(window.isEnabled());
}

void tst_LoginCommands::windowStaysDisabledUntilItsOwnRunEnds()
{
    frmMainLd &window = m_program->mainLd();
    frmTasktray &tray = m_program->tasktray();

    tray.mnLogin.value(1)->trigger(); // runs first, in the tray's name
    window.lbID->setCurrentRow(0);
    window.cmdLOGIN->click();         // waits its turn
    QCOMPARE(m_program->webHost().pendingRuns(), 2);
    QCOMPARE(m_engine->open.size(), 1u);
    QCOMPARE(FakeEngine::filledValues(m_engine->open.front()).value(0), QStringLiteral("bob"));

    m_engine->end(RunOutcome::Done);
    QCOMPARE(m_program->webHost().pendingRuns(), 1);
    QVERIFY(!window.isEnabled());
    QCOMPARE(window.SB->text(), QStringLiteral("ログイン中..."));
    QCOMPARE(FakeEngine::filledValues(m_engine->open.front()).value(0), QStringLiteral("alice"));
    m_engine->end(RunOutcome::Done);
    QCOMPARE(window.SB->text(), QStringLiteral("ログイン完了"));
    QVERIFY(window.isEnabled());
}

// A tray login or logout that did not succeed says so in a notification; one that did names
// the account in the tray's tooltip (and the portal window), and the account outlives the
// program.
void tst_LoginCommands::trayTellsFailuresAndTheAccount()
{
    frmTasktray &tray = m_program->tasktray();
    const QString name = QStringLiteral("ヨルミ＠ライブドア");
    const QString title = QStringLiteral("Yorumi@Livedoor");
    QCOMPARE(tray.trayIcon->toolTip(), name);

    tray.mnLogin.value(1)->trigger();
    m_engine->end(RunOutcome::Done);
    QVERIFY(m_notifier->shown.isEmpty());
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nbob");

    // The status text first, then the account and what made it fail where that is known.
    tray.mnLogin.value(0)->trigger();
    m_engine->end(RunOutcome::Failed);
    tray.mnLogout->trigger();
    m_engine->end(RunOutcome::TimedOut);
    tray.mnLogin.value(0)->trigger();
    m_engine->end(RunOutcome::EngineEnded);
    m_sandbox->seedAccounts({ "alice", "bob" }, { "", "pw-b" });
    tray.mnLogin.value(0)->trigger();
    QCOMPARE(m_notifier->shown,
             (QList<QStringList>{
                     { title, QStringLiteral("ログインできませんでした。\nalice") },
                     { title, QStringLiteral("タイムアウトしました。\nbob: ポータルが30秒以内に応答しませんでした。") },
                     { title, QStringLiteral("ログインできませんでした。\nalice: ブラウザエンジンが途中で終了しました。") },
                     { title, QStringLiteral("ログインできませんでした。\nalice: このアカウントのパスワードが見つかりません。"
                                             "「修正」で入力し直してください。") } }));
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nbob");

    m_program.reset();
    startProgram();
    QCOMPARE(m_program->tasktray().trayIcon->toolTip(), name + "\nbob");
    m_program->tasktray().mnLogout->trigger();
    m_engine->end(RunOutcome::Done);
    QVERIFY(m_notifier->shown.isEmpty());
    QCOMPARE(m_program->tasktray().trayIcon->toolTip(), name);
}

// A login runs in the profile of the account it logs in as, a logout in the current account's:
// the one the latest successful login made current (the one of the program's last run, at
// start), none after a logout.
void tst_LoginCommands::runsGoToTheirAccountsProfiles()
{
    auto runsIn = [this](QAction *entry) {
        entry->trigger();
        return m_engine->open.front().account;
    };
    QCOMPARE(runsIn(m_program->tasktray().mnLogin.value(1)), QStringLiteral("bob"));
    m_engine->end(RunOutcome::Done);

    m_program.reset();
    startProgram();
    frmTasktray &tray = m_program->tasktray();
    QCOMPARE(runsIn(tray.mnLogout), QStringLiteral("bob"));
    m_engine->end(RunOutcome::Failed);
    QCOMPARE(runsIn(tray.mnLogin.value(0)), QStringLiteral("alice"));
    m_engine->end(RunOutcome::Done);
    runsIn(tray.mnLogin.value(1));
    m_engine->end(RunOutcome::Failed);
    QCOMPARE(runsIn(tray.mnLogout), QStringLiteral("alice"));
    m_engine->end(RunOutcome::Done);
    QCOMPARE(runsIn(tray.mnLogout), QString());
}

// The tray's login entries are checked, and the settings window's list marks filled, while their
// accounts are logged in; the tooltip counts the others. The engine hears of every change, with
// the accounts listed.
void tst_LoginCommands::loginsAreMarkedWhereTheAccountsAreListed()
{
    frmTasktray &tray = m_program->tasktray();
    frmMainLd &window = m_program->mainLd();
    auto checked = [&tray] {
        QStringList out;
        for (const qint16 slot : { 0, 1 }) {
            if (tray.mnLogin.value(slot)->isChecked())
                out << tray.mnLogin.value(slot)->text();
        }
        return out;
    };
    auto markedAs = [&window](int row, bool filled) {
        const QListWidgetItem *item = window.lbID->item(row);
        return item->icon().pixmap(16).toImage() == accountMark(item->text(), filled).pixmap(16).toImage();
    };
    const QString name = QStringLiteral("ヨルミ＠ライブドア");

    tray.mnLogin.value(1)->trigger();
    QCOMPARE(checked(), QStringList()); // chosen, not yet logged in
    emit m_engine->loginCookies({ { "ldsession", ".livedoor.com", "/", QDateTime::currentDateTimeUtc().addSecs(3600) } });
    m_engine->end(RunOutcome::Done);
    QCOMPARE(checked(), QStringList{ "bob" });
    QVERIFY(markedAs(0, false));
    QVERIFY(markedAs(1, true));
    tray.mnLogin.value(0)->trigger();
    m_engine->end(RunOutcome::Done);
    QCOMPARE(checked(), (QStringList{ "alice", "bob" }));
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nalice ほか1件");
    QCOMPARE(m_engine->sessions, (QStringList{ "alice", "bob" }));

    emit m_engine->cookiesChanged("bob", {}, { { "ldsession", ".livedoor.com", "/", std::nullopt } });
    QCOMPARE(checked(), QStringList{ "alice" });
    QVERIFY(markedAs(1, false));
    QVERIFY(markedAs(0, true));
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nalice");
    QCOMPARE(m_engine->sessions, QStringList{ "alice" });
    QCOMPARE(m_engine->listed, (QStringList{ "alice", "bob" }));
}

// The current account is a listed one or the guest, whatever removed it: the store written by
// hand while the program runs, or before it starts again.
void tst_LoginCommands::theCurrentAccountIsAlwaysListed()
{
    frmTasktray &tray = m_program->tasktray();
    tray.mnLogin.value(1)->trigger();
    m_engine->end(RunOutcome::Done);
    QCOMPARE(m_program->webHost().currentAccount(), QStringLiteral("bob"));

    m_sandbox->writeStoreFile("[ID]\nID0=alice\n[PW]\nPW0=pw-a\n");
    emit tray.mnLeft->aboutToShow();
    QCOMPARE(m_program->webHost().currentAccount(), QString());
    QCOMPARE(tray.trayIcon->toolTip(), QStringLiteral("ヨルミ＠ライブドア"));
    QCOMPARE(ProgramSettings().lastAccount(), QString());

    ProgramSettings().setLastAccount(QStringLiteral("alice"));
    m_sandbox->writeStoreFile("");
    m_program.reset();
    startProgram();
    QCOMPARE(m_program->webHost().currentAccount(), QString());
}

// すべてのアカウントでログイン logs each listed account in, one run at a time, while a single login
// chosen meanwhile takes its turn; the tooltip counts, one notification names the failures, and
// the current account stays.
void tst_LoginCommands::everyAccountTakesItsTurnAndTellsOnce()
{
    m_sandbox->seedAccounts({ "alice", "bob", "carol" }, { "pw-a", "pw-b", "pw-c" });
    m_program.reset();
    startProgram();
    frmTasktray &tray = m_program->tasktray();
    const QString name = QStringLiteral("ヨルミ＠ライブドア");
    tray.mnLogin.value(1)->trigger();
    m_engine->end(RunOutcome::Done);
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nbob");

    tray.mnLoginAll->trigger();
    QTRY_COMPARE(m_engine->open.size(), 1u);
    QCOMPARE(FakeEngine::filledValues(m_engine->open.front()), (QStringList{ "alice", "pw-a" }));
    QCOMPARE(m_engine->open.front().account, QStringLiteral("alice"));
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nログイン中... 1/3");
    QCOMPARE(tray.mnLoginAll->text(), QStringLiteral("すべてのアカウントでログインを中止"));
    QVERIFY(!tray.mnLogoutAll->isEnabled());
    tray.mnLogin.value(1)->trigger();
    m_engine->end(RunOutcome::Done);

    QList<QStringList> runs;
    for (const RunOutcome outcome : { RunOutcome::Done, RunOutcome::Failed, RunOutcome::Done }) {
        QTRY_COMPARE(m_engine->open.size(), 1u);
        runs << FakeEngine::filledValues(m_engine->open.front());
        m_engine->end(outcome);
    }
    QCOMPARE(runs, (QList<QStringList>{ { "bob", "pw-b" }, { "bob", "pw-b" }, { "carol", "pw-c" } }));
    QCOMPARE(m_notifier->shown.size(), 1);
    QCOMPARE(m_notifier->shown[0].value(1), QStringLiteral("次のアカウントでログインできませんでした: bob"));
    QCOMPARE(m_program->webHost().currentAccount(), QStringLiteral("bob"));
    QCOMPARE(tray.trayIcon->toolTip(), name + "\nbob ほか2件");
    QCOMPARE(tray.mnLoginAll->text(), QStringLiteral("すべてのアカウントでログイン"));
    QVERIFY(tray.mnLogoutAll->isEnabled());
}

// すべてのアカウントからログアウト logs out the logged-in accounts, and those whose profile holds a
// login cookie though no login of the program's ended so, each in its profile, and none the user
// deletes meanwhile: neither one whose turn has yet to come nor one whose logout waits behind a
// login chosen meanwhile.
void tst_LoginCommands::everyAccountLogsOutTheLoggedIn()
{
    m_sandbox->seedAccounts({ "alice", "bob", "carol", "dave" }, { "pw-a", "pw-b", "pw-c", "pw-d" });
    m_program.reset();
    startProgram();
    frmTasktray &tray = m_program->tasktray();
    frmMainLd &window = m_program->mainLd();
    const auto deleteAccount = [&](int row) {
        window.lbID->setCurrentRow(row);
        window.cmdDELETE->click();
    };
    QVERIFY(!tray.mnLogoutAll->isEnabled());
    for (const char *account : { "carol", "bob", "alice" })
        m_program->sessions().loginSucceeded(account, { FakeEngine::sessionCookie() });
    emit m_engine->cookiesChanged("dave", { FakeEngine::sessionCookie() }, {});
    QVERIFY(!m_program->sessions().isLoggedIn("dave"));
    QVERIFY(tray.mnLogoutAll->isEnabled());
    tray.mnLogoutAll->trigger();
    QCOMPARE(m_engine->open.size(), 1u);
    QCOMPARE(m_engine->open.front().page, EnginePage::LogOut);
    QCOMPARE(m_engine->open.front().account, QStringLiteral("alice"));
    QCOMPARE(tray.trayIcon->toolTip(), QStringLiteral("ヨルミ＠ライブドア\nログアウト中... 1/4"));
    tray.mnLogin.value(0)->trigger();
    QTRY_COMPARE(m_program->webHost().pendingRuns(), 2);
    deleteAccount(2);
    QTRY_COMPARE(m_engine->forgotten, QStringList{ "carol" });

    m_engine->end(RunOutcome::Failed);
    QCOMPARE(m_engine->open.front().page, EnginePage::LogIn);
    QCOMPARE(m_program->webHost().pendingRuns(), 2);
    deleteAccount(1);
    QTRY_COMPARE(m_engine->forgotten, (QStringList{ "carol", "bob" }));
    m_engine->end(RunOutcome::Done);
    QStringList stillToRun;
    for (const FakeEngine::Run &run : m_engine->open)
        stillToRun << run.account;
    QCOMPARE(stillToRun.join(u' '), QStringLiteral("dave"));
    QCOMPARE(m_engine->open.front().page, EnginePage::LogOut);
    m_engine->end(RunOutcome::Done);
    QVERIFY(m_engine->open.empty());
    QCOMPARE(m_notifier->shown, (QList<QStringList>{ { QStringLiteral("Yorumi@Livedoor"),
                                                       QStringLiteral("次のアカウントからログアウトできませんでした: alice") } }));
    QCOMPARE(m_program->sessions().loggedIn(), QStringList{ "alice" });
}

// A keyring that cannot give the first account's password (its unlock prompt dismissed) stops
// すべてのアカウントでログイン there, with one notification that says why: the next accounts would
// each prompt again. The entry stops a run while it lasts, once the login under way has ended.
void tst_LoginCommands::everyAccountStopsAtTheKeyringOrWhenAsked()
{
    m_sandbox->seedAccounts({ "alice", "bob", "carol" }, { "pw-a", "pw-b", "pw-c" });
    m_program.reset();
    startProgram();
    frmTasktray &tray = m_program->tasktray();
    std::optional<Passwords::Problem> moved;
    m_program->passwords().keepInKeyring(true, [&](Passwords::Problem problem) { moved = problem; });
    QTRY_VERIFY(moved == Passwords::Problem::None);

    m_keyring->locked = true;
    const int writes = m_keyring->writes;
    tray.mnLoginAll->trigger();
    QTRY_COMPARE(m_notifier->shown.size(), 1);
    QCOMPARE(m_notifier->shown[0].value(1), QStringLiteral("ログインを中止しました。\nパスワードを読み出せませんでした。"
                                                            "キーリングのロックが解除されませんでした。"));
    QCOMPARE(m_keyring->writes - writes, 1);
    QVERIFY(m_engine->open.empty());
    QCOMPARE(tray.mnLoginAll->text(), QStringLiteral("すべてのアカウントでログイン"));

    m_keyring->locked = false;
    tray.mnLoginAll->trigger();
    QTRY_COMPARE(m_engine->open.size(), 1u);
    tray.mnLoginAll->trigger();
    m_engine->end(RunOutcome::Done);
    QTRY_COMPARE(m_notifier->shown.size(), 2);
    QCOMPARE(m_notifier->shown[1].value(1), QStringLiteral("ログインを中止しました。\n1個のアカウントでログインしました。"));
    QVERIFY(m_engine->open.empty());
    QCOMPARE(m_program->sessions().loggedIn(), QStringList{ "alice" });
}

// A tab that the portal sent to its login form offers the login again, which runs as the account;
// with the automatic renewal ticked it runs at once, though not twice a minute for a tab.
void tst_LoginCommands::expiredLoginIsRenewedInPlace()
{
    m_program->sessions().loginSucceeded("alice", { FakeEngine::sessionCookie() });
    emit m_engine->loginFormShown("alice", 7);
    QCOMPARE(m_engine->renewals, QStringList{ "7 offer" });
    QVERIFY(!m_program->sessions().isLoggedIn("alice"));
    QVERIFY(m_engine->open.empty());
    emit m_engine->renewRequested("alice", 7);
    QTRY_COMPARE(m_engine->open.size(), 1u);
    QCOMPARE(m_engine->open.front().account, QStringLiteral("alice"));
    QCOMPARE(FakeEngine::filledValues(m_engine->open.front()), (QStringList{ "alice", "pw-a" }));
    m_engine->end(RunOutcome::Failed);
    QCOMPARE(m_engine->renewals.last(), QStringLiteral("7 failed ログインできませんでした。"));

    m_program->mainLd().mnRenewLogins->trigger();
    QVERIFY(m_program->settings().renewsLogins());
    m_engine->renewals.clear();
    emit m_engine->loginFormShown("alice", 7);
    QTRY_COMPARE(m_engine->open.size(), 1u);
    m_engine->end(RunOutcome::Done);
    QCOMPARE(m_engine->renewals, QStringList{ "7 done" });
    QVERIFY(m_program->sessions().isLoggedIn("alice"));
    QCOMPARE(m_program->webHost().currentAccount(), QString());
    emit m_engine->loginFormShown("alice", 7);
    QCOMPARE(m_engine->renewals, (QStringList{ "7 done", "7 offer" }));
    emit m_engine->loginFormShown("alice", 8);
    QTRY_COMPARE(m_engine->open.size(), 1u);
}

// A tab that reaches the login form after the user logged its account out, or of an account never
// logged in, gets neither the offer nor a login by itself, whether or not logins are renewed
// without asking.
void tst_LoginCommands::onlyAnExpiredLoginIsRenewed_data()
{
    QTest::addColumn<bool>("renews");
    QTest::newRow("renewed when asked") << false;
    QTest::newRow("renewed without asking") << true;
}

void tst_LoginCommands::onlyAnExpiredLoginIsRenewed()
{
    QFETCH(bool, renews);
    m_program->settings().setRenewsLogins(renews);
    frmTasktray &tray = m_program->tasktray();
    tray.mnLogin.value(0)->trigger();
    m_engine->end(RunOutcome::Done);
    QVERIFY(m_program->sessions().isLoggedIn("alice"));
    tray.mnLogout->trigger();
    m_engine->end(RunOutcome::Done);
    emit m_engine->loginFormShown("alice", 9);
    emit m_engine->loginFormShown("bob", 10);
    QVERIFY(m_engine->renewals.isEmpty());
    QVERIFY(m_engine->open.empty());
    QVERIFY(m_notifier->shown.isEmpty());
}

QTEST_MAIN(tst_LoginCommands)
#include "tst_logincommands.moc"
