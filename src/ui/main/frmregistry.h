#pragma once

#include "app/sharedvalues.h"

#include <QDialog>

class Accounts;
class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;

// The entry dialog "入力画面": an ID and a password for the account slot that the opener put
// in the shared selected slot. OK stores them through the accounts (the tray and the list
// follow) and ends the dialog Accepted; Cancel stores nothing and ends it Rejected. The opener
// creates it afresh for each opening, runs Form_Load and shows it modally.
class frmRegistry : public QDialog
{
    Q_OBJECT
public:
    // What the dialog works with.
    struct Uses
    {
        SharedValues &shared;
        Accounts &accounts;
        MessageBoxes &messageBoxes;
    };

    explicit frmRegistry(const Uses &uses, QWidget *parent = nullptr);
    ~frmRegistry() override;

    // Places the dialog at the remembered position (topmost when the always-on-top flag is
    // set) and fills both boxes from the selected slot of the account table.
    void Form_Load();

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
    Uses m_uses;
};
