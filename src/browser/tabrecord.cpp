#include "browser/tabrecord.h"

#include "links/linkroute.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString kTabs = QStringLiteral("tabs");
const QString kUrl = QStringLiteral("url");
const QString kAccount = QStringLiteral("account");
const QString kCurrent = QStringLiteral("current");
const QString kGeometry = QStringLiteral("geometry");
// A record is a few hundred bytes a tab; a file far larger is not one.
constexpr qint64 kMaxRecord = 4 << 20;

} // namespace

TabRecord TabRecord::ofAccounts(const QStringList &accounts) const
{
    TabRecord kept;
    kept.geometry = geometry;
    for (int i = 0; i < int(tabs.size()); ++i) {
        if (!tabs[i].account.isEmpty() && !accounts.contains(tabs[i].account))
            continue;
        if (i <= current)
            kept.current = int(kept.tabs.size());
        kept.tabs.push_back(tabs[i]);
    }
    return kept;
}

QByteArray TabRecord::toJson() const
{
    QJsonArray list;
    for (const Tab &tab : tabs)
        list.append(QJsonObject{ { kUrl, tab.url.toString(QUrl::FullyEncoded) }, { kAccount, tab.account } });
    return QJsonDocument(QJsonObject{ { kTabs, list },
                                      { kCurrent, current },
                                      { kGeometry, QString::fromLatin1(geometry.toBase64()) } })
            .toJson(QJsonDocument::Compact);
}

std::optional<TabRecord> TabRecord::fromJson(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    TabRecord record;
    for (const QJsonValue &value : object.value(kTabs).toArray()) {
        const QJsonObject tab = value.toObject();
        const QUrl url(tab.value(kUrl).toString(), QUrl::StrictMode);
        if (!url.isValid() || !isPortalPage(url))
            continue;
        record.tabs.push_back({ url, tab.value(kAccount).toString() });
    }
    record.current = std::clamp(object.value(kCurrent).toInt(), 0,
                                std::max(0, int(record.tabs.size()) - 1));
    record.geometry = QByteArray::fromBase64(object.value(kGeometry).toString().toLatin1());
    return record;
}

std::optional<TabRecord> TabRecord::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecord)
        return std::nullopt;
    return fromJson(file.readAll());
}

bool TabRecord::write(const QString &path) const
{
    // The addresses are the user's business alone.
    return PrivateFile::replace(path, toJson());
}

void TabRecord::forget(const QString &path)
{
    QFile::remove(path);
}
