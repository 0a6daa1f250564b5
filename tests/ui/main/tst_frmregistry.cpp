#include "ui/main/editingharness.h"
#include "ui/main/statusbar.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace editing;
using Buttons = MessageBoxes::Buttons;
using Answer = MessageBoxes::Answer;

namespace {

struct Box
{
    QString text;
    Buttons buttons;
    bool operator==(const Box &) const = default;
};

char *toString(const Box &box)
{
    return QTest::toString(QStringLiteral("\"%1\" %2").arg(
            box.text, box.buttons == Buttons::Ok ? QStringLiteral("OK") : QStringLiteral("OK/Cancel")));
}

QList<Box> shownBoxes(const FakeMessageBoxes &boxes)
{
    QList<Box> out;
    for (const FakeMessageBoxes::Shown &shown : boxes.shown)
        out.append({ shown.text, shown.buttons });
    return out;
}

const Box kConfirm{ QStringLiteral("登録いたします。"), Buttons::OkCancel };
const Box kFailed{ QStringLiteral("エラーが発生しました。"), Buttons::Ok };
const Box kChangedMeanwhile{ QStringLiteral("このアカウントは入力中に変更されました。上書きいたします。"),
                             Buttons::OkCancel };

// Types an account into the open dialog and presses OK.
void enter(frmRegistry &dialog, const QString &id, const QString &password)
{
    retype(dialog.txtID, id);
    retype(dialog.txtPW, password);
    QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
}

} // namespace

class tst_frmRegistry : public QObject
{
    Q_OBJECT
private slots:
    void controlsAtDesignedGeometry_data();
    void controlsAtDesignedGeometry();
    void tabOrderAndPasswordMask();
    void opensModalAtRememberedPosition_data();
    void opensModalAtRememberedPosition();
    void loadFillsFromSelectedSlot_data();
    void loadFillsFromSelectedSlot();
    void okRefusesEmptyFields_data();
    void okRefusesEmptyFields();
    void cancelAtConfirmationKeepsInput();
    void closingWithoutOk_data();
    void closingWithoutOk();
    void addStoresAfterLastRow_data();
    void addStoresAfterLastRow();
    void refusalsOpenNoDialog_data();
    void refusalsOpenNoDialog();
    void modifyToDuplicateId();
    void modifyForgetsTheOldId();
    void blankIdIsListedButEndsTrayMenus();
    void addIntoStoreWithGap();
    void unwritableStoreKeepsDialogAndInput_data();
    void unwritableStoreKeepsDialogAndInput();
    void handEditDuringTheDialogIsKept_data();
    void handEditDuringTheDialogIsKept();
};

// Where each control was drawn, in pixels at the test platform's 96 dpi (15 twips to the
// pixel); each row ends with the twips it was drawn at.
void tst_frmRegistry::controlsAtDesignedGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<QString>("spoken"); // what a screen reader calls it: a box, by its caption
    QTest::newRow("lblID") << "lblID" << "I  D" << QRect(0, 8, 67, 12) << "I  D"; // 0, 120, 1005, 180
    QTest::newRow("txtID") << "txtID" << "" << QRect(64, 0, 153, 18) << "I  D"; // 960, 0, 2295, 270
    QTest::newRow("lblPASSWORD") << "lblPASSWORD" << "PASSWORD" << QRect(0, 24, 67, 12) << "PASSWORD"; // 0, 360, 1005, 180
    QTest::newRow("txtPW") << "txtPW" << "" << QRect(64, 24, 153, 18) << "PASSWORD"; // 960, 360, 2295, 270
    QTest::newRow("cmdOK") << "cmdOK" << "OK" << QRect(64, 48, 73, 17) << "OK"; // 960, 720, 1095, 255
    QTest::newRow("cmdCANCEL") << "cmdCANCEL" << "キャンセル" << QRect(144, 48, 73, 17) << "キャンセル"; // 2160, 720, 1095, 255
}

void tst_frmRegistry::controlsAtDesignedGeometry()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, pixels);
    QFETCH(QString, spoken);

    Fixture f;
    frmRegistry dialog({ f.program.shared(), f.program.accounts(), f.program.passwords(), *f.boxes }, &f.window());
    QCOMPARE(dialog.objectName(), QStringLiteral("frmRegistry"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("入力画面"));
    QCOMPARE(QSize(dialog.logicalDpiX(), dialog.logicalDpiY()), QSize(96, 96));
    QCOMPARE(dialog.size(), QSize(223, 69)); // 3345 x 1035
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());

    QWidget *control = dialog.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &dialog);
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), caption);
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), spoken);
}

