#include "ui/main/frmmainld.h"

#include "store/accounts.h"
#include "store/passwords.h"
#include "ui/common/clipboard.h"
#include "ui/common/messagebox.h"
#include "ui/common/passwordproblems.h"

#include "tray/windowvisibility.h"
#include "ui/common/inputpause.h"
#include "ui/main/frmregistry.h"
#include "ui/main/statusbar.h"
#include "web/frmwb.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>

namespace {

const QString kEditFailed = QStringLiteral("エラーが発生しました。");
const QString kSelectAnId = QStringLiteral("IDを選択してください。");
const QString kListChanged = QStringLiteral("一覧が変更されたため、操作を取り消しました。もう一度選んでください。");

// The selected row of the list, or -1 when no row is selected.
int selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

// An account removed, or given another ID, takes its login with it once no slot holds its old
// ID: the engine forgets that ID, and its profile (the portal's cookies for it) goes.
void forgetUnlisted(const frmMainLd::Uses &uses, const QString &id)
{
    for (qint16 slot = 0; slot < uses.accounts.count(); ++slot) {
        if (uses.accounts.id(slot) == id)
            return;
    }
    uses.webHost.forgetAccount(id);
}

// Opens a fresh entry dialog for the shared selected slot at the settings window's position,
// showing the password read for it, and waits until it closes; true when it stored the account.
// What it stores reaches the list through the accounts.
bool runEntryDialog(const frmMainLd::Uses &uses, frmMainLd &window, const QString &password)
{
    uses.visibility.RememberMainWindowPosition();
    frmRegistry dialog({ uses.shared, uses.accounts, uses.passwords, uses.messageBoxes }, &window);
    dialog.Form_Load(password);
    if (dialog.exec() != QDialog::Accepted) {
        if (dialog.listChanged())
            window.SB->setText(kListChanged);
        return false;
    }
    if (!dialog.replacedId().isEmpty())
        forgetUnlisted(uses, dialog.replacedId());
    return true;
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
    // The new account goes after the accounts stored now, hand-written ones included.
    m_uses.accounts.refresh();
    const int rows = m_uses.accounts.count();
    if (rows >= AccountTable::kSlots) {
        m_uses.messageBoxes.show(this, kTooManyAccounts, MessageBoxes::Buttons::Ok);
        return;
    }
    m_uses.shared.selectedSlot = qint16(rows);
    // The account added is the one selected, ready for its first login.
    if (runEntryDialog(m_uses, *this, QString()) && rows < lbID->count())
        lbID->setCurrentRow(rows);
}

void frmMainLd::cmdREGISTRY_Click()
{
    // A list that the store no longer matches is shown afresh, with nothing selected.
    m_uses.accounts.refresh();
    const int row = selectedRow(lbID);
    if (row < 0) {
        m_uses.messageBoxes.show(this, kSelectAnId, MessageBoxes::Buttons::Ok);
        return;
    }
    // The dialog shows the account's password once it has been read; one found nowhere (or in
    // a keyring that holds none of the passwords) is typed again there.
    const QString id = m_uses.accounts.id(qint16(row));
    m_input->pause();
    QPointer<frmMainLd> self(this);
    m_uses.passwords.fetch(qint16(row), id, [self, row](Passwords::Problem problem, const QString &password) {
        if (!self)
            return;
        self->m_input->resume();
        if (problem != Passwords::Problem::None && problem != Passwords::Problem::NotFound
            && problem != Passwords::Problem::KeyringHoldsNothing) {
            showPasswordProblem(self->m_uses.messageBoxes, self, problem, PasswordUse::Read);
            return;
        }
        self->m_uses.shared.selectedSlot = qint16(row);
        runEntryDialog(self->m_uses, *self, password);
    });
}

void frmMainLd::cmdDELETE_Click()
{
    m_uses.accounts.refresh();
    const int row = selectedRow(lbID);
    if (row < 0) {
        m_uses.messageBoxes.show(this, kSelectAnId, MessageBoxes::Buttons::Ok);
        return;
    }
    // Of up to a hundred accounts, the question names the one that goes; it goes only from the
    // list the user answered over.
    const AccountList seen = m_uses.accounts.list();
    const QString id = seen.ids[row];
    if (m_uses.messageBoxes.show(this, QStringLiteral("削除いたします。\n%1").arg(id),
                                 MessageBoxes::Buttons::OkCancel)
        != MessageBoxes::Answer::Ok)
        return;

    edit([this, seen, row](Passwords::Done done) { m_uses.passwords.remove(seen, qint16(row), done); },
         [this, id] { forgetUnlisted(m_uses, id); });
}

void frmMainLd::cmdUp_Click()
{
    m_uses.accounts.refresh();
    const int row = selectedRow(lbID);
    if (row < 1 || row >= lbID->count())
        return;
    const AccountList seen = m_uses.accounts.list();
    edit([this, seen, row](Passwords::Done done) { m_uses.passwords.swapWithNext(seen, qint16(row - 1), done); },
         [this, row] { lbID->setCurrentRow(row - 1); });
}

void frmMainLd::cmdDown_Click()
{
    m_uses.accounts.refresh();
    const int row = selectedRow(lbID);
    if (row < 0 || row + 1 >= lbID->count())
        return;
    const AccountList seen = m_uses.accounts.list();
    edit([this, seen, row](Passwords::Done done) { m_uses.passwords.swapWithNext(seen, qint16(row), done); },
         [this, row] { lbID->setCurrentRow(row + 1); });
}

void frmMainLd::edit(const std::function<void(Passwords::Done)> &change, const std::function<void()> &then)
{
    // With the passwords in the keyring a change may take a while; the window takes no input
    // until it has ended.
    m_input->pause();
    QPointer<frmMainLd> self(this);
    change([self, then](Passwords::Problem problem) {
        if (!self)
            return;
        self->m_input->resume();
        if (problem == Passwords::Problem::NotStored) {
            self->SB->setText(kEditFailed);
        } else if (problem == Passwords::Problem::ListChanged || problem == Passwords::Problem::AccountChanged) {
            // The list already shows what the store holds now.
            self->SB->setText(kListChanged);
        } else if (problem != Passwords::Problem::None) {
            showPasswordProblem(self->m_uses.messageBoxes, self, problem, PasswordUse::Write);
        } else {
            then();
        }
    });
}

void frmMainLd::cmdCopy_Click()
{
    m_uses.accounts.refresh();
    const int row = selectedRow(lbID);
    if (row < 0) {
        m_uses.messageBoxes.show(this, kSelectAnId, MessageBoxes::Buttons::Ok);
        return;
    }
    QPointer<frmMainLd> self(this);
    const QString id = m_uses.accounts.id(qint16(row));
    m_uses.passwords.fetch(qint16(row), id, [self, id](Passwords::Problem problem, const QString &password) {
        if (!self)
            return;
        if (problem != Passwords::Problem::None) {
            showPasswordProblem(self->m_uses.messageBoxes, self, problem, PasswordUse::Read);
            return;
        }
        if (self->m_uses.clipboard.setSecretText(password))
            self->showCopied(id);
        else
            self->SB->setText(QStringLiteral("コピーできませんでした。"));
    });
}
