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
    case Host::PortalNational:
        return QStringLiteral("www.livedoor.co.jp");
    case Host::Recycling:
        return QStringLiteral("recycle.livedoor.com");
    case Host::Securities:
        return QStringLiteral("www.livedoor-sec.co.jp");
    case Host::Credit:
        return QStringLiteral("www.livedoor-credit.co.jp");
    case Host::WooGo:
        return QStringLiteral("www.woo-go.com");
    case Host::DeaiStation:
        return QStringLiteral("www.deai-station.com");
    case Host::Maker:
        // The maker has no public site yet: a reserved name that can never reach a stranger.
        return QStringLiteral("yorumi.example.com");
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