void tst_frmRegistry::tabOrderAndPasswordMask()
{
    Fixture f;
    frmRegistry dialog({ f.program.shared(), f.program.accounts(), f.program.passwords(), *f.boxes }, &f.window());
    const QList<QWidget *> order{ dialog.txtID, dialog.txtPW, dialog.cmdOK, dialog.cmdCANCEL,
                                  dialog.txtID };
    auto nextTabStop = [](QWidget *widget) {
        do
            widget = widget->nextInFocusChain();
        while ((widget->focusPolicy() & Qt::TabFocus) != Qt::TabFocus);
        return widget;
    };
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(nextTabStop(order[i]), order[i + 1]);

    QTest::keyClicks(dialog.txtPW, QStringLiteral("s3 cr!t"));
    QCOMPARE(dialog.txtPW->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.txtPW->displayText(), QStringLiteral("*******"));
    QVERIFY2(dialog.txtPW->text() == QStringLiteral("s3 cr!t"), "the typed password was not kept");
    QTest::keyClicks(dialog.txtID, QStringLiteral("taro"));
    QCOMPARE(dialog.txtID->displayText(), QStringLiteral("taro"));
}

void tst_frmRegistry::opensModalAtRememberedPosition_data()
{
    QTest::addColumn<bool>("alwaysOnTop");
    QTest::newRow("ordinary") << false;
    QTest::newRow("always on top") << true;
}

void tst_frmRegistry::opensModalAtRememberedPosition()
{
    QFETCH(bool, alwaysOnTop);
    Fixture f({ QStringLiteral("a") }, { QStringLiteral("pa") });
    if (alwaysOnTop)
        f.window().mnWindowPos->trigger();
    QCOMPARE(f.program.shared().alwaysOnTop, alwaysOnTop ? kVbTrue : kVbFalse);
    f.window().move(150, 90);

    QPointer<frmRegistry> seen;
    EntryDialogScript script([&](frmRegistry &dialog) {
        seen = &dialog;
        QCOMPARE(QApplication::activeModalWidget(), &dialog);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.pos(), QPoint(150, 90));
        QCOMPARE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint), alwaysOnTop);
        // The first tab stop takes the focus once the dialog is active.
        QTRY_COMPARE(QApplication::focusWidget(), dialog.txtID);
        // A press on the tray icon focuses the dialog instead of opening the menu.
        f.tray().Form_MouseMove(0, 0, float(WM_RBUTTONDOWN * 15), 0); // 15 twips a pixel at 96 dpi
        QVERIFY(!f.tray().mnLeft->isVisible());
        QTest::mouseClick(dialog.cmdCANCEL, Qt::LeftButton);
    });
    QTest::mouseClick(f.window().cmdNEW, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(!script.leftOpen());
    // Remembered in twips: 15 to the pixel at the test platform's 96 dpi.
    QCOMPARE(f.program.shared().rememberedLeft, 2250);
    QCOMPARE(f.program.shared().rememberedTop, 1350);
    // Each opening gets a fresh dialog that is gone once closed.
    QVERIFY(seen.isNull());
    QVERIFY(!anyEntryDialogExists());
}

void tst_frmRegistry::loadFillsFromSelectedSlot_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::newRow("modify row 1") << "cmdREGISTRY" << 1 << "b" << "pb";
    QTest::newRow("modify row 0") << "cmdREGISTRY" << 0 << "a" << "pa";
    QTest::newRow("add: first free slot") << "cmdNEW" << -1 << "" << "";
    QTest::newRow("add with a row selected") << "cmdNEW" << 0 << "" << "";
}

