#include "ui/main/editingharness.h"
#include "ui/main/frmimport.h"
#include "ui/main/statusbar.h"
#include "web/frmwb.h"

#include <QLineEdit>
#include <QPushButton>

using namespace editing;
using Buttons = MessageBoxes::Buttons;
using Answer = MessageBoxes::Answer;

namespace {

// The file store made to behave as the registry does: it gives no sign of its changes, so that
// every stamp is new and every command reads the accounts again.
class AlwaysNewStampStore final : public SettingsStore
{
public:
    Stamp stamp(const QString &application) override
    {
        Stamp stamp = SettingsStore::stamp(application);
        stamp.file.modifiedNs = ++m_serial;
        return stamp;
    }

private:
    qint64 m_serial = 0;
};

const QStringList kIds{ "a", "b", "c" };
const QString kNoAccounts = QStringLiteral("IDが登録されていません。「新規登録」で追加してください。");
const QStringList kPasswords{ "pa", "pb", "pc" };

// Everything an editing command can change, taken at one moment.
struct Snapshot
{
    explicit Snapshot(Fixture &f)
        : rows(editing::rows(f.window().lbID))
        , selected(selectedRow(f.window().lbID))
        , tableIds(editing::tableIds(f.program))
        , tablePasswords(editing::tablePasswords(f.program, AccountTable::kSlots))
        , trayLogins(editing::trayLogins(f.tray()))
        , storeFile(f.sandbox.storeFileContents())
    {
    }
    QStringList rows;
    int selected;
    QStringList tableIds;
    QStringList tablePasswords;
    QStringList trayLogins;
    QByteArray storeFile;
};

// Compares two snapshots; passwords are only said to differ, never printed.
void verifyUnchanged(const Snapshot &before, const Snapshot &after)
{
    QCOMPARE(after.rows, before.rows);
    QCOMPARE(after.selected, before.selected);
    QCOMPARE(after.tableIds, before.tableIds);
    QVERIFY2(after.tablePasswords == before.tablePasswords, "table passwords changed");
    QCOMPARE(after.trayLogins, before.trayLogins);
    QVERIFY2(after.storeFile == before.storeFile, "the store file changed");
}

QPushButton *button(Fixture &f, const QString &name)
{
    return f.window().findChild<QPushButton *>(name);
}

// The password the program finds for each listed account, from wherever it is kept.
QStringList found(Fixture &f)
{
    QStringList passwords;
    Accounts &accounts = f.program.accounts();
    accounts.refresh();
    for (qint16 slot = 0; slot < accounts.count(); ++slot) {
        std::optional<QString> password;
        f.program.passwords().fetch(slot, accounts.id(slot), [&](Passwords::Problem, const QString &found) { password = found; });
        if (!QTest::qWaitFor([&] { return password.has_value(); }, 5000))
            return {};
        passwords.append(*password);
    }
    return passwords;
}

} // namespace

class tst_ListEditing : public QObject
{
    Q_OBJECT
private slots:
    void deleteClosesTheGap_data();
    void deleteClosesTheGap();
    void deleteCancelChangesNothing();
    void deleteForgetsAnIdNoSlotHolds();
    void emptyListGuides();
    void oneAccountCommandsNeedASelection_data();
    void oneAccountCommandsNeedASelection();
    void moveExchangesNeighbours_data();
    void moveExchangesNeighbours();
    void moveAtTheEdgesDoesNothing_data();
    void moveAtTheEdgesDoesNothing();
    void keyboardKeepsItsPlace_data();
    void keyboardKeepsItsPlace();
    void copyPutsThePasswordOnTheClipboard();
    void copyFailureShowsItsText();
    void unwritableStoreStopsTheCommand_data();
    void unwritableStoreStopsTheCommand();
    void handWrittenAccountIsKept_data();
    void handWrittenAccountIsKept();
    void aListChangedMeanwhileRefusesTheCommand_data();
    void aListChangedMeanwhileRefusesTheCommand();
    void trayFollowsAStoreThatShrank();
    void storeWithoutChangeStampsKeepsTheSelection();
    void passwordsInTheKeyring();
    void aKeyringWithoutThePasswords();
};

