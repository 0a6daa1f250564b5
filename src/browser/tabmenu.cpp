#include "browser/tabmenu.h"

#include "links/linkroute.h"
#include "ui/common/accountmark.h"
#include "ui/common/caption.h"

#include <QAction>
#include <QMenu>
#include <QPoint>
#include <QUrl>

void execTabMenu(QWidget *parent, const QPoint &position, const QString &own, const QUrl &url,
                 const QStringList &listed, const QStringList &loggedIn, const TabMenuChoices &choices)
{
    QStringList others = listed;
    others.prepend(QString()); // the guest's
    others.removeDuplicates();
    others.removeAll(own);
    QStringList each = loggedIn;
    each.removeAll(own);

    QMenu menu(parent);
    QMenu *otherAccount = menu.addMenu(QStringLiteral("別のアカウントで開く"));
    otherAccount->setEnabled(!others.isEmpty() && isWebAddress(url));
    for (const QString &account : std::as_const(others)) {
        QAction *action = otherAccount->addAction(accountMark(account), literalCaption(accountLabel(account)));
        QObject::connect(action, &QAction::triggered, parent, [choices, account] { choices.openAs(account); });
    }
    QAction *inEach = menu.addAction(QStringLiteral("すべてのアカウントで開く"));
    inEach->setEnabled(!each.isEmpty() && isWebAddress(url));
    QObject::connect(inEach, &QAction::triggered, parent, [choices, each] { choices.openInEach(each); });
    menu.addSeparator();
    QAction *close = menu.addAction(QStringLiteral("タブを閉じる"));
    QObject::connect(close, &QAction::triggered, parent, [choices] { choices.close(); });
    menu.exec(position);
}
