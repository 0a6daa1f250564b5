#pragma once

#include <QString>
#include <QStringList>

// What the tray says of the accounts, for any number of them.

// An ID as the tray's menus and tooltip show it: one longer than about 40 characters shortened in
// the middle with "…" (the menus' entries show it whole in their tips).
QString shortenedId(const QString &id);
// The tooltip's line under the program's name: the current account and how many others are
// logged in ("bob ほか2件", "bob"), or without a current account how many are ("ログイン中: 3件");
// empty when none is.
QString trayAccountLine(const QString &current, const QStringList &loggedIn);
// The icon's tooltip: the program's name, and under it how far a run over every account has
// come, else the login or logout that runs, else the accounts' line.
QString trayToolTip(const QString &everyAccountProgress, const QString &running, const QString &current,
                    const QStringList &loggedIn);
// A tray login or logout that did not succeed: the status text first, then the account (none
// for the guest) and, where it is known, what made it fail ("bob: ポータルが30秒以内に…").
QString trayFailureText(const QString &statusText, const QString &account, const QString &cause);
