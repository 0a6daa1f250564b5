#pragma once

#include "store/accountlist.h"
#include "ui/common/sharedvalues.h"

#include <QDialog>
#include <QString>

#include <memory>

class Accounts;
class InputPause;
class Passwords;
class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;

// What the program says when all slots hold an account and another is to be added.
inline const QString kTooManyAccounts = QStringLiteral("IDを100個以上登録できません。");

// The entry dialog "入力画面": an ID and a password for the account slot that the opener put
// in the shared selected slot. OK stores them through the passwords (the tray and the list
// follow) and ends the dialog Accepted once they are stored, where the passwords are kept; Cancel stores nothing and ends it Rejected. The opener
// creates it afresh for each opening, runs Form_Load and shows it modally.
//
// It never writes over an account it did not show: a new account goes after those stored when
// OK is pressed, and an account that changed in the store while the dialog was open is written
// over only after the user confirms it. When the list itself changed meanwhile (the account no
// longer where it was shown), nothing is written: the dialog ends Rejected, with listChanged().
class frmRegistry : public QDialog
{
    Q_OBJECT
public:
    // What the dialog works with.
    struct Uses
    {
        SharedValues &shared;
        Accounts &accounts;
        Passwords &passwords;
        MessageBoxes &messageBoxes;
    };

    explicit frmRegistry(const Uses &uses, QWidget *parent = nullptr);
    ~frmRegistry() override;

    // Places the dialog at the remembered position (topmost when the always-on-top flag is
    // set) and fills both boxes: the ID from the selected slot of the account table, and the
    // password the opener read for it (none for a new account).
    void Form_Load(const QString &password);

    // The ID of the account that OK wrote over; empty when it added one.
    const QString &replacedId() const { return m_replacedId; }
    // Whether OK found the list changed under the dialog, and so wrote nothing.
    bool listChanged() const { return m_listChanged; }

    // Controls.
    QLabel *lblID;
    QLineEdit *txtID;
    QLabel *lblPASSWORD;
    QLineEdit *txtPW;
    QPushButton *cmdOK;
    QPushButton *cmdCANCEL;

public slots:
    void cmdOK_Click();
    void cmdCANCEL_Click();

private:
    // Stores what was typed in the slot of `seen`, the list the user acted on.
    void store(const AccountList &seen, qint16 slot, const QString &id, const QString &password);

    Uses m_uses;
    // The slot the dialog was opened for, whether that was past the listed accounts (a new
    // one), and the list it was opened over.
    qint16 m_slot = 0;
    bool m_adding = false;
    AccountList m_seen;
    QString m_replacedId;
    bool m_listChanged = false;
    // While OK waits for the keyring, the dialog takes no input.
    std::unique_ptr<InputPause> m_input;
};
