#include "store/keyringjournal.h"

namespace {

const QString kUnfinishedMove = QStringLiteral("Keyring/UnfinishedMove");
const QString kStoreMoved = QStringLiteral("Keyring/StoreMoved");
const QString kUnsettledIds = QStringLiteral("Keyring/UnsettledIds");
const QString kKeptKeys = QStringLiteral("Keyring/KeptKeys");

// A list is written as a list, and an empty one removes its key.
QVariant listValue(const QStringList &list)
{
    return list.isEmpty() ? QVariant() : QVariant(list);
}

} // namespace

std::optional<bool> KeyringJournal::unfinishedMove() const
{
    const QString move = m_file.value(kUnfinishedMove).toString();
    if (move.isEmpty())
        return std::nullopt;
    return move == QLatin1String("keyring");
}

bool KeyringJournal::setUnfinishedMove(std::optional<bool> toKeyring, const QString &storeMoved)
{
    const bool stampWritten = m_file.write(kStoreMoved, toKeyring && !storeMoved.isEmpty() ? storeMoved : QVariant());
    if (!toKeyring)
        return m_file.write(kUnfinishedMove, QVariant()) && stampWritten;
    return stampWritten
            && m_file.write(kUnfinishedMove, *toKeyring ? QStringLiteral("keyring") : QStringLiteral("store"));
}

QString KeyringJournal::storeMoved() const
{
    return m_file.value(kStoreMoved).toString();
}

QStringList KeyringJournal::unsettledIds() const
{
    return m_file.value(kUnsettledIds).toStringList();
}

bool KeyringJournal::setUnsettledIds(const QStringList &ids)
{
    return m_file.write(kUnsettledIds, listValue(ids));
}

QStringList KeyringJournal::keptKeys() const
{
    return m_file.value(kKeptKeys).toStringList();
}

bool KeyringJournal::setKeptKeys(const QStringList &keys)
{
    return m_file.write(kKeptKeys, listValue(keys));
}

bool KeyringJournal::noteKeys(const QStringList &keys)
{
    QStringList noted = keptKeys();
    const qsizetype before = noted.size();
    for (const QString &key : keys) {
        if (!noted.contains(key))
            noted.append(key);
    }
    return noted.size() == before || setKeptKeys(noted);
}

void KeyringJournal::forgetKeys(const QStringList &keys)
{
    QStringList noted = keptKeys();
    const qsizetype before = noted.size();
    for (const QString &key : keys)
        noted.removeAll(key);
    if (noted.size() != before)
        setKeptKeys(noted);
}
