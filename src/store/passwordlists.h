#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// How the slots' passwords make up the lists the keyring keeps, one list for each ID: the
// passwords of the slots that hold the ID, in slot order, so that a slot's password is the one
// at its place among the slots of its ID. Pure functions of the listed IDs.

// The lists of passwords, each under its ID.
using ListsById = QHash<QString, QStringList>;
// The keyring's values as read, each under its ID; an ID without a value is absent.
using ValuesById = QHash<QString, QString>;

// The slots 0 .. count - 1: the sources of a list that no change has touched.
QList<int> slotsUpTo(int count);
// The IDs without repeats, in the order of their first slots.
QStringList distinctIds(QStringList ids);
// How many slots hold the ID.
int slotsHolding(const QStringList &ids, const QString &id);
// The place of a slot among the slots that hold its ID.
int placeAmongSameId(const QStringList &ids, int slot);

// Each ID's list of the slots' passwords.
ListsById listsOf(const QStringList &ids, const QStringList &passwords);
// Each value's list that pairs with a store listing `ids` (see KeyringLayout); an ID without a
// value has an empty list.
ListsById listsPairedWith(const QStringList &ids, const QStringList &idsRead, const ValuesById &values);

// Each slot's password: the store's when it holds one (a password written there by hand is the
// user's newer word), else the one at its place in its ID's list.
QStringList passwordsFound(const QStringList &ids, const QStringList &stored, const ListsById &lists);
// The ID's list with the passwords the store holds for its slots put at their places, the list
// grown as far as they need.
QStringList listWithStored(const QString &id, const QStringList &ids, const QStringList &stored, QStringList list);
// The store's passwords once those that `moved` took elsewhere are emptied: a slot whose
// password is no longer the one moved (written again meanwhile) keeps it.
QStringList emptiedWhereMoved(const QStringList &moved, const QStringList &stored);
