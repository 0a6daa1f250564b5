#include "store/accounts.h"

bool isBlankId(const QString &id)
{
    for (const QChar c : id) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QChar(0x3000))
            return false;
    }
    return true;
}

Accounts::Accounts(SettingsStore &store, AccountTable &table, qint16 editionCode, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_table(table)
    , m_edition(editionCode)
{
}

bool Accounts::reload()
{
    const QString application = this->application();
    m_loaded = m_store.stamp(application);
    const AccountList listed = listedIn(
            [&](const QString &section, const QString &key) {
                return std::optional(m_store.read(application, section, key));
            },
            AccountTable::kSlots);
    bool differs = false;
    for (qint16 slot = 0; slot < AccountTable::kSlots; ++slot) {
        const QString id = listed.ids.value(slot);
        const QString password = listed.passwords.value(slot);
        if (id != this->id(slot) || password != this->password(slot)) {
            m_table.set(m_edition, slot, id, password);
            differs = true;
        }
    }
    m_count = listed.size();
    if (differs)
        emit changed();
    return differs;
}

QStringList Accounts::ids() const
{
    QStringList ids;
    for (qint16 slot = 0; slot < m_count; ++slot)
        ids.append(id(slot));
    return ids;
}

AccountList Accounts::list() const
{
    AccountList list;
    for (qint16 slot = 0; slot < m_count; ++slot) {
        list.ids.append(id(slot));
        list.passwords.append(password(slot));
    }
    return list;
}

QString Accounts::loadedStamp() const
{
    const PrivateFile::Identity &file = m_loaded.file;
    // The registry's stamps are serial numbers of one run.
    if (m_loaded.serial != 0 || !file.exists)
        return QString();
    return QStringLiteral("%1:%2:%3:%4:%5").arg(file.device).arg(file.inode).arg(file.size).arg(file.modifiedNs).arg(file.changedNs);
}

bool Accounts::refresh()
{
    const SettingsStore::Stamp now = m_store.stamp(application());
    if (now == m_loaded || !now.readable)
        return false;
    return reload();
}

Accounts::Outcome Accounts::change(const ListChange &change)
{
    if (!change.inReach)
        return Outcome::Failed;
    const AccountList after = change.after();
    QList<SettingsStore::SlotWrite> writes;
    for (const int slot : change.writtenSlots())
        writes.append({ slot, after.ids[slot], after.passwords[slot] });
    // Slots the change leaves empty lose their keys; all of it reaches the store as one step,
    // so an interruption never leaves an account missing or listed twice.
    QList<int> removed;
    for (int slot = after.size(); slot < change.seen.size(); ++slot)
        removed.append(slot);
    const auto holds = [&change](const SettingsStore::Reader &read) {
        return stalenessOf(change, listedIn(read, AccountTable::kSlots)) == Staleness::None;
    };
    switch (m_store.writeSlotsIf(application(), holds, writes, removed)) {
    case SettingsStore::Commit::Written:
        reload();
        return Outcome::Written;
    case SettingsStore::Commit::Refused:
        reload();
        return stalenessOf(change, list()) == Staleness::Account ? Outcome::AccountChanged : Outcome::ListChanged;
    case SettingsStore::Commit::Failed:
        break;
    }
    return Outcome::Failed;
}

Staleness Accounts::stalenessNow(const ListChange &change)
{
    refresh();
    return stalenessOf(change, list());
}
