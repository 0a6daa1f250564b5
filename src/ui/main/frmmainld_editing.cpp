#include "ui/main/frmmainld.h"

#include "app/program.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmregistry.h"
#include "ui/main/statusbar.h"

#include <QListWidget>
#include <QPushButton>

namespace {

const QString kEditFailed = QStringLiteral("エラーが発生しました。");
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

// Exchanges slot n and slot n+1 in the store and then the table, both slots in one step.
// False when the store did not take the change; nothing has changed then.
bool exchangeWithNext(Program &program, qint16 slot)
{
    const qint16 edition = program.shared.editionCode;
    const qint16 next = slot + 1;
    return writeAccountSlots(program,
                             { { slot, program.table.id(edition, next),
                                 program.table.password(edition, next) },
                               { next, program.table.id(edition, slot),
                                 program.table.password(edition, slot) } },
                             {});
}

} // namespace

void frmMainLd::connectEditingCommands()
{
    connect(cmdNEW, &QPushButton::clicked, this, &frmMainLd::cmdNEW_Click);
    connect(cmdREGISTRY, &QPushButton::clicked, this, &frmMainLd::cmdREGISTRY_Click);
    connect(cmdDELETE, &QPushButton::clicked, this, &frmMainLd::cmdDELETE_Click);
    connect(cmdUp, &QPushButton::clicked, this, &frmMainLd::cmdUp_Click);
    connect(cmdDown, &QPushButton::clicked, this, &frmMainLd::cmdDown_Click);
    connect(cmdCopy, &QPushButton::clicked, this, &frmMainLd::cmdCopy_Click);
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

void frmMainLd::cmdDELETE_Click()
{
    const int row = selectedRow(lbID);
    if (row < 0) {
        m_program.messageBoxes->show(this, kSelectAnId, MessageBoxes::Buttons::Ok);
        return;
    }
    if (m_program.messageBoxes->show(this, QStringLiteral("削除いたします。"),
                                     MessageBoxes::Buttons::OkCancel)
        != MessageBoxes::Answer::Ok)
        return;

    const qint16 edition = m_program.shared.editionCode;
    const qint16 last = qint16(lbID->count() - 1);
    // Close the gap: every slot after the deleted one moves up by one, and the last slot's
    // keys go (they may already be absent). All of it reaches the store as one change, so an
    // interruption never leaves an account missing or listed twice.
    QList<SettingsStore::SlotWrite> writes;
    for (qint16 slot = qint16(row); slot < last; ++slot)
        writes.append({ slot, m_program.table.id(edition, slot + 1),
                        m_program.table.password(edition, slot + 1) });
    if (!writeAccountSlots(m_program, writes, { last })) {
        SB->setText(kEditFailed);
        return;
    }
    RebuildTrayMenus();
    RefreshAccountList();
}

void frmMainLd::cmdUp_Click()
{
    const int row = selectedRow(lbID);
    if (row < 1 || row >= lbID->count())
        return;
    if (!exchangeWithNext(m_program, qint16(row - 1))) {
        SB->setText(kEditFailed);
        return;
    }
    RebuildTrayMenus();
    RefreshAccountList();
    lbID->setCurrentRow(row - 1);
}

void frmMainLd::cmdDown_Click()
{
    const int row = selectedRow(lbID);
    if (row < 0 || row + 1 >= lbID->count())
        return;
    if (!exchangeWithNext(m_program, qint16(row))) {
        SB->setText(kEditFailed);
        return;
    }
    RebuildTrayMenus();
    RefreshAccountList();
    lbID->setCurrentRow(row + 1);
}

void frmMainLd::cmdCopy_Click()
{
    const int row = selectedRow(lbID);
    if (row < 0) {
        m_program.messageBoxes->show(this, kSelectAnId, MessageBoxes::Buttons::Ok);
        return;
    }
    const QString password = m_program.table.password(m_program.shared.editionCode, qint16(row));
    if (!m_program.clipboard->setSecretText(password))
        SB->setText(QStringLiteral("コピーできませんでした。"));
}