void tst_ListEditing::deleteClosesTheGap_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("passwords");

    const QByteArray three("[ID]\nID0=a\nID1=b\nID2=c\n[PW]\nPW0=pa\nPW1=pb\nPW2=pc\n");
    QTest::newRow("row 0 of 3") << three << 0 << QStringList{ "b", "c" } << QStringList{ "pb", "pc" };
    QTest::newRow("row 1 of 3") << three << 1 << QStringList{ "a", "c" } << QStringList{ "pa", "pc" };
    QTest::newRow("last row of 3") << three << 2 << QStringList{ "a", "b" } << QStringList{ "pa", "pb" };
    QTest::newRow("only row") << QByteArray("[ID]\nID0=a\n[PW]\nPW0=pa\n") << 0 << QStringList()
                              << QStringList();
    // The last slot's PW key is already gone: its removal fails and the delete goes on.
    const QByteArray noLastPw("[ID]\nID0=a\nID1=b\nID2=c\n[PW]\nPW0=pa\nPW1=pb\n");
    QTest::newRow("last row, its PW key gone") << noLastPw << 2 << QStringList{ "a", "b" }
                                               << QStringList{ "pa", "pb" };
    QTest::newRow("row 0, last PW key gone") << noLastPw << 0 << QStringList{ "b", "c" }
                                             << QStringList{ "pb", "" };

    // A full list: every slot after the deleted one moves up.
    const QStringList ids = numbered("id", 100);
    const QStringList passwords = numbered("pw", 100);
    QByteArray full("[ID]\n");
    for (int slot = 0; slot < ids.size(); ++slot)
        full += idKey(slot).toLatin1() + '=' + ids[slot].toLatin1() + '\n';
    full += "[PW]\n";
    for (int slot = 0; slot < passwords.size(); ++slot)
        full += pwKey(slot).toLatin1() + '=' + passwords[slot].toLatin1() + '\n';
    for (int row : { 0, 57, 99 }) {
        QStringList restIds = ids;
        QStringList restPasswords = passwords;
        restIds.removeAt(row);
        restPasswords.removeAt(row);
        QTest::addRow("row %d of 100", row) << full << row << restIds << restPasswords;
    }
}

void tst_ListEditing::deleteClosesTheGap()
{
    QFETCH(QByteArray, store);
    QFETCH(int, row);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, passwords);

    Fixture f(store);
    const int before = f.window().lbID->count();
    f.window().lbID->setCurrentRow(row);
    const QString chosen = f.window().lbID->currentItem()->text();
    QTest::mouseClick(f.window().cmdDELETE, Qt::LeftButton);

    QCOMPARE(f.boxes->shown.size(), 1);
    // The question names the account on the row the user chose.
    QCOMPARE(f.boxes->shown[0].text, QStringLiteral("削除いたします。\n") + chosen);
    QVERIFY(f.boxes->shown[0].buttons == Buttons::OkCancel);
    QCOMPARE(rows(f.window().lbID), ids);
    QCOMPARE(selectedRow(f.window().lbID), -1);
    QCOMPARE(tableIds(f.program), ids);
    QVERIFY2(tablePasswords(f.program, before) == passwords + QStringList{ "" },
             "table passwords differ");
    QCOMPARE(trayLogins(f.tray()), ids);

    // Only slots 0..N-2 remain in the store, each with both keys.
    QStringList keys;
    for (int slot = 0; slot < ids.size(); ++slot)
        keys << kIdSection + "/" + idKey(slot) << kPwSection + "/" + pwKey(slot);
    keys.sort();
    QCOMPARE(storedKeys(f.sandbox), keys);
    QCOMPARE(storedValues(f.sandbox, kIdSection, ids.size()), ids);
    QVERIFY2(storedValues(f.sandbox, kPwSection, ids.size()) == passwords, "stored passwords differ");
    QCOMPARE(f.window().SB->text(), ids.isEmpty() ? kNoAccounts : QString());
    QCOMPARE(f.window().cmdDELETE->isEnabled(), !ids.isEmpty());
}

void tst_ListEditing::deleteCancelChangesNothing()
{
    Fixture f(kIds, kPasswords);
    f.window().lbID->setCurrentRow(1);
    const Snapshot before(f);
    f.boxes->answers = { Answer::Cancel };
    QTest::mouseClick(f.window().cmdDELETE, Qt::LeftButton);
    QCOMPARE(f.boxes->shown.size(), 1);
    verifyUnchanged(before, Snapshot(f));
}

