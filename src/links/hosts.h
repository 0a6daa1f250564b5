#pragma once

#include <QString>

// Every web host the program opens or drives, in one table.
enum class Host {
    PortalMain,      // the portal's top page
    DepartmentStore, // the department-store service
    Blog,            // the blog service
    FinanceBoard,    // the finance service's message boards
    DvdRental,       // the DVD-rental service
    MemberLogin,     // the portal's member login and its login form
    PortalNational,  // the portal's main host under its Japanese national domain
    Recycling,       // the recycling service
    Securities,      // the securities service
    Credit,          // the credit service
    WooGo,           // the external site WOO-GO
    DeaiStation,     // the external site deai-station
    Maker,           // the maker's site with the product pages
};

QString hostName(Host host);

// "http://<host><path>"
QString httpUrl(Host host, const QString &path);

// "https://<host><path>": every page that carries a password or a login.
QString httpsUrl(Host host, const QString &path);
