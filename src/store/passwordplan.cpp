#include "store/passwordplan.h"

#include "store/passwordlists.h"

#include <algorithm>

namespace {

// The sources (in slot order) of the slots that hold the ID in a list of IDs.
QList<int> sourcesOfSlotsHolding(const QString &id, const QStringList &ids, const QList<int> &sources)
{
    QList<int> found;
    for (int slot = 0; slot < ids.size(); ++slot) {
        if (ids[slot] == id)
            found.append(sources[slot]);
    }
    return found;
}

} // namespace

QStringList PasswordPlan::changedIds() const
{
    QStringList ids;
    for (const ChangedList &list : changedLists)
        ids.append(list.id);
    return ids;
}

PasswordPlan planPasswordChange(const QStringList &idsBefore, const QStringList &idsAfter,
                                const QList<int> &sourcesAfter)
{
    Q_ASSERT(idsAfter.size() == sourcesAfter.size());
    const QList<int> sourcesBefore = slotsUpTo(int(idsBefore.size()));
    QStringList ids = idsBefore + idsAfter;
    ids.removeDuplicates();
    PasswordPlan plan;
    for (const QString &id : ids) {
        PasswordPlan::ChangedList list{ id, sourcesOfSlotsHolding(id, idsBefore, sourcesBefore),
                                        sourcesOfSlotsHolding(id, idsAfter, sourcesAfter) };
        if (list.before != list.after)
            plan.changedLists.append(list);
    }
    if (plan.changedLists.isEmpty())
        return plan;
    const bool countsChange = std::any_of(plan.changedLists.begin(), plan.changedLists.end(),
                                          [](const auto &list) { return list.countChanges(); });
    // The two ways a kill between the steps leaves each ID's passwords with its accounts (above).
    const bool safe = std::all_of(plan.changedLists.begin(), plan.changedLists.end(), [&](const auto &list) {
        return list.countChanges()
                || list.before == sourcesOfSlotsHolding(list.id, idsAfter, slotsUpTo(int(idsAfter.size())));
    });
    if (!safe)
        plan.steps = PasswordPlan::Steps::Refused;
    else
        plan.steps = countsChange ? PasswordPlan::Steps::BothListsFirst : PasswordPlan::Steps::ListsAfterFirst;
    return plan;
}
