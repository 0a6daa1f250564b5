#pragma once

#include <QUrl>

#include <optional>

// Where a page opens: in the program's portal window, which shares the browser engine's login,
// or in the user's default browser, which does not.
enum class LinkPlace { PortalWindow, DefaultBrowser };

// Whether the address is a web page's: http or https, naming a host, and one Qt reads whole. Only
// such an address opens anywhere, goes to the default browser or is kept with the portal window's
// tabs.
bool isWebAddress(const QUrl &url);

// Whether the address is a web page of the portal: http or https on one of the portal's
// domains (livedoor.com, .jp, .co.jp, .biz, .net) or on a site of the link menus, or below one.
bool isPortalPage(const QUrl &url);

// The portal's login form: the member host's pages under "/login/" (the form, and a failed
// login's answer), the only pages the ID and the password go into.
QUrl loginFormPages();
// Whether the address is one of them, or the member host's "/login" (over http too, as a
// redirect may send it), and no other host's.
bool isLoginForm(const QUrl &url);

// Where a link opens: pages of the portal in the portal window, unless the user chose to have
// every link in the default browser; everything else (the maker's pages among it) there too.
LinkPlace linkPlace(const QUrl &url, bool linksInDefaultBrowser);

// Where an address typed into the portal window's address bar goes: a page of the portal opens
// in the window, any other web page in the default browser, and nothing else opens (files,
// scripts, other programs' addresses): no place. The address is read as a web address where it
// names no scheme ("www.livedoor.com").
struct TypedAddress
{
    std::optional<LinkPlace> place;
    QUrl url;
};
TypedAddress typedAddress(const QString &text);
