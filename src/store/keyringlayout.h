#pragma once

#include <QString>
#include <QStringList>

// How the passwords are laid out in the keyring: the keys, the mark and the values.
//
// An ID's passwords are one value under the key "<application>/<ID>": the passwords of the
// slots that hold that ID, in slot order. A slot's password is the one at its place among the
// slots of its ID. So moving or removing accounts of other IDs never touches it, and two slots
// of the same ID keep theirs apart. The value is JSON: {"passwords": [...]}, null for a slot
// without a password. While a change of the ID's slots is under way, it also holds the list
// from before the change ("before"), and the store's count of slots holding the ID tells which
// of the two lists pairs with the store (see PasswordPlan).
//
// Beside the values, a mark under "<application>" shows that the keyring holds the passwords,
// and "<application>.probe" is written and removed only to learn whether the keyring is locked.
class KeyringLayout
{
public:
    explicit KeyringLayout(const QString &application);

    // The key of an ID's value: "<application>/<ID>".
    QString keyOf(const QString &id) const;
    // The ID whose value is kept under the key; empty for the mark and the probe.
    QString idOfKey(const QString &key) const;
    // The key of the mark that shows the keyring holds this edition's passwords: "<application>".
    QString markKey() const;
    // The key written to learn whether the keyring is locked; never an ID's.
    QString probeKey() const;

    // What the mark holds, and the probe.
    static QString markValue();
    static QString probeValue();
    // An ID's value with its list of passwords.
    static QString valueOf(const QStringList &passwords);
    // An ID's value while a change of its slots is under way: its lists after and before it.
    static QString valueDuringChange(const QStringList &after, const QStringList &before);
    // The list in an ID's value that pairs with the store, which lists the ID in
    // `slotsHoldingId` slots: while a change is under way, the count tells whether the change
    // has reached the store.
    static QStringList listPairedWithStore(const QString &value, int slotsHoldingId);

private:
    QString m_application;
};
