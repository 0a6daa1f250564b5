#pragma once

#include "store/accountlist.h"
#include "store/accounttable.h"
#include "store/settingsstore.h"

#include <QObject>
#include <QString>
#include <QStringList>

// Whether an ID is blank: empty, or nothing but spaces, tabs and ideographic spaces (U+3000,
// which a Japanese input method types for a space).
bool isBlankId(const QString &id);

// The accounts: the running edition's column of the account table, kept in step with the
// settings store. Every change reaches the store first, in one step, and the table is then
// loaded from what the store holds; `changed` follows once the two agree, and only when the
// accounts read differ from those held: a view keeps its selection over a reload that found
// the same accounts.
//
// The store is the truth: the file may be written by hand while the program runs, so a command
// that acts on the accounts calls refresh() first, which loads them again when the store may
// have changed since they were loaded (always, where the store gives no sign of its changes).
// A change is worked out over the list the command acted on, and the store takes it only while
// it still holds that list (change()): a hand edit is never written over.
class Accounts : public QObject
{
    Q_OBJECT
public:
    // The accounts of the edition that `editionCode` names: its settings application and its
    // column of the table.
    Accounts(SettingsStore &store, AccountTable &table, qint16 editionCode, QObject *parent = nullptr);

    // Loads the listed accounts from the store: slot after slot up to the first without an ID.
    // Every slot past that one is emptied in the table, so that no view offers an account the
    // list does not show. Emits `changed` and returns true when any ID or password differs
    // from what was held.
    bool reload();
    // Loads them again when the store may have changed since they were loaded; true when the
    // accounts did change. A store that cannot be read now is no change: the accounts stay as
    // they were loaded.
    bool refresh();

    // How many accounts are listed: slots 0 .. count() - 1.
    int count() const { return m_count; }
    QString id(qint16 slot) const { return m_table.id(m_edition, slot); }
    QString password(qint16 slot) const { return m_table.password(m_edition, slot); }
    QString application() const { return SettingsAppName(m_edition); }
    // The listed IDs, in slot order.
    QStringList ids() const;
    // The listed accounts as they were loaded: what a command acts on.
    AccountList list() const;
    // A lasting sign of what the store held when the accounts were loaded, to tell at a later
    // start whether it has been written since; empty where the store gives no such sign.
    QString loadedStamp() const;

    enum class Outcome {
        Written,
        // The store no longer held the list the change was worked out over, or only the
        // account it replaces was changed meanwhile: nothing was written, and the accounts are
        // loaded again.
        ListChanged,
        AccountChanged,
        // The store did not take the change, or it is out of the list's reach.
        Failed,
    };
    // The one way the list is written: the change reaches the store, in one step, only if the
    // store, read again at the moment of writing, still holds what the change depends on (see
    // stalenessOf).
    Outcome change(const ListChange &change);
    // Whether the store, read now, still holds what the change depends on; nothing is written.
    Staleness stalenessNow(const ListChange &change);

signals:
    // The accounts (and the table) now hold what the store holds.
    void changed();

private:
    SettingsStore &m_store;
    AccountTable &m_table;
    qint16 m_edition;
    int m_count = 0;
    SettingsStore::Stamp m_loaded;
};
