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
    int count = 0;
    bool differs = false;
    bool listed = true;
    for (qint16 slot = 0; slot < AccountTable::kSlots; ++slot) {
        QString id;
        QString password;
        if (listed) {
            id = m_store.read(application, kIdSection, idKey(slot));
            password = m_store.read(application, kPwSection, pwKey(slot));
            listed = !id.isEmpty();
        }
        if (!listed) {
            id.clear();
            password.clear();
        }
        if (id != this->id(slot) || password != this->password(slot)) {
            m_table.set(m_edition, slot, id, password);
            differs = true;
        }
        if (listed)
            ++count;
    }
    m_count = count;
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

bool Accounts::refresh()
{
    const SettingsStore::Stamp now = m_store.stamp(application());
    if (now == m_loaded || !now.readable)
        return false;
    return reload();
}

bool Accounts::put(qint16 slot, const QString &id, const QString &password)
{
    if (slot < 0 || slot >= AccountTable::kSlots)
        return false;
    refresh();
    if (!isListed(slot))
        slot = qint16(m_count);
    if (slot >= AccountTable::kSlots)
        return false;
    return write({ { slot, id, password } }, {});
}

bool Accounts::remove(qint16 slot)
{
    if (!isListed(slot))
        return false;
    // Close the gap: every later account moves up, and the last slot's keys go. All of it
    // reaches the store as one change, so an interruption never leaves an account missing or
    // listed twice.
    const int last = m_count - 1;
    QList<SettingsStore::SlotWrite> writes;
    for (int moved = slot; moved < last; ++moved)
        writes.append({ moved, id(qint16(moved + 1)), password(qint16(moved + 1)) });
    return write(writes, { last });
}

bool Accounts::swapWithNext(qint16 slot)
{
    if (!isListed(slot) || !isListed(slot + 1))
        return false;
    const qint16 next = qint16(slot + 1);
    return write({ { slot, id(next), password(next) }, { next, id(slot), password(slot) } }, {});
}

bool Accounts::setPasswords(const QStringList &ids, const QStringList &passwords)
{
    refresh();
    if (ids.size() != m_count || passwords.size() != m_count)
        return false;
    QList<SettingsStore::SlotWrite> writes;
    for (int slot = 0; slot < m_count; ++slot) {
        if (id(qint16(slot)) != ids[slot])
            return false;
        writes.append({ slot, ids[slot], passwords[slot] });
    }
    return write(writes, {});
}

bool Accounts::write(const QList<SettingsStore::SlotWrite> &writes, const QList<int> &removedSlots)
{
    if (!m_store.writeSlots(application(), writes, removedSlots))
        return false;
    reload();
    return true;
}
