#include "store/accounttable.h"

QString AccountTable::id(qint16 edition, qint16 slot) const
{
    return isValid(edition, slot) ? m_ids[edition][slot] : QString();
}

QString AccountTable::password(qint16 edition, qint16 slot) const
{
    return isValid(edition, slot) ? m_passwords[edition][slot] : QString();
}

bool AccountTable::set(qint16 edition, qint16 slot, const QString &id, const QString &password)
{
    if (!isValid(edition, slot))
        return false;
    m_ids[edition][slot] = id;
    m_passwords[edition][slot] = password;
    return true;
}
