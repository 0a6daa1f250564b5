#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// The bar above a tab's page when the portal has sent the tab to its login form because the
// account's login expired, or when the tab shows an account that is not logged in: what happened,
// a button that has the program log the account in (the page never gets the password), and a
// close box.
class RenewalBar final : public QFrame
{
    Q_OBJECT
public:
    explicit RenewalBar(QWidget *parent = nullptr);

    // Shows the bar saying that the account's login has expired, its button ready.
    void offer(const QString &account);
    // Shows the bar saying that the account is not logged in, its button (ログイン) ready.
    void offerLogin(const QString &account);
    // Shows the bar with the text of the failed login in place of that, its button ready for
    // another try.
    void fail(const QString &text);

signals:
    // ログインし直す was pressed; the button waits for the answer.
    void renewRequested();

private:
    void showWith(const QString &text, const QString &button);

    QLabel *m_text;
    QPushButton *m_renew;
};