// An account deleted takes its login with it once no slot holds its ID: the engine forgets the
// ID, and the current account, forgotten, leaves the guest in its place.
void tst_ListEditing::deleteForgetsAnIdNoSlotHolds()
{
    {
        Fixture f({ "a", "b", "a" }, { "pa", "pb", "pa2" });
        f.program.webHost().setCurrentAccount(QStringLiteral("a"));
        auto deleteFirst = [&f] {
            f.window().lbID->setCurrentRow(0);
            QTest::mouseClick(f.window().cmdDELETE, Qt::LeftButton);
            return f.engine->forgotten;
        };
        QCOMPARE(deleteFirst(), QStringList());
        QCOMPARE(deleteFirst(), QStringList{ "b" });
        QCOMPARE(f.program.webHost().currentAccount(), QStringLiteral("a"));
        QCOMPARE(deleteFirst(), (QStringList{ "b", "a" }));
        QCOMPARE(f.program.webHost().currentAccount(), QString());
    }
    // Deleted while the tray logs it in, and again while another of its logins waits: the one
    // that runs makes nothing current, the other is dropped, and neither is told as a failure.
    Fixture f(kIds, kPasswords);
    f.program.webHost().setCurrentAccount(QStringLiteral("a"));
    f.tray().mnLogin[1]->trigger();
    f.tray().mnLogin[1]->trigger();
    f.window().lbID->setCurrentRow(1);
    QTest::mouseClick(f.window().cmdDELETE, Qt::LeftButton);
    QCOMPARE(f.engine->forgotten, QStringList{ "b" });
    f.engine->end(RunOutcome::Done);
    QCOMPARE(f.program.webHost().currentAccount(), QStringLiteral("a"));
    QCOMPARE(f.program.settings().lastAccount(), QString());
    QVERIFY(f.engine->open.empty());
    QCOMPARE(f.program.webHost().pendingRuns(), 0);
    QVERIFY(f.notifier->shown.isEmpty());
}

// With no account, the window says how to add one and greys the commands that need one (the
// first account brings them back: tst_frmRegistry's add to an empty list).
void tst_ListEditing::emptyListGuides()
{
    Fixture f;
    QCOMPARE(f.window().SB->text(), kNoAccounts);
    for (const char *name : { "cmdLOGIN", "cmdCopy", "cmdREGISTRY", "cmdDELETE", "cmdDown", "cmdUp" })
        QVERIFY2(!button(f, QLatin1String(name))->isEnabled(), name);
    QVERIFY(f.window().cmdNEW->isEnabled());
    QVERIFY(f.window().cmdLOGOUT->isEnabled());
}

void tst_ListEditing::oneAccountCommandsNeedASelection_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("accounts");
    QTest::newRow("delete") << "cmdDELETE" << 3;
    QTest::newRow("copy") << "cmdCopy" << 3;
}

void tst_ListEditing::oneAccountCommandsNeedASelection()
{
    QFETCH(QString, command);
    QFETCH(int, accounts);

    Fixture f(kIds.mid(0, accounts), kPasswords.mid(0, accounts));
    // A row that is current but no longer selected does not count as a selection.
    if (accounts > 0) {
        f.window().lbID->setCurrentRow(1);
        f.window().lbID->clearSelection();
    }
    const Snapshot before(f);
    QTest::mouseClick(button(f, command), Qt::LeftButton);

    QCOMPARE(f.boxes->shown.size(), 1);
    QCOMPARE(f.boxes->shown[0].text, QStringLiteral("IDを選択してください。"));
    QVERIFY(f.boxes->shown[0].buttons == Buttons::Ok);
    QVERIFY(f.clipboard->texts.isEmpty());
    verifyUnchanged(before, Snapshot(f));
}

