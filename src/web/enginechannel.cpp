#include "web/enginechannel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>

namespace EngineChannel {

namespace {

constexpr qsizetype kHeader = 4;

} // namespace

QByteArray frame(const QJsonObject &message)
{
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QByteArray bytes(kHeader, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), bytes.data());
    return bytes + body;
}

void Reader::append(const QByteArray &bytes)
{
    if (!m_broken)
        m_buffer += bytes;
}

std::optional<QJsonObject> Reader::next()
{
    if (m_broken || m_buffer.size() < kHeader)
        return std::nullopt;
    const qsizetype length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length > kMaxMessage) {
        m_broken = true;
        m_buffer.clear();
        return std::nullopt;
    }
    if (m_buffer.size() < kHeader + length)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(m_buffer.mid(kHeader, length));
    m_buffer.remove(0, kHeader + length);
    if (!document.isObject()) {
        m_broken = true;
        m_buffer.clear();
        return std::nullopt;
    }
    return document.object();
}

QByteArray cookieKey(QByteArrayView name, QStringView domain, QStringView path)
{
    return name.toByteArray() + '\n' + domain.toUtf8() + '\n' + path.toUtf8();
}

QJsonValue cookiesJson(const std::vector<SessionCookie> &cookies)
{
    QJsonArray array;
    for (const SessionCookie &cookie : cookies) {
        QJsonObject object{ { QStringLiteral("name"), cookie.name },
                            { QStringLiteral("domain"), cookie.domain },
                            { QStringLiteral("path"), cookie.path } };
        if (cookie.expires)
            object.insert(QStringLiteral("expires"), qint64(cookie.expires->toMSecsSinceEpoch()));
        array.append(object);
    }
    return array;
}

std::vector<SessionCookie> cookiesFromJson(const QJsonValue &value)
{
    // Those with a name; an expiry that is not a number is none.
    std::vector<SessionCookie> cookies;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        SessionCookie cookie{ object.value(QStringLiteral("name")).toString(),
                              object.value(QStringLiteral("domain")).toString(),
                              object.value(QStringLiteral("path")).toString(), std::nullopt };
        if (cookie.name.isEmpty())
            continue;
        if (const QJsonValue expires = object.value(QStringLiteral("expires")); expires.isDouble())
            cookie.expires = QDateTime::fromMSecsSinceEpoch(expires.toInteger(), Qt::UTC);
        cookies.push_back(std::move(cookie));
    }
    return cookies;
}

} // namespace EngineChannel
