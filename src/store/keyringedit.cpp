#include "store/keyringedit.h"

#include "store/accounts.h"
#include "store/keyringjournal.h"
#include "store/passwordlists.h"

// The plan reads the change's sources as they are.
static_assert(ListChange::kNewPassword == PasswordPlan::kTypedPassword);

KeyringEdit::KeyringEdit(Uses uses, ListChange change, QObject *parent)
    : QObject(parent)
    , m_uses(uses)
    , m_change(std::move(change))
    , m_plan(planPasswordChange(m_change.seen.ids, m_change.idsAfter, m_change.sourcesAfter))
    , m_storeSide(m_change)
{
    const QStringList changedIds = m_plan.changedIds();
    for (int slot = 0; slot < m_change.seen.size(); ++slot) {
        if (changedIds.contains(m_change.seen.ids[slot]))
            m_storeSide.read.append(slot);
    }
    for (int slot = 0; slot < m_change.idsAfter.size(); ++slot) {
        if (changedIds.contains(m_change.idsAfter[slot]) || m_change.sourcesAfter[slot] == ListChange::kNewPassword)
            m_storeSide.emptiedAfter.append(slot);
    }
}

void KeyringEdit::start()
{
    switch (m_plan.steps) {
    case PasswordPlan::Steps::Refused:
        // A kill between its steps could pair passwords with other accounts: nothing is
        // written, and the change is reported as one the store did not take.
        return finish(PasswordProblem::NotStored);
    case PasswordPlan::Steps::StoreOnly:
        return finish(writeStore());
    case PasswordPlan::Steps::ListsAfterFirst:
    case PasswordPlan::Steps::BothListsFirst:
        break;
    }
    readLists();
}

void KeyringEdit::readLists()
{
    m_uses.values.read(m_plan.changedIds(), KeyringValues::Unmarked::Mark,
                       [this](PasswordProblem problem, const ValuesById &values) {
        // The store may have been written by hand while the keyring was read (its unlock
        // prompt waits for the user): the keyring is written only for the list the change was
        // worked out over.
        if (problem == PasswordProblem::None)
            problem = problemOf(m_uses.accounts.stalenessNow(m_storeSide));
        if (problem != PasswordProblem::None)
            return finish(problem);
        workOutValues(values);
        writeValues();
    });
}

void KeyringEdit::workOutValues(const ValuesById &values)
{
    // Each slot's password before the change (one written into the store by hand first), and
    // after it.
    const AccountList &seen = m_change.seen;
    const QStringList before =
            passwordsFound(seen.ids, seen.passwords, listsPairedWith(seen.ids, m_plan.changedIds(), values));
    QStringList after;
    for (int slot = 0; slot < m_change.idsAfter.size(); ++slot) {
        const int source = m_change.sourcesAfter[slot];
        after.append(source == ListChange::kNewPassword ? m_change.newPasswords[slot] : before.value(source));
    }
    const ListsById listsBefore = listsOf(seen.ids, before);
    const ListsById listsAfter = listsOf(m_change.idsAfter, after);
    for (const PasswordPlan::ChangedList &list : m_plan.changedLists) {
        const QString key = m_uses.values.layout().keyOf(list.id);
        const QStringList listBefore = listsBefore.value(list.id);
        const QStringList listAfter = listsAfter.value(list.id);
        if (list.countChanges()) {
            m_countChanging.append(list.id);
            m_valuesFirst.append({ key, KeyringLayout::valueDuringChange(listAfter, listBefore) });
        } else {
            m_valuesFirst.append({ key, KeyringLayout::valueOf(listAfter) });
            m_valuesBeforeOfSameSlots.append({ key, KeyringLayout::valueOf(listBefore) });
        }
    }
}

void KeyringEdit::writeValues()
{
    KeyringJournal &journal = m_uses.journal;
    if (!m_countChanging.isEmpty() && !journal.setUnsettledIds(distinctIds(journal.unsettledIds() + m_countChanging)))
        return finish(PasswordProblem::NotStored);
    m_uses.values.write(m_valuesFirst, [this](PasswordProblem problem) {
        if (problem == PasswordProblem::None)
            problem = writeStore();
        // Each value keeps the one list that pairs with the store now: those with both lists by
        // the store's count, the others by being written back to their lists before if the store
        // did not take the change. (If the keyring refuses that too, the next change or read of
        // those IDs works from what it holds.)
        const auto settle = [this, problem] {
            if (m_countChanging.isEmpty())
                return finish(problem);
            m_uses.values.settle(
                    [this] {
                        m_uses.accounts.refresh();
                        return m_uses.accounts.ids();
                    },
                    [this, problem](PasswordProblem) { finish(problem); });
        };
        if (problem == PasswordProblem::None || m_valuesBeforeOfSameSlots.isEmpty())
            return settle();
        m_uses.values.write(m_valuesBeforeOfSameSlots, [settle](PasswordProblem) { settle(); });
    });
}

PasswordProblem KeyringEdit::writeStore()
{
    return problemOf(m_uses.accounts.change(m_storeSide));
}

void KeyringEdit::finish(PasswordProblem problem)
{
    emit completed(problem);
    deleteLater();
}