void tst_ListEditing::moveExchangesNeighbours_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<int>("selected");
    QTest::newRow("up from row 2") << "cmdUp" << 2 << QStringList{ "a", "c", "b" }
                                   << QStringList{ "pa", "pc", "pb" } << 1;
    QTest::newRow("up from row 1") << "cmdUp" << 1 << QStringList{ "b", "a", "c" }
                                   << QStringList{ "pb", "pa", "pc" } << 0;
    QTest::newRow("down from row 0") << "cmdDown" << 0 << QStringList{ "b", "a", "c" }
                                     << QStringList{ "pb", "pa", "pc" } << 1;
    QTest::newRow("down from row 1") << "cmdDown" << 1 << QStringList{ "a", "c", "b" }
                                     << QStringList{ "pa", "pc", "pb" } << 2;
}

void tst_ListEditing::moveExchangesNeighbours()
{
    QFETCH(QString, command);
    QFETCH(int, row);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, passwords);
    QFETCH(int, selected);

    Fixture f(kIds, kPasswords);
    f.window().lbID->setCurrentRow(row);
    QTest::mouseClick(button(f, command), Qt::LeftButton);

    QVERIFY(f.boxes->shown.isEmpty());
    QCOMPARE(rows(f.window().lbID), ids);
    QCOMPARE(selectedRow(f.window().lbID), selected);
    QCOMPARE(tableIds(f.program), ids);
    QVERIFY2(tablePasswords(f.program, 3) == passwords, "table passwords differ");
    QCOMPARE(storedValues(f.sandbox, kIdSection, 3), ids);
    QVERIFY2(storedValues(f.sandbox, kPwSection, 3) == passwords, "stored passwords differ");
    QCOMPARE(storedKeys(f.sandbox).size(), 6);
    QCOMPARE(trayLogins(f.tray()), ids);

    // The moved account is still selected: the opposite button takes it back.
    QTest::mouseClick(button(f, command == "cmdUp" ? "cmdDown" : "cmdUp"), Qt::LeftButton);
    QCOMPARE(rows(f.window().lbID), kIds);
    QCOMPARE(selectedRow(f.window().lbID), row);
}

void tst_ListEditing::moveAtTheEdgesDoesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");
    QTest::newRow("up on the first row") << "cmdUp" << 0;
    QTest::newRow("down on the last row") << "cmdDown" << 2;
    QTest::newRow("up without selection") << "cmdUp" << -1;
    QTest::newRow("down without selection") << "cmdDown" << -1;
}

void tst_ListEditing::moveAtTheEdgesDoesNothing()
{
    QFETCH(QString, command);
    QFETCH(int, row);

    Fixture f(kIds, kPasswords);
    f.window().lbID->setCurrentRow(row);
    const Snapshot before(f);
    QTest::mouseClick(button(f, command), Qt::LeftButton);
    QVERIFY(f.boxes->shown.isEmpty());
    QVERIFY(f.window().SB->text().isEmpty());
    verifyUnchanged(before, Snapshot(f));
}

// The window takes no input while a command waits, and then gives the keyboard its place back:
// a command pressed with the keyboard can be pressed again at once.
void tst_ListEditing::keyboardKeepsItsPlace_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("▼ twice") << "cmdDown" << QStringList{ "b", "c", "a" };
    QTest::newRow("ログイン twice") << "cmdLOGIN" << kIds;
}

void tst_ListEditing::keyboardKeepsItsPlace()
{
    QFETCH(QString, command);
    QFETCH(QStringList, ids);
    Fixture f(kIds, kPasswords);
    f.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window()));
    f.window().lbID->setCurrentRow(0);
    button(f, command)->setFocus();
    for (int press = 0; press < 2; ++press) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus == button(f, command), qPrintable(QStringLiteral("press %1").arg(press + 1)));
        QTest::keyClick(focus, Qt::Key_Space);
        if (!f.engine->open.empty())
            f.engine->end(RunOutcome::Done);
    }
    QCOMPARE(QApplication::focusWidget(), button(f, command));
    QCOMPARE(rows(f.window().lbID), ids);
}

void tst_ListEditing::copyPutsThePasswordOnTheClipboard()
{
    Fixture f(kIds, kPasswords);
    f.window().lbID->setCurrentRow(1);
    const Snapshot before(f);
    f.program.settings().setClearsClipboard(false);
    QTest::mouseClick(f.window().cmdCopy, Qt::LeftButton);
    QVERIFY2(f.clipboard->texts == QStringList{ "pb" }, "the clipboard did not get row 1's password");
    QVERIFY(f.boxes->shown.isEmpty());
    // Kept on the clipboard: nothing is said of its going.
    QCOMPARE(f.window().SB->text(), QStringLiteral("bのパスワードをコピーしました。"));
    verifyUnchanged(before, Snapshot(f));
}

