#pragma once

#include <QDialog>


class Program;
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
    explicit frmRegistry(Program &program, QWidget *parent = nullptr);
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
    Program &m_program;
};