void tst_frmRegistry::loadFillsFromSelectedSlot()
{
    QFETCH(QString, button);
    QFETCH(int, row);
    QFETCH(QString, id);
    QFETCH(QString, password);

    Fixture f({ QStringLiteral("a"), QStringLiteral("b") }, { QStringLiteral("pa"), QStringLiteral("pb") });
    f.window().lbID->setCurrentRow(row);
    QString shownId, shownPassword;
    EntryDialogScript script([&](frmRegistry &dialog) {
        shownId = dialog.txtID->text();
        shownPassword = dialog.txtPW->text();
    });
    QTest::mouseClick(f.window().findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(script.ran());
    QCOMPARE(shownId, id);
    QVERIFY2(shownPassword == password, "the password box was not filled from the slot");
    QCOMPARE(f.program.shared().selectedSlot, qint16(button == "cmdNEW" ? 2 : row));
}

void tst_frmRegistry::okRefusesEmptyFields_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("both empty") << "" << "" << "IDを入力してください。";
    QTest::newRow("ID empty") << "" << "pw" << "IDを入力してください。";
    QTest::newRow("password empty") << "taro" << "" << "パスワードを入力してください。";
    // An ID of blanks would end the tray's menus of accounts at it.
    QTest::newRow("blank ID, password empty") << " " << "" << "IDを入力してください。";
    QTest::newRow("spaces") << "   " << "pw" << "IDを入力してください。";
    QTest::newRow("tab") << "\t" << "pw" << "IDを入力してください。";
    QTest::newRow("ideographic space") << "\u3000" << "pw" << "IDを入力してください。";
    QTest::newRow("blanks of each kind") << " \t\u3000 " << "pw" << "IDを入力してください。";
    QTest::newRow("a name between blanks is an ID") << "\u3000taro " << "" << "パスワードを入力してください。";
}