void tst_ListEditing::copyFailureShowsItsText()
{
    Fixture f(kIds, kPasswords);
    f.clipboard->accept = false;
    f.window().lbID->setCurrentRow(0);
    QTest::mouseClick(f.window().cmdCopy, Qt::LeftButton);
    QCOMPARE(f.window().SB->text(), QStringLiteral("コピーできませんでした。"));
    QVERIFY(f.boxes->shown.isEmpty());
}

void tst_ListEditing::unwritableStoreStopsTheCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("delete row 0 of 3") << "cmdDELETE" << 0 << QStringList{ "b", "c" };
    QTest::newRow("delete row 1 of 3") << "cmdDELETE" << 1 << QStringList{ "a", "c" };
    // Only the last slot's keys go: their removal fails like any other write.
    QTest::newRow("delete the last row") << "cmdDELETE" << 2 << QStringList{ "a", "b" };
    QTest::newRow("up") << "cmdUp" << 1 << QStringList{ "b", "a", "c" };
    QTest::newRow("up to the top") << "cmdUp" << 2 << QStringList{ "a", "c", "b" };
    QTest::newRow("down") << "cmdDown" << 1 << QStringList{ "a", "c", "b" };
    QTest::newRow("down from the top") << "cmdDown" << 0 << QStringList{ "b", "a", "c" };
}

void tst_ListEditing::unwritableStoreStopsTheCommand()
{
    QFETCH(QString, command);
    QFETCH(int, row);
    QFETCH(QStringList, ids);

    Fixture f(kIds, kPasswords);
    f.window().lbID->setCurrentRow(row);
    const Snapshot before(f);
    {
        StoreBlocker blocker(f.sandbox);
        QTest::mouseClick(button(f, command), Qt::LeftButton);
    }
    QCOMPARE(f.window().SB->text(), QStringLiteral("エラーが発生しました。"));
    // Nothing that was there before is lost: not in the list, the table, the tray or on disk.
    verifyUnchanged(before, Snapshot(f));

    // The same command succeeds once the store takes writes again; the failure text stays.
    f.boxes->shown.clear();
    QTest::mouseClick(button(f, command), Qt::LeftButton);
    QCOMPARE(rows(f.window().lbID), ids);
    QCOMPARE(storedValues(f.sandbox, kIdSection, ids.size()), ids);
    QCOMPARE(trayLogins(f.tray()), ids);
    QCOMPARE(f.window().SB->text(), QStringLiteral("エラーが発生しました。"));
}

