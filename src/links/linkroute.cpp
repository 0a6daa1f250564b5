#include "links/linkroute.h"

#include "links/hosts.h"

#include <QStringList>

namespace {

// The portal's own domains, and the sites of the link menus by their domain (the host name
// without its "www."). The maker's site is not the portal's.
const QStringList &portalDomains()
{
    static const QStringList domains = [] {
        QStringList list{ QStringLiteral("livedoor.com"), QStringLiteral("livedoor.jp"),
                          QStringLiteral("livedoor.co.jp"), QStringLiteral("livedoor.biz"),
                          QStringLiteral("livedoor.net") };
        for (Host host : { Host::PortalMain, Host::DepartmentStore, Host::Blog, Host::FinanceBoard,
                           Host::DvdRental, Host::MemberLogin, Host::PortalNational, Host::Recycling,
                           Host::Securities, Host::Credit, Host::WooGo, Host::DeaiStation }) {
            QString domain = hostName(host);
            if (domain.startsWith(QLatin1String("www.")))
                domain.remove(0, 4);
            if (!list.contains(domain))
                list.append(domain);
        }
        return list;
    }();
    return domains;
}

} // namespace

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            && !url.host().isEmpty();
}

bool isPortalPage(const QUrl &url)
{
    if (!isWebAddress(url))
        return false;
    QString host = url.host(QUrl::FullyEncoded).toLower();
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    for (const QString &domain : portalDomains()) {
        if (host == domain || host.endsWith(QLatin1Char('.') + domain))
            return true;
    }
    return false;
}

QUrl loginFormPages()
{
    return QUrl(httpsUrl(Host::MemberLogin, QStringLiteral("/login/")));
}

bool isLoginForm(const QUrl &url)
{
    const QUrl pages = loginFormPages();
    if (!isWebAddress(url) || url.host().compare(pages.host(), Qt::CaseInsensitive) != 0)
        return false;
    const QString path = url.path();
    return path == QLatin1String("/login") || path.startsWith(pages.path());
}

LinkPlace linkPlace(const QUrl &url, bool linksInDefaultBrowser)
{
    return !linksInDefaultBrowser && isPortalPage(url) ? LinkPlace::PortalWindow : LinkPlace::DefaultBrowser;
}

TypedAddress typedAddress(const QString &text)
{
    const QUrl url = QUrl::fromUserInput(text.trimmed());
    if (!isWebAddress(url))
        return { std::nullopt, url };
    return { isPortalPage(url) ? LinkPlace::PortalWindow : LinkPlace::DefaultBrowser, url };
}
