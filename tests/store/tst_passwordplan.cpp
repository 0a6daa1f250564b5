// The plan of a change of the listed accounts while the keyring keeps the passwords: which IDs'
// lists change, from which slots, and in which steps, or that the change is refused. Beside it,
// the rule by which the store takes a change (only over the list it was worked out over), and
// each slot's password found from the store and its ID's list.
#include "store/accountlist.h"
#include "store/passwordlists.h"
#include "store/passwordplan.h"

#include <QTest>

namespace {

using Steps = PasswordPlan::Steps;

QString nameOf(Steps steps)
{
    switch (steps) {
    case Steps::StoreOnly:
        return QStringLiteral("store only");
    case Steps::ListsAfterFirst:
        return QStringLiteral("lists after first");
    case Steps::BothListsFirst:
        return QStringLiteral("both lists first");
    case Steps::Refused:
        break;
    }
    return QStringLiteral("refused");
}

// "ann: 0 2 > 2 +": the slots whose passwords make up the list before and after, "+" for the
// password the change brings, "-" for no slot.
QString describe(const PasswordPlan::ChangedList &list)
{
    auto sources = [](const QList<int> &sources) {
        QStringList words;
        for (const int source : sources)
            words.append(source == PasswordPlan::kTypedPassword ? QStringLiteral("+") : QString::number(source));
        return words.isEmpty() ? QStringLiteral("-") : words.join(QLatin1Char(' '));
    };
    return list.id + QStringLiteral(": ") + sources(list.before) + QStringLiteral(" > ") + sources(list.after);
}

} // namespace

class tst_PasswordPlan : public QObject
{
    Q_OBJECT
private slots:
    void eachChangedIdGetsItsListsAndSteps_data();
    void eachChangedIdGetsItsListsAndSteps();
    void aChangeHoldsOnlyOverTheListItWasWorkedOutOver_data();
    void aChangeHoldsOnlyOverTheListItWasWorkedOutOver();
    void eachSlotFindsItsPassword_data();
    void eachSlotFindsItsPassword();
};