// Reading the same accounts again changes nothing: every command finds the row the user
// selected, and opening the tray's menu leaves it selected.
void tst_ListEditing::storeWithoutChangeStampsKeepsTheSelection()
{
    Fixture f(kIds, kPasswords, std::make_unique<AlwaysNewStampStore>());
    frmMainLd &window = f.window();
    window.lbID->setCurrentRow(1);

    emit f.tray().mnLeft->aboutToShow();
    QCOMPARE(selectedRow(window.lbID), 1);
    QTest::mouseClick(window.cmdCopy, Qt::LeftButton);
    QVERIFY2(f.clipboard->texts == QStringList{ "pb" }, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ did not copy row 1's password");
    QString shownId;
    EntryDialogScript script([&](frmRegistry &dialog) {
        shownId = dialog.txtID->text();
        QTest::mouseClick(dialog.cmdCANCEL, Qt::LeftButton);
    });
    QTest::mouseClick(window.cmdREGISTRY, Qt::LeftButton);
    QCOMPARE(shownId, QStringLiteral("b"));
    f.boxes->answers = { Answer::Cancel };
    QTest::mouseClick(window.cmdDELETE, Qt::LeftButton);
    QCOMPARE(f.boxes->shown.size(), 1);
    QCOMPARE(f.boxes->shown[0].text, QStringLiteral("削除いたします。\nb"));
    QTest::mouseClick(window.cmdDown, Qt::LeftButton);
    QCOMPARE(storedValues(f.sandbox, kIdSection, 3), (QStringList{ "a", "c", "b" }));
    QCOMPARE(selectedRow(window.lbID), 2);
    QTest::mouseClick(window.cmdUp, Qt::LeftButton);
    QCOMPARE(storedValues(f.sandbox, kIdSection, 3), kIds);
    QCOMPARE(selectedRow(window.lbID), 1);
}

// With the passwords in the keyring, the commands that need one wait for it there. A keyring
// that stays locked is reported, by the tray and in the window, and nothing is copied or sent;
// unticking then leaves the passwords where they are.
void tst_ListEditing::passwordsInTheKeyring()
{
    Fixture f(kIds, kPasswords);
    f.window().mnKeyring->trigger();
    QTRY_VERIFY(f.program.passwords().inKeyring());
    QVERIFY(f.window().mnKeyring->isChecked());
    QVERIFY2(storedValues(f.sandbox, kPwSection, 3) == (QStringList{ "", "", "" }), "the store holds passwords");

    f.tray().mnClipboard[1]->trigger();
    QTRY_VERIFY2(f.clipboard->texts == QStringList{ "pb" }, "the clipboard did not get row 1's password");
    f.window().lbID->setCurrentRow(2);
    QTest::mouseClick(f.window().cmdLOGIN, Qt::LeftButton);
    QTRY_COMPARE(f.engine->open.size(), size_t(1));
    QVERIFY2(FakeEngine::filledValues(f.engine->open.front()) == (QStringList{ "c", "pc" }),
             "the login did not send row 2's ID and password");
    f.engine->end(RunOutcome::Done);

    f.keyring->locked = true;
    f.tray().mnLogin[0]->trigger();
    QTRY_COMPARE(f.notifier->shown.size(), 1);
    QVERIFY(f.notifier->shown[0][1].endsWith(QStringLiteral("キーリングのロックが解除されませんでした。")));
    f.window().lbID->setCurrentRow(0);
    QTest::mouseClick(f.window().cmdLOGIN, Qt::LeftButton);
    QTRY_COMPARE(f.boxes->shown.size(), 1);
    QVERIFY(f.engine->open.empty());
    QCOMPARE(f.clipboard->texts.size(), 1);

    f.window().mnKeyring->trigger();
    QTRY_COMPARE(f.boxes->shown.size(), 2);
    QVERIFY(f.boxes->shown[1].text.startsWith(QStringLiteral("パスワードをキーリングから戻せませんでした。")));
    QVERIFY(f.window().mnKeyring->isChecked());
    QVERIFY2(storedValues(f.sandbox, kPwSection, 3) == (QStringList{ "", "", "" }), "the store holds passwords");
}

// 修正 opens with an empty password box on an account whose password is found nowhere, and on a
// keyring that holds none of the passwords (emptied behind the program's back). Unticking then
// says how many passwords are lost and, once the user agrees, keeps those the store holds.
void tst_ListEditing::aKeyringWithoutThePasswords()
{
    Fixture f(kIds, kPasswords);
    f.window().mnKeyring->trigger();
    QTRY_VERIFY(f.program.passwords().inKeyring());
    const QString application = f.program.accounts().application();
    f.keyring->store(application + "/b", std::nullopt);
    for (const int row : { 1, 0 }) {
        if (row == 0) {
            for (const QString &key : { application, application + "/a", application + "/c" })
                f.keyring->store(key, std::nullopt);
        }
        f.window().lbID->setCurrentRow(row);
        bool emptyPassword = false;
        EntryDialogScript script([&](frmRegistry &dialog) { emptyPassword = dialog.txtPW->text().isEmpty(); });
        QTest::mouseClick(f.window().cmdREGISTRY, Qt::LeftButton);
        QTRY_VERIFY(script.ran());
        QVERIFY(emptyPassword);
    }
    QVERIFY(f.boxes->shown.isEmpty());

    f.sandbox.seedAccounts(kIds, { "", "", "pc2" });
    f.boxes->answers = { Answer::Cancel };
    f.window().mnKeyring->trigger();
    QTRY_COMPARE(f.boxes->shown.size(), 1);
    QVERIFY(f.boxes->shown[0].text.startsWith(QStringLiteral("キーリングにパスワードが見つかりません。")));
    QVERIFY(f.boxes->shown[0].text.contains(QStringLiteral("2件")));
    QVERIFY(f.window().mnKeyring->isChecked());
    f.window().mnKeyring->trigger();
    QTRY_VERIFY(!f.program.passwords().inKeyring());
    QVERIFY(!f.window().mnKeyring->isChecked());
    QCOMPARE(f.boxes->shown.size(), 2);
    QVERIFY2(storedValues(f.sandbox, kPwSection, 3) == (QStringList{ "", "", "pc2" }),
             "the store lost the password written there by hand");
}

// carol, written into the store by hand while the program runs, is never written over: 新規登録
// adds after her, and a delete or a move first shows the list as it now is, with nothing
// selected, so that it acts only on what the user sees.
void tst_ListEditing::handWrittenAccountIsKept_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("新規登録") << "cmdNEW" << QStringList{ "a", "b", "carol", "dave" };
    QTest::newRow("削除") << "cmdDELETE" << QStringList{ "b", "carol" };
    QTest::newRow("▲") << "cmdUp" << QStringList{ "a", "carol", "b" };
    QTest::newRow("▼") << "cmdDown" << QStringList{ "b", "a", "carol" };
}

