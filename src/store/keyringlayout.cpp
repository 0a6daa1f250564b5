#include "store/keyringlayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kAfterField = QStringLiteral("passwords");
const QString kBeforeField = QStringLiteral("before");

QJsonArray toJson(const QStringList &passwords)
{
    QJsonArray array;
    for (const QString &password : passwords)
        array.append(password.isEmpty() ? QJsonValue() : QJsonValue(password));
    return array;
}

QStringList fromJson(const QJsonValue &value)
{
    QStringList passwords;
    for (const QJsonValue &password : value.toArray())
        passwords.append(password.toString());
    return passwords;
}

QString textOf(const QJsonObject &value)
{
    return QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Compact));
}

} // namespace

KeyringLayout::KeyringLayout(const QString &application)
    : m_application(application)
{
}

QString KeyringLayout::keyOf(const QString &id) const
{
    return m_application + QLatin1Char('/') + id;
}

QString KeyringLayout::idOfKey(const QString &key) const
{
    const QString prefix = m_application + QLatin1Char('/');
    return key.startsWith(prefix) ? key.mid(prefix.size()) : QString();
}

QString KeyringLayout::markKey() const
{
    return m_application;
}

QString KeyringLayout::probeKey() const
{
    // IDs live under "<application>/<ID>": this key is never one of theirs.
    return m_application + QStringLiteral(".probe");
}

QString KeyringLayout::markValue()
{
    return QStringLiteral("{}");
}

QString KeyringLayout::probeValue()
{
    return QStringLiteral("{}");
}

QString KeyringLayout::valueOf(const QStringList &passwords)
{
    return textOf({ { kAfterField, toJson(passwords) } });
}

QString KeyringLayout::valueDuringChange(const QStringList &after, const QStringList &before)
{
    return textOf({ { kAfterField, toJson(after) }, { kBeforeField, toJson(before) } });
}

QStringList KeyringLayout::listPairedWithStore(const QString &value, int slotsHoldingId)
{
    const QJsonObject object = QJsonDocument::fromJson(value.toUtf8()).object();
    const QStringList after = fromJson(object.value(kAfterField));
    if (object.contains(kBeforeField) && after.size() != slotsHoldingId)
        return fromJson(object.value(kBeforeField));
    return after;
}
