#include "store/passwordlists.h"

#include "store/keyringlayout.h"

#include <numeric>

QList<int> slotsUpTo(int count)
{
    QList<int> numbers(count);
    std::iota(numbers.begin(), numbers.end(), 0);
    return numbers;
}

QStringList distinctIds(QStringList ids)
{
    ids.removeDuplicates();
    return ids;
}

int slotsHolding(const QStringList &ids, const QString &id)
{
    return int(ids.count(id));
}

int placeAmongSameId(const QStringList &ids, int slot)
{
    return int(ids.mid(0, slot).count(ids.value(slot)));
}

ListsById listsOf(const QStringList &ids, const QStringList &passwords)
{
    ListsById lists;
    for (int slot = 0; slot < ids.size(); ++slot)
        lists[ids[slot]].append(passwords.value(slot));
    return lists;
}

ListsById listsPairedWith(const QStringList &ids, const QStringList &idsRead, const ValuesById &values)
{
    ListsById lists;
    for (const QString &id : idsRead) {
        const auto value = values.constFind(id);
        lists.insert(id, value == values.cend() ? QStringList()
                                                : KeyringLayout::listPairedWithStore(*value, slotsHolding(ids, id)));
    }
    return lists;
}

QStringList passwordsFound(const QStringList &ids, const QStringList &stored, const ListsById &lists)
{
    QStringList passwords;
    for (int slot = 0; slot < ids.size(); ++slot) {
        const QString &own = stored.value(slot);
        passwords.append(own.isEmpty() ? lists.value(ids[slot]).value(placeAmongSameId(ids, slot)) : own);
    }
    return passwords;
}

QStringList listWithStored(const QString &id, const QStringList &ids, const QStringList &stored, QStringList list)
{
    for (int slot = 0; slot < ids.size(); ++slot) {
        if (ids[slot] != id || stored.value(slot).isEmpty())
            continue;
        const int place = placeAmongSameId(ids, slot);
        while (list.size() <= place)
            list.append(QString());
        list[place] = stored[slot];
    }
    return list;
}

QStringList emptiedWhereMoved(const QStringList &moved, const QStringList &stored)
{
    QStringList left;
    for (int slot = 0; slot < stored.size(); ++slot)
        left.append(stored[slot] == moved.value(slot) ? QString() : stored[slot]);
    return left;
}