void tst_ListEditing::handWrittenAccountIsKept()
{
    QFETCH(QString, command);
    QFETCH(QStringList, ids);
    Fixture f({ "a", "b" }, { "pa", "pb" });
    f.window().lbID->setCurrentRow(0);
    f.sandbox.seedAccounts({ "a", "b", "carol" }, { "pa", "pb", "pc" });

    EntryDialogScript script([](frmRegistry &dialog) {
        retype(dialog.txtID, QStringLiteral("dave"));
        retype(dialog.txtPW, QStringLiteral("pd"));
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
    });
    QTest::mouseClick(button(f, command), Qt::LeftButton);
    if (command != QLatin1String("cmdNEW")) {
        // The store had changed: the list shows carol and the selection is gone.
        QCOMPARE(rows(f.window().lbID), (QStringList{ "a", "b", "carol" }));
        QCOMPARE(storedValues(f.sandbox, kIdSection, 3), (QStringList{ "a", "b", "carol" }));
        f.window().lbID->setCurrentRow(command == QLatin1String("cmdUp") ? 2 : 0);
        QTest::mouseClick(button(f, command), Qt::LeftButton);
    }
    QCOMPARE(storedValues(f.sandbox, kIdSection, 4), ids + QStringList(4 - ids.size(), QString()));
    QCOMPARE(rows(f.window().lbID), ids);
    QCOMPARE(trayLogins(f.tray()), ids);
    QCOMPARE(tableIds(f.program), ids);
}

// While a command waits (for its question, its dialog or the keyring), an account is added at
// the top of the store by hand: the command writes nothing, whether the passwords are in the
// store or the keyring, and says so over the list shown afresh; every account keeps its own
// password. A keyring written before the store refused (a change of one ID's passwords) is
// given its lists back.
void tst_ListEditing::aListChangedMeanwhileRefusesTheCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("meanwhile");
    QTest::newRow("削除, its question") << "cmdDELETE" << 1 << "question";
    QTest::newRow("修正, its dialog") << "cmdREGISTRY" << 0 << "dialog";
    QTest::newRow("削除, the keyring's read") << "cmdDELETE" << 1 << "keyring read";
    QTest::newRow("削除, the keyring's write") << "cmdDELETE" << 1 << "keyring write";
    QTest::newRow("新規登録, the keyring's read") << "cmdNEW" << -1 << "keyring read";
    QTest::newRow("修正 of the password, the keyring's write") << "cmdREGISTRY" << 0 << "keyring write";
    QTest::newRow("▼ over one ID's slots, the keyring's write") << "cmdDown" << 1 << "keyring write";
    // A file's accounts: a new password for b and an account added.
    QTest::newRow("インポート, its preview") << "import" << -1 << "preview";
    QTest::newRow("インポート of a password and an account, the keyring's write") << "import" << -1
                                                                               << "keyring write";
}