void tst_frmRegistry::okRefusesEmptyFields()
{
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(QString, message);

    Fixture f({ QStringLiteral("a") }, { QStringLiteral("pa") });
    const QByteArray before = f.sandbox.storeFileContents();
    bool stillOpen = false;
    EntryDialogScript script([&](frmRegistry &dialog) {
        enter(dialog, id, password);
        stillOpen = dialog.isVisible();
        QCOMPARE(dialog.txtID->text(), id);
    });
    QTest::mouseClick(f.window().cmdNEW, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(stillOpen);
    QCOMPARE(shownBoxes(*f.boxes), (QList<Box>{ { message, Buttons::Ok } }));
    QVERIFY2(f.sandbox.storeFileContents() == before, "the store changed");
    QCOMPARE(rows(f.window().lbID), QStringList{ "a" });
}

void tst_frmRegistry::cancelAtConfirmationKeepsInput()
{
    Fixture f({ QStringLiteral("a") }, { QStringLiteral("pa") });
    const QByteArray before = f.sandbox.storeFileContents();
    f.boxes->answers = { Answer::Cancel };
    bool keptInput = false;
    EntryDialogScript script([&](frmRegistry &dialog) {
        enter(dialog, QStringLiteral("jiro"), QStringLiteral("pj"));
        QVERIFY(dialog.isVisible());
        keptInput = dialog.txtID->text() == QStringLiteral("jiro")
                && dialog.txtPW->text() == QStringLiteral("pj");
        QVERIFY2(f.sandbox.storeFileContents() == before, "stored although the user cancelled");
        QCOMPARE(tableIds(f.program), QStringList{ "a" });
        // A second OK, confirmed this time, stores the same input: Return in a box presses OK.
        QTest::keyClick(dialog.txtPW, Qt::Key_Return);
    });
    QTest::mouseClick(f.window().cmdNEW, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(keptInput);
    QVERIFY(!script.leftOpen());
    QCOMPARE(shownBoxes(*f.boxes), (QList<Box>{ kConfirm, kConfirm }));
    QCOMPARE(rows(f.window().lbID), (QStringList{ "a", "jiro" }));
}

void tst_frmRegistry::closingWithoutOk_data()
{
    QTest::addColumn<bool>("useCancelButton");
    QTest::newRow("キャンセル") << true;
    QTest::newRow("frame close") << false;
}

void tst_frmRegistry::closingWithoutOk()
{
    QFETCH(bool, useCancelButton);

    Fixture f({ QStringLiteral("a"), QStringLiteral("b") }, { QStringLiteral("pa"), QStringLiteral("pb") });
    const QByteArray before = f.sandbox.storeFileContents();
    f.window().lbID->setCurrentRow(1);
    EntryDialogScript script([&](frmRegistry &dialog) {
        retype(dialog.txtID, QStringLiteral("changed"));
        retype(dialog.txtPW, QStringLiteral("changed"));
        if (useCancelButton)
            QTest::mouseClick(dialog.cmdCANCEL, Qt::LeftButton);
        else
            dialog.close();
    });
    QTest::mouseClick(f.window().cmdREGISTRY, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(!script.leftOpen());
    QVERIFY(f.boxes->shown.isEmpty());
    QVERIFY2(f.sandbox.storeFileContents() == before, "the store changed");
    QCOMPARE(tableIds(f.program), (QStringList{ "a", "b" }));
    QCOMPARE(rows(f.window().lbID), (QStringList{ "a", "b" }));
    // Nothing was stored: the list is as it was, its row still selected.
    QCOMPARE(selectedRow(f.window().lbID), 1);
    QVERIFY(!anyEntryDialogExists());
}

void tst_frmRegistry::addStoresAfterLastRow_data()
{
    QTest::addColumn<int>("accounts");
    QTest::newRow("empty list") << 0;
    QTest::newRow("98 accounts") << 98;
    QTest::newRow("99 accounts: the last slot") << 99;
}

void tst_frmRegistry::addStoresAfterLastRow()
{
    QFETCH(int, accounts);
    const QStringList ids = numbered("user", accounts);
    const QStringList passwords = numbered("pw", accounts);
    Fixture f(ids, passwords);
    f.window().lbID->setCurrentRow(accounts - 1);

    EntryDialogScript script([](frmRegistry &dialog) {
        enter(dialog, QStringLiteral("new.user"), QStringLiteral("new pw"));
    });
    QTest::mouseClick(f.window().cmdNEW, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(!script.leftOpen());

    const QStringList allIds = ids + QStringList{ "new.user" };
    const QStringList allPasswords = passwords + QStringList{ "new pw" };
    QCOMPARE(shownBoxes(*f.boxes), QList<Box>{ kConfirm });
    QCOMPARE(f.program.shared().selectedSlot, qint16(accounts));
    QCOMPARE(rows(f.window().lbID), allIds);
    // The account added is selected, its commands ready (the first one brings them back).
    QCOMPARE(selectedRow(f.window().lbID), accounts);
    QVERIFY(f.window().cmdLOGIN->isEnabled());
    QCOMPARE(f.window().SB->text(), QString());
    QCOMPARE(tableIds(f.program), allIds);
    QVERIFY2(tablePasswords(f.program, accounts + 1) == allPasswords, "table passwords differ");
    QCOMPARE(storedValues(f.sandbox, kIdSection, accounts + 1), allIds);
    QVERIFY2(storedValues(f.sandbox, kPwSection, accounts + 1) == allPasswords,
             "stored passwords differ");
    QCOMPARE(storedKeys(f.sandbox).size(), 2 * (accounts + 1));
    QCOMPARE(trayLogins(f.tray()), allIds);
}

void tst_frmRegistry::refusalsOpenNoDialog_data()
{
    QTest::addColumn<int>("accounts");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("add at 100") << 100 << 5 << "cmdNEW" << "IDを100個以上登録できません。";
    QTest::newRow("modify without selection") << 3 << -1 << "cmdREGISTRY" << "IDを選択してください。";
}

void tst_frmRegistry::refusalsOpenNoDialog()
{
    QFETCH(int, accounts);
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(QString, message);

    Fixture f(numbered("user", accounts), numbered("pw", accounts));
    f.window().lbID->setCurrentRow(row);
    f.program.shared().selectedSlot = 42;
    const QByteArray before = f.sandbox.storeFileContents();
    EntryDialogScript script([](frmRegistry &) {});
    QTest::mouseClick(f.window().findChild<QPushButton *>(button), Qt::LeftButton);
    QCoreApplication::processEvents();

    QVERIFY(!script.ran());
    QCOMPARE(shownBoxes(*f.boxes), (QList<Box>{ { message, Buttons::Ok } }));
    QCOMPARE(f.program.shared().selectedSlot, qint16(42));
    QVERIFY2(f.sandbox.storeFileContents() == before, "the store changed");
    QCOMPARE(f.window().lbID->count(), accounts);
    QCOMPARE(selectedRow(f.window().lbID), row);
}

void tst_frmRegistry::modifyToDuplicateId()
{
    Fixture f({ QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") },
              { QStringLiteral("pa"), QStringLiteral("pb"), QStringLiteral("pc") });
    f.window().lbID->setCurrentRow(2);
    EntryDialogScript script([](frmRegistry &dialog) {
        enter(dialog, QStringLiteral("a"), QStringLiteral("pa2"));
    });
    QTest::mouseClick(f.window().cmdREGISTRY, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(!script.leftOpen());

    QCOMPARE(shownBoxes(*f.boxes), QList<Box>{ kConfirm });
    QCOMPARE(rows(f.window().lbID), (QStringList{ "a", "b", "a" }));
    QCOMPARE(selectedRow(f.window().lbID), -1);
    QCOMPARE(storedValues(f.sandbox, kIdSection, 3), (QStringList{ "a", "b", "a" }));
    QVERIFY2(storedValues(f.sandbox, kPwSection, 3) == (QStringList{ "pa", "pb", "pa2" }),
             "stored passwords differ");
    QVERIFY2(tablePasswords(f.program, 3) == (QStringList{ "pa", "pb", "pa2" }),
             "table passwords differ");
    QCOMPARE(trayLogins(f.tray()), (QStringList{ "a", "b", "a" }));
}

// An account given another ID takes its login with it: the engine forgets the old ID. A new
// password alone changes nothing there.
void tst_frmRegistry::modifyForgetsTheOldId()
{
    Fixture f({ QStringLiteral("a"), QStringLiteral("b") }, { QStringLiteral("pa"), QStringLiteral("pb") });
    auto modify = [&f](int row, const QString &id, const QString &password) {
        f.window().lbID->setCurrentRow(row);
        EntryDialogScript script([&](frmRegistry &dialog) { enter(dialog, id, password); });
        QTest::mouseClick(f.window().cmdREGISTRY, Qt::LeftButton);
        return f.engine->forgotten;
    };
    QCOMPARE(modify(1, QStringLiteral("b"), QStringLiteral("pb2")), QStringList());
    QCOMPARE(modify(0, QStringLiteral("c"), QStringLiteral("pa")), QStringList{ "a" });
    QCOMPARE(rows(f.window().lbID), (QStringList{ "c", "b" }));
}

// A blank ID that the store already holds (written by hand) loads as it always did: listed,
// and ending the tray's menus of accounts.
void tst_frmRegistry::blankIdIsListedButEndsTrayMenus()
{
    Fixture f(QByteArray("[ID]\nID0=a\nID1=\" \"\nID2=c\n[PW]\nPW0=1\nPW1=2\nPW2=3\n"));
    QCOMPARE(rows(f.window().lbID), (QStringList{ "a", " ", "c" }));
    QCOMPARE(trayLogins(f.tray()), QStringList{ "a" });
}

void tst_frmRegistry::addIntoStoreWithGap()
{
    // Slot 3 is missing: the list stops at three accounts and slot 4 stays unread.
    Fixture f(QByteArray("[ID]\nID0=a\nID1=b\nID2=c\nID4=e\n[PW]\nPW0=1\nPW1=2\nPW2=3\nPW4=5\n"));
    QCOMPARE(rows(f.window().lbID), (QStringList{ "a", "b", "c" }));
    EntryDialogScript script([](frmRegistry &dialog) { enter(dialog, QStringLiteral("d"), QStringLiteral("4")); });
    QTest::mouseClick(f.window().cmdNEW, Qt::LeftButton);
    QVERIFY(script.ran());

    QCOMPARE(storedValues(f.sandbox, kIdSection, 5), (QStringList{ "a", "b", "c", "d", "e" }));
    // The tray, the table and the list all follow the store, "e" included.
    QCOMPARE(rows(f.window().lbID), (QStringList{ "a", "b", "c", "d", "e" }));
    QCOMPARE(trayLogins(f.tray()), (QStringList{ "a", "b", "c", "d", "e" }));
    QCOMPARE(tableIds(f.program), (QStringList{ "a", "b", "c", "d", "e" }));
}

void tst_frmRegistry::unwritableStoreKeepsDialogAndInput_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("slot");
    QTest::newRow("add") << "cmdNEW" << 2;
    QTest::newRow("modify") << "cmdREGISTRY" << 0;
}

void tst_frmRegistry::unwritableStoreKeepsDialogAndInput()
{
    QFETCH(QString, button);
    QFETCH(int, slot);

    Fixture f({ QStringLiteral("a"), QStringLiteral("b") }, { QStringLiteral("pa"), QStringLiteral("pb") });
    const QByteArray before = f.sandbox.storeFileContents();
    f.window().lbID->setCurrentRow(0);
    bool keptInput = false;
    EntryDialogScript script([&](frmRegistry &dialog) {
        {
            // The store fails while the dialog is open.
            StoreBlocker blocker(f.sandbox);
            enter(dialog, QStringLiteral("new"), QStringLiteral("new pw"));
            QVERIFY(dialog.isVisible());
            QCOMPARE(shownBoxes(*f.boxes), (QList<Box>{ kConfirm, kFailed }));
            keptInput = dialog.txtID->text() == QStringLiteral("new")
                    && dialog.txtPW->text() == QStringLiteral("new pw");
            QCOMPARE(tableIds(f.program), (QStringList{ "a", "b" }));
            QVERIFY2(tablePasswords(f.program, 3) == (QStringList{ "pa", "pb", "" }),
                     "the table took a password that the store lacks");
            QCOMPARE(trayLogins(f.tray()), (QStringList{ "a", "b" }));
        }
        QVERIFY2(f.sandbox.storeFileContents() == before, "the failed write changed the store");
        // Once the store takes writes again, OK stores what was typed.
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
    });
    QTest::mouseClick(f.window().findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(keptInput);
    QVERIFY(!script.leftOpen());

    QStringList ids{ "a", "b" };
    if (slot == ids.size())
        ids << QString();
    ids[slot] = QStringLiteral("new");
    QCOMPARE(shownBoxes(*f.boxes), (QList<Box>{ kConfirm, kFailed, kConfirm }));
    QCOMPARE(storedValues(f.sandbox, kIdSection, ids.size()), ids);
    QCOMPARE(rows(f.window().lbID), ids);
    QCOMPARE(tableIds(f.program), ids);
    QVERIFY(f.window().SB->text().isEmpty());
}

// The store written by hand while the dialog is open: a new account goes to the slot that is
// free at OK, and an account that changed meanwhile is written over only when the user says so.
void tst_frmRegistry::handEditDuringTheDialogIsKept_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("closed");
    QTest::newRow("新規登録 after a hand-added account")
            << "cmdNEW" << QList<Answer>{} << QStringList{ "a", "b", "hand", "typed" } << true;
    QTest::newRow("修正 of a changed account, confirmed")
            << "cmdREGISTRY" << QList<Answer>{ Answer::Ok, Answer::Ok } << QStringList{ "a", "typed" }
            << true;
    QTest::newRow("修正 of a changed account, declined")
            << "cmdREGISTRY" << QList<Answer>{ Answer::Ok, Answer::Cancel } << QStringList{ "a", "hand" }
            << false;
}

void tst_frmRegistry::handEditDuringTheDialogIsKept()
{
    QFETCH(QString, button);
    QFETCH(QList<Answer>, answers);
    QFETCH(QStringList, stored);
    QFETCH(bool, closed);
    const bool adding = button == QLatin1String("cmdNEW");

    Fixture f({ QStringLiteral("a"), QStringLiteral("b") }, { QStringLiteral("pa"), QStringLiteral("pb") });
    f.window().lbID->setCurrentRow(1);
    f.boxes->answers = answers;
    EntryDialogScript script([&](frmRegistry &dialog) {
        f.sandbox.seedAccounts(adding ? QStringList{ "a", "b", "hand" } : QStringList{ "a", "hand" },
                               { "pa", "pb", "ph" });
        enter(dialog, QStringLiteral("typed"), QStringLiteral("pt"));
    });
    QTest::mouseClick(f.window().findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(script.ran());

    QCOMPARE(!script.leftOpen(), closed);
    QList<Box> expected{ kConfirm };
    if (!adding)
        expected << kChangedMeanwhile;
    QCOMPARE(shownBoxes(*f.boxes), expected);
    QCOMPARE(storedValues(f.sandbox, kIdSection, stored.size() + 1), stored + QStringList{ "" });
    QCOMPARE(rows(f.window().lbID), stored);
}

QTEST_MAIN(tst_frmRegistry)
#include "tst_frmregistry.moc"
