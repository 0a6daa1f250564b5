// The plan of a change of the listed accounts while the keyring keeps the passwords: which IDs'
// lists change, from which slots, and in which steps, or that the change is refused.
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

QTEST_GUILESS_MAIN(tst_PasswordPlan)

#include "tst_passwordplan.moc"
