#include "browser/sessioncookies.h"

#include "links/linkroute.h"

#include <QUrl>
#include <QWebEngineCookieStore>

#include <algorithm>

QByteArray cookieKey(const QNetworkCookie &cookie)
{
    return EngineChannel::cookieKey(cookie.name(), cookie.domain(), cookie.path());
}

EngineChannel::SessionCookie sessionCookie(const QNetworkCookie &cookie)
{
    EngineChannel::SessionCookie named{ QString::fromUtf8(cookie.name()), cookie.domain(), cookie.path(),
                                        std::nullopt };
    if (!cookie.isSessionCookie())
        named.expires = cookie.expirationDate();
    return named;
}

std::vector<EngineChannel::SessionCookie> sessionCookies(const QList<QNetworkCookie> &cookies)
{
    std::vector<EngineChannel::SessionCookie> named;
    for (const QNetworkCookie &cookie : cookies)
        named.push_back(sessionCookie(cookie));
    return named;
}

bool isCookieOf(const QNetworkCookie &cookie, const QString &host)
{
    const QString domain = cookie.domain().toLower();
    const QString name = host.toLower();
    if (!domain.startsWith(QLatin1Char('.')))
        return !domain.isEmpty() && name == domain;
    return name == domain.mid(1) || name.endsWith(domain);
}

bool isPortalCookie(const QNetworkCookie &cookie)
{
    QString host = cookie.domain();
    if (host.startsWith(QLatin1Char('.')))
        host.remove(0, 1);
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    return isPortalPage(url);
}

RunCookies::RunCookies(QWebEngineCookieStore *store, QObject *parent)
    : QObject(parent)
{
    // A cookie the portal replaces goes and comes back: it counts as set.
    connect(store, &QWebEngineCookieStore::cookieAdded, this,
            [this](const QNetworkCookie &cookie) { m_set.insert(cookieKey(cookie), cookie); });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie &cookie) { m_set.remove(cookieKey(cookie)); });
}

void RunCookies::addHost(const QUrl &url)
{
    if (!url.host().isEmpty())
        m_hosts.insert(url.host().toLower());
}

std::vector<EngineChannel::SessionCookie> RunCookies::cookies() const
{
    std::vector<EngineChannel::SessionCookie> cookies;
    for (const QNetworkCookie &cookie : m_set) {
        const bool ofTheRun = std::any_of(m_hosts.cbegin(), m_hosts.cend(),
                                          [&](const QString &host) { return isCookieOf(cookie, host); });
        if (ofTheRun)
            cookies.push_back(sessionCookie(cookie));
    }
    return cookies;
}