void tst_PasswordPlan::eachChangedIdGetsItsListsAndSteps_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QList<int>>("sources");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("lists");
    const QStringList listed{ "ann", "bob", "ann", "cy" };
    constexpr int typed = PasswordPlan::kTypedPassword;

    QTest::newRow("add a new ID") << QStringList{ "ann", "bob" } << QStringList{ "ann", "bob", "cy" }
                                  << QList<int>{ 0, 1, typed } << "both lists first" << QStringList{ "cy: - > +" };
    QTest::newRow("add a listed ID") << QStringList{ "ann", "bob" } << QStringList{ "ann", "bob", "ann" }
                                     << QList<int>{ 0, 1, typed } << "both lists first"
                                     << QStringList{ "ann: 0 > 0 +" };
    QTest::newRow("delete the first slot") << listed << QStringList{ "bob", "ann", "cy" } << QList<int>{ 1, 2, 3 }
                                           << "both lists first" << QStringList{ "ann: 0 2 > 2" };
    QTest::newRow("delete the last slot") << listed << QStringList{ "ann", "bob", "ann" } << QList<int>{ 0, 1, 2 }
                                          << "both lists first" << QStringList{ "cy: 3 > -" };
    QTest::newRow("delete one of three slots of an ID")
            << QStringList{ "ann", "bob", "ann", "ann" } << listed.first(3) << QList<int>{ 0, 1, 3 }
            << "both lists first" << QStringList{ "ann: 0 2 3 > 0 3" };
    QTest::newRow("edit the ID") << listed << QStringList{ "ann", "cy", "ann", "cy" } << QList<int>{ 0, typed, 2, 3 }
                                 << "both lists first" << QStringList{ "bob: 1 > -", "cy: 3 > + 3" };
    QTest::newRow("edit the ID of the last slot to a new one")
            << listed << QStringList{ "ann", "bob", "ann", "dan" } << QList<int>{ 0, 1, 2, typed }
            << "both lists first" << QStringList{ "cy: 3 > -", "dan: - > +" };
    QTest::newRow("edit the password of a duplicate") << listed << listed << QList<int>{ 0, 1, typed, 3 }
                                                      << "lists after first" << QStringList{ "ann: 0 2 > 0 +" };
    QTest::newRow("edit the password of the first slot") << listed << listed << QList<int>{ typed, 1, 2, 3 }
                                                         << "lists after first" << QStringList{ "ann: 0 2 > + 2" };
    // Accounts taken in from a file: an ID added and a listed one's password, each list safe on
    // its own.
    QTest::newRow("add an ID and give another a new password")
            << listed << QStringList{ "ann", "bob", "ann", "cy", "dan" } << QList<int>{ 0, typed, 2, 3, typed }
            << "both lists first" << QStringList{ "bob: 1 > +", "dan: - > +" };
    QTest::newRow("remove one ID and give a duplicate a new password")
            << listed << QStringList{ "ann", "bob", "ann" } << QList<int>{ typed, 1, 2 } << "both lists first"
            << QStringList{ "ann: 0 2 > + 2", "cy: 3 > -" };
    QTest::newRow("move up past another ID") << listed << QStringList{ "bob", "ann", "ann", "cy" }
                                             << QList<int>{ 1, 0, 2, 3 } << "store only" << QStringList{};
    QTest::newRow("move down onto the last slot") << listed << QStringList{ "ann", "bob", "cy", "ann" }
                                                  << QList<int>{ 0, 1, 3, 2 } << "store only" << QStringList{};
    QTest::newRow("move down past the same ID")
            << QStringList{ "ann", "ann", "bob" } << QStringList{ "ann", "ann", "bob" } << QList<int>{ 1, 0, 2 }
            << "lists after first" << QStringList{ "ann: 0 1 > 1 0" };
    // A count that is the same before and after cannot tell the two lists apart, and a list
    // written first for slots that move no longer pairs with the store before its change.
    QTest::newRow("move to the top past other IDs") << listed << QStringList{ "ann", "ann", "bob", "cy" }
                                                    << QList<int>{ 2, 0, 1, 3 } << "refused"
                                                    << QStringList{ "ann: 0 2 > 2 0" };
    QTest::newRow("delete and exchange at once") << QStringList{ "ann", "bob", "bob" } << QStringList{ "bob", "bob" }
                                                 << QList<int>{ 2, 1 } << "refused"
                                                 << QStringList{ "ann: 0 > -", "bob: 1 2 > 2 1" };
}

void tst_PasswordPlan::eachChangedIdGetsItsListsAndSteps()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QList<int>, sources);
    QFETCH(QString, steps);
    QFETCH(QStringList, lists);
    const PasswordPlan plan = planPasswordChange(before, after, sources);
    QStringList described;
    for (const PasswordPlan::ChangedList &list : plan.changedLists)
        described.append(describe(list));
    QCOMPARE(described, lists);
    QCOMPARE(nameOf(plan.steps), steps);
}

