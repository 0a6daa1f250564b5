#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QPoint;
class QUrl;
class QWidget;

// What the user may choose in a tab's context menu.
struct TabMenuChoices
{
    // The tab's page in a new tab as the account (empty: the guest).
    std::function<void(const QString &account)> openAs;
    // The tab's page in a new tab for each of the accounts.
    std::function<void(const QStringList &accounts)> openInEach;
    std::function<void()> close;
};

// Shows the context menu of a tab that shows `url` on the profile of `own`, at `position` on the
// screen, and carries out what the user chooses: 別のアカウントで開く, as the guest or any other
// account listed, logged in or not; すべてのアカウントで開く, in every other account logged in, in
// the list's order; タブを閉じる.
void execTabMenu(QWidget *parent, const QPoint &position, const QString &own, const QUrl &url,
                 const QStringList &listed, const QStringList &loggedIn, const TabMenuChoices &choices);