void tst_ListEditing::aListChangedMeanwhileRefusesTheCommand()
{
    QFETCH(QString, command);
    QFETCH(int, row);
    QFETCH(QString, meanwhile);
    const bool inKeyring = meanwhile.startsWith(QLatin1String("keyring"));
    const QStringList ids{ "a", "b", "b" };
    const QStringList passwords{ "pa", "pb1", "pb2" };
    Fixture f(ids, passwords);
    if (inKeyring) {
        f.window().mnKeyring->trigger();
        QTRY_VERIFY(f.program.passwords().inKeyring());
    }
    QByteArray handWritten;
    auto writeByHand = [&] {
        f.sandbox.seedAccounts({ "zed", "a", "b", "b" }, inKeyring ? QStringList{ "pz", "", "", "" }
                                                                   : QStringList{ "pz", "pa", "pb1", "pb2" });
        handWritten = f.sandbox.storeFileContents();
    };
    // The keyring's read comes first, its writes after; the hand edit comes with the first of
    // the kind asked for once the command has started.
    auto armKeyring = [&] {
        const int writes = f.keyring->writes;
        f.keyring->onCall = [&, writes] {
            if (handWritten.isEmpty() && (meanwhile == QLatin1String("keyring read") || f.keyring->writes > writes))
                writeByHand();
        };
    };
    if (meanwhile == QLatin1String("question"))
        f.boxes->onShow = writeByHand;
    EntryDialogScript script([&](frmRegistry &dialog) {
        if (meanwhile == QLatin1String("dialog"))
            writeByHand();
        if (inKeyring)
            armKeyring();
        if (command == QLatin1String("cmdNEW"))
            retype(dialog.txtID, QStringLiteral("new"));
        retype(dialog.txtPW, QStringLiteral("typed"));
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        // The dialog waits for the keyring's answer.
        (void)QTest::qWaitFor([&] { return !dialog.isVisible(); }, 5000);
    });
    if (row >= 0)
        f.window().lbID->setCurrentRow(row);
    // OK once the preview shows (after the keyring's read, while it keeps the passwords).
    QTemporaryDir dir;
    QTimer preview;
    if (command == QLatin1String("import")) {
        const QString file = dir.filePath(QStringLiteral("passwords.csv"));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("name,url,username,password\n"
                  "member.livedoor.com,https://member.livedoor.com/login/,b,pb-new\n"
                  "member.livedoor.com,https://member.livedoor.com/login/,c,pc\n");
        csv.close();
        connect(&preview, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<frmImport *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            preview.stop();
            if (meanwhile == QLatin1String("preview"))
                writeByHand();
            else
                armKeyring();
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        preview.start(10);
        f.window().importFile(file, [](const frmMainLd::ImportOutcome &) {});
    } else {
        if (inKeyring && command != QLatin1String("cmdREGISTRY") && command != QLatin1String("cmdNEW"))
            armKeyring();
        QTest::mouseClick(button(f, command), Qt::LeftButton);
    }

    QTRY_COMPARE(f.window().SB->text(), QStringLiteral("一覧が変更されたため、操作を取り消しました。もう一度選んでください。"));
    QVERIFY(!handWritten.isEmpty());
    QVERIFY2(f.sandbox.storeFileContents() == handWritten, "the store was written over");
    QCOMPARE(rows(f.window().lbID), (QStringList{ "zed", "a", "b", "b" }));
    QCOMPARE(selectedRow(f.window().lbID), -1);
    QVERIFY(!script.leftOpen());
    f.keyring->onCall = nullptr;
    QVERIFY2(found(f) == (QStringList{ "pz", "pa", "pb1", "pb2" }), "an account lost its password or got another's");
}

// An account removed from the store by hand goes from the tray's menus (and the table) when the
// menu next opens.
void tst_ListEditing::trayFollowsAStoreThatShrank()
{
    Fixture f(kIds, kPasswords);
    f.sandbox.writeStoreFile("[ID]\nID0=a\n[PW]\nPW0=pa\n");
    emit f.tray().mnLeft->aboutToShow();
    QCOMPARE(trayLogins(f.tray()), QStringList{ "a" });
    QCOMPARE(tableIds(f.program), QStringList{ "a" });
    QCOMPARE(rows(f.window().lbID), QStringList{ "a" });
}

QTEST_MAIN(tst_ListEditing)
#include "tst_listediting.moc"
