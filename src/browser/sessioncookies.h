#pragma once

#include "web/enginechannel.h"

#include <QHash>
#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QSet>
#include <QString>

#include <vector>

class QWebEngineCookieStore;

// The cookie's identity, as the program knows it (EngineChannel::cookieKey).
QByteArray cookieKey(const QNetworkCookie &cookie);
// A cookie as the program hears of it: its name, domain, path and expiry time, never its value.
EngineChannel::SessionCookie sessionCookie(const QNetworkCookie &cookie);
std::vector<EngineChannel::SessionCookie> sessionCookies(const QList<QNetworkCookie> &cookies);
// Whether the browser sends the cookie to the host: its domain is the host, or (a domain cookie,
// with a leading dot) the host or a domain above it.
bool isCookieOf(const QNetworkCookie &cookie, const QString &host);
// Whether the cookie is one of the portal's hosts'.
bool isPortalCookie(const QNetworkCookie &cookie);

// The cookies a run sets or changes in its profile, from its start on, that belong to the hosts
// of the run's own page: the program learns from them how long the login lasts.
class RunCookies final : public QObject
{
    Q_OBJECT
public:
    RunCookies(QWebEngineCookieStore *store, QObject *parent);

    // A page of the run was at this address, or will be.
    void addHost(const QUrl &url);
    // The cookies of the run's hosts set since it started and still there.
    std::vector<EngineChannel::SessionCookie> cookies() const;

private:
    QSet<QString> m_hosts;
    // By name, domain and path.
    QHash<QByteArray, QNetworkCookie> m_set;
};
