#include "ui/main/frmmainld.h"

#include "app/program.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmregistry.h"

#include <QListWidget>
#include <QPushButton>

namespace {

const QString kSelectAnId = QStringLiteral("IDを選択してください。");

// The selected row of the list, or -1 when no row is selected.
int selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

// Opens a fresh entry dialog for the shared selected slot at the settings window's position
// and waits until it closes; reloads the list when the dialog stored the account.
void runEntryDialog(Program &program, frmMainLd &window)
{
    RememberMainWindowPosition();
    frmRegistry dialog(program, &window);
    dialog.Form_Load();
    dialog.exec();
    if (program.shared.dialogCommitted != kVbFalse)
        window.RefreshAccountList();
}

} // namespace

void frmMainLd::connectEditingCommands()
{
    connect(cmdNEW, &QPushButton::clicked, this, &frmMainLd::cmdNEW_Click);
    connect(cmdREGISTRY, &QPushButton::clicked, this, &frmMainLd::cmdREGISTRY_Click);
}

void frmMainLd::cmdNEW_Click()
{
    const int rows = lbID->count();
    if (rows >= AccountTable::kSlots) {
        m_program.messageBoxes->show(this, QStringLiteral("IDを100個以上登録できません。"),
                                     MessageBoxes::Buttons::Ok);
        return;
    }
    m_program.shared.selectedSlot = qint16(rows);
    runEntryDialog(m_program, *this);
}

void frmMainLd::cmdREGISTRY_Click()
{
    const int row = selectedRow(lbID);
    if (row < 0) {
        m_program.messageBoxes->show(this, kSelectAnId, MessageBoxes::Buttons::Ok);
        return;
    }
    m_program.shared.selectedSlot = qint16(row);
    runEntryDialog(m_program, *this);
}
