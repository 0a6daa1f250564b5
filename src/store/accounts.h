#pragma once

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
// A hand edit is then never written over.
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

    // Stores an account in a listed slot, or, for any slot past them, in the first free one.
    // False when the store did not take it; nothing has changed then.
    bool put(qint16 slot, const QString &id, const QString &password);
    // Removes a listed account; every one after it moves up a slot. False when the store did
    // not take it (or there is no such account); nothing has changed then.
    bool remove(qint16 slot);
    // Exchanges two neighbouring listed accounts, `slot` and `slot + 1`.
    bool swapWithNext(qint16 slot);
    // Gives every listed account a new password, in one step: `passwords` in slot order. False,
    // with nothing changed, when the listed IDs are no longer `ids`.
    bool setPasswords(const QStringList &ids, const QStringList &passwords);

signals:
    // The accounts (and the table) now hold what the store holds.
    void changed();

private:
    bool isListed(int slot) const { return slot >= 0 && slot < m_count; }
    bool write(const QList<SettingsStore::SlotWrite> &writes, const QList<int> &removedSlots);

    SettingsStore &m_store;
    AccountTable &m_table;
    qint16 m_edition;
    int m_count = 0;
    SettingsStore::Stamp m_loaded;
};
