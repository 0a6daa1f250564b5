#include "links/menulinks.h"

QString linkUrl(const MenuLink &link)
{
    return httpUrl(link.host, QString::fromUtf8(link.path));
}

const MenuLink *linkAt(std::span<const MenuLink> links, qint16 index)
{
    if (index < 0 || std::size_t(index) >= links.size())
        return nullptr;
    return &links[std::size_t(index)];
}
