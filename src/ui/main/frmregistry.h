#pragma once

#include <QDialog>

#include <QList>
#include <QString>

#include "store/settingsstore.h"

class Program;
class QLabel;
class QLineEdit;
class QPushButton;

// The entry dialog "入力画面": an ID and a password for the account slot that the opener put
// in the shared selected slot. OK stores them (settings store, then account table), rebuilds
// the tray menus and tells the opener through the shared committed flag; Cancel stores nothing.
// The opener creates it afresh for each opening, runs Form_Load and shows it modally.
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

// Writes account slot n as every editing command does: its ID and PW keys as one step (both
// reach the settings store or neither does), then the account table. False when the store did
// not take them; the table is then left as it was.
bool writeAccountSlot(Program &program, qint16 slot, const QString &id, const QString &password);

// Changes several account slots as one step, as the list commands do: the new IDs and passwords
// of some slots and the removal of others reach the settings store together or not at all, then
// the account table takes them (a removed slot becomes empty). False when a slot lies outside
// the table or the store did not take the change; the table is then left as it was.
bool writeAccountSlots(Program &program, const QList<SettingsStore::SlotWrite> &writes,
                       const QList<int> &removedSlots);