// Over a, b, c (passwords pa, pb, pc), a command's change against the store as it is at the
// moment of writing: "none" takes the change, "account" refuses it as an account replaced that
// was changed on its own, "list" refuses it as made over accounts no longer where they were.
void tst_PasswordPlan::aChangeHoldsOnlyOverTheListItWasWorkedOutOver_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<QString>("staleness");
    const QStringList ids{ "a", "b", "c" };
    const QStringList passwords{ "pa", "pb", "pc" };
    const QStringList zedOnTop{ "zed", "a", "b", "c" };
    const QStringList zedsPassword{ "pz", "pa", "pb", "pc" };

    QTest::newRow("削除 over the same store") << "remove" << 1 << ids << passwords << "none";
    QTest::newRow("削除 after an account added at the top") << "remove" << 1 << zedOnTop << zedsPassword << "list";
    QTest::newRow("削除 after the account deleted renamed") << "remove" << 1 << QStringList{ "a", "b2", "c" }
                                                         << passwords << "list";
    QTest::newRow("削除 after a password it moves up changed") << "remove" << 1 << ids
                                                           << QStringList{ "pa", "pb", "pc2" } << "list";
    QTest::newRow("削除 after a password above it changed") << "remove" << 1 << ids
                                                        << QStringList{ "pa2", "pb", "pc" } << "none";
    QTest::newRow("▼ after a password it exchanges changed") << "swap" << 0 << ids
                                                          << QStringList{ "pa", "pb2", "pc" } << "list";
    QTest::newRow("修正 after its account's password changed") << "put" << 1 << ids
                                                           << QStringList{ "pa", "pb2", "pc" } << "account";
    QTest::newRow("修正 after its account renamed") << "put" << 1 << QStringList{ "a", "b2", "c" } << passwords
                                                << "account";
    QTest::newRow("修正 after another's password changed") << "put" << 1 << ids << QStringList{ "pa", "pb", "pc2" }
                                                       << "none";
    QTest::newRow("修正 after an account added at the top") << "put" << 1 << zedOnTop << zedsPassword << "list";
    QTest::newRow("修正 after an account deleted") << "put" << 1 << ids.first(2) << passwords.first(2) << "list";
    QTest::newRow("新規登録 after an account added at the end") << "put" << 3 << QStringList{ "a", "b", "c", "d" }
                                                          << QStringList{ "pa", "pb", "pc", "pd" } << "list";
    QTest::newRow("a move after a password changed") << "passwords" << 0 << ids << QStringList{ "pa", "pb", "pc2" }
                                                     << "account";
}

void tst_PasswordPlan::aChangeHoldsOnlyOverTheListItWasWorkedOutOver()
{
    QFETCH(QString, change);
    QFETCH(int, slot);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, passwords);
    QFETCH(QString, staleness);
    const AccountList seen{ { "a", "b", "c" }, { "pa", "pb", "pc" } };
    ListChange made;
    if (change == QLatin1String("remove"))
        made = ListChange::remove(seen, slot);
    else if (change == QLatin1String("swap"))
        made = ListChange::swapWithNext(seen, slot);
    else if (change == QLatin1String("put"))
        made = ListChange::put(seen, slot, "new", "typed", 100);
    else
        made = ListChange::passwords(seen, { "", "", "" });
    const char *const names[] = { "none", "account", "list" };
    QCOMPARE(QString::fromLatin1(names[int(stalenessOf(made, { ids, passwords }))]), staleness);
}

// Each slot's password, from the store's (written there by hand: the newer word) or, without
// one, from the place of the slot among those of its ID in the ID's list.
void tst_PasswordPlan::eachSlotFindsItsPassword_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("annList");
    QTest::addColumn<QStringList>("found");
    const QStringList none{ "", "", "", "" };
    QTest::newRow("each from its place in its ID's list") << none << QStringList{ "a1", "a2", "a3" }
                                                       << QStringList{ "a1", "b1", "a2", "a3" };
    QTest::newRow("one written by hand first") << QStringList{ "", "", "h", "" } << QStringList{ "a1", "a2", "a3" }
                                              << QStringList{ "a1", "b1", "h", "a3" };
    QTest::newRow("a list shorter than the ID's slots") << none << QStringList{ "a1" }
                                                       << QStringList{ "a1", "b1", "", "" };
    QTest::newRow("an ID without a list") << none << QStringList{} << QStringList{ "", "b1", "", "" };
}

void tst_PasswordPlan::eachSlotFindsItsPassword()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, annList);
    QFETCH(QStringList, found);
    const QStringList ids{ "ann", "bob", "ann", "ann" };
    ListsById lists{ { "bob", { "b1" } } };
    if (!annList.isEmpty())
        lists.insert("ann", annList);
    QCOMPARE(passwordsFound(ids, stored, lists), found);
}

QTEST_GUILESS_MAIN(tst_PasswordPlan)

#include "tst_passwordplan.moc"
