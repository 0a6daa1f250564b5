#include "links/hosts.h"

QString hostName(Host host)
{
    switch (host) {
    case Host::PortalMain:
        return QStringLiteral("www.livedoor.com");
    case Host::DepartmentStore:
        return QStringLiteral("depart.livedoor.com");
    case Host::Blog:
        return QStringLiteral("blog.livedoor.com");
    case Host::FinanceBoard:
        return QStringLiteral("bbs.finance.livedoor.com");
    case Host::DvdRental:
        return QStringLiteral("www.posren.com");
    case Host::MemberLogin:
        return QStringLiteral("member.livedoor.com");
    }
    return QString();
}

QString httpUrl(Host host, const QString &path)
{
    return QStringLiteral("http://") + hostName(host) + path;
}

QString httpsUrl(Host host, const QString &path)
{
    return QStringLiteral("https://") + hostName(host) + path;
}
