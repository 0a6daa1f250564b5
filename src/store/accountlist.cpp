#include "store/accountlist.h"

#include "store/passwordlists.h"
#include "store/settingsstore.h"

#include <algorithm>

ListChange ListChange::keep(const AccountList &seen)
{
    return { seen, seen.ids, slotsUpTo(seen.size()), QStringList(seen.size()), {}, {}, true };
}

AccountList listedIn(const std::function<std::optional<QString>(const QString &, const QString &)> &read, int capacity)
{
    AccountList list;
    for (int slot = 0; slot < capacity; ++slot) {
        const QString id = read(kIdSection, idKey(slot)).value_or(QString());
        if (id.isEmpty())
            break;
        list.ids.append(id);
        list.passwords.append(read(kPwSection, pwKey(slot)).value_or(QString()));
    }
    return list;
}

ListChange ListChange::put(const AccountList &seen, int slot, const QString &id, const QString &password, int capacity)
{
    ListChange change = keep(seen);
    change.inReach = slot >= 0 && (slot < seen.size() || seen.size() < capacity);
    if (!change.inReach)
        return change;
    if (slot >= seen.size()) {
        change.idsAfter.append(id);
        change.sourcesAfter.append(kNewPassword);
        change.newPasswords.append(password);
        return change;
    }
    // The account replaced is the one the command showed.
    change.idsAfter[slot] = id;
    change.sourcesAfter[slot] = kNewPassword;
    change.newPasswords[slot] = password;
    change.read.append(slot);
    return change;
}

ListChange ListChange::remove(const AccountList &seen, int slot)
{
    ListChange change = keep(seen);
    change.inReach = slot >= 0 && slot < seen.size();
    if (change.inReach) {
        change.idsAfter.removeAt(slot);
        change.sourcesAfter.removeAt(slot);
        change.newPasswords.removeAt(slot);
    }
    return change;
}

ListChange ListChange::swapWithNext(const AccountList &seen, int slot)
{
    ListChange change = keep(seen);
    change.inReach = slot >= 0 && slot + 1 < seen.size();
    if (change.inReach) {
        change.idsAfter.swapItemsAt(slot, slot + 1);
        change.sourcesAfter.swapItemsAt(slot, slot + 1);
    }
    return change;
}

ListChange ListChange::passwords(const AccountList &seen, const QStringList &passwords)
{
    ListChange change = keep(seen);
    change.inReach = passwords.size() == seen.size();
    if (change.inReach) {
        change.sourcesAfter.fill(kNewPassword);
        change.newPasswords = passwords;
        change.read = slotsUpTo(seen.size());
    }
    return change;
}

ListChange ListChange::takeIn(const AccountList &seen, const QMap<int, QString> &newPasswords,
                              const AccountList &added, int capacity)
{
    ListChange change = keep(seen);
    change.inReach = seen.size() + added.size() <= capacity
            && std::all_of(newPasswords.keyBegin(), newPasswords.keyEnd(),
                           [&seen](int slot) { return slot >= 0 && slot < seen.size(); });
    if (!change.inReach)
        return change;
    for (auto password = newPasswords.cbegin(); password != newPasswords.cend(); ++password) {
        change.sourcesAfter[password.key()] = kNewPassword;
        change.newPasswords[password.key()] = password.value();
        change.read.append(password.key());
    }
    change.idsAfter += added.ids;
    change.newPasswords += added.passwords;
    for (int slot = 0; slot < added.size(); ++slot)
        change.sourcesAfter.append(kNewPassword);
    return change;
}

AccountList ListChange::after() const
{
    AccountList list{ idsAfter, {} };
    for (int slot = 0; slot < idsAfter.size(); ++slot) {
        const int source = sourcesAfter[slot];
        if (emptiedAfter.contains(slot))
            list.passwords.append(QString());
        else
            list.passwords.append(source == kNewPassword ? newPasswords[slot] : seen.passwords.value(source));
    }
    return list;
}

QList<int> ListChange::writtenSlots() const
{
    const AccountList list = after();
    QList<int> written;
    for (int slot = 0; slot < list.size(); ++slot) {
        if (slot >= seen.size() || list.ids[slot] != seen.ids[slot] || list.passwords[slot] != seen.passwords[slot])
            written.append(slot);
    }
    return written;
}

Staleness stalenessOf(const ListChange &change, const AccountList &stored)
{
    const AccountList &seen = change.seen;
    if (stored.size() != seen.size())
        return Staleness::List;
    // The passwords the change depends on: those it read, and those it carries to a slot it
    // writes.
    QList<bool> depends(seen.size(), false);
    for (const int slot : change.read)
        depends[slot] = true;
    for (const int slot : change.writtenSlots()) {
        const int source = change.sourcesAfter[slot];
        if (source != ListChange::kNewPassword)
            depends[source] = true;
    }
    Staleness staleness = Staleness::None;
    for (int slot = 0; slot < seen.size(); ++slot) {
        if (stored.ids[slot] == seen.ids[slot] && (!depends[slot] || stored.passwords[slot] == seen.passwords[slot]))
            continue;
        // A slot the change gives an account of its own, ID and password, may have been changed
        // on its own; any other difference moves the accounts under the change.
        const bool replaced = slot < change.idsAfter.size() && change.sourcesAfter[slot] == ListChange::kNewPassword
                && std::count(change.sourcesAfter.begin(), change.sourcesAfter.end(), slot) == 0;
        if (!replaced)
            return Staleness::List;
        staleness = Staleness::Account;
    }
    return staleness;
}
