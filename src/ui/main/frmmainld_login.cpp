#include "ui/main/frmmainld.h"

#include "store/accounts.h"
#include "store/passwords.h"
#include "ui/common/inputpause.h"
#include "ui/common/messagebox.h"
#include "ui/common/passwordproblems.h"

#include "ui/common/statustext.h"
#include "ui/main/statusbar.h"
#include "web/accountlogin.h"
#include "web/frmwb.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>

void frmMainLd::connectLoginCommands()
{
    connect(cmdLOGIN, &QPushButton::clicked, this, &frmMainLd::cmdLOGIN_Click);
    connect(cmdLOGOUT, &QPushButton::clicked, this, &frmMainLd::cmdLOGOUT_Click);
    // The status text follows every login and logout, the tray's too: it shows the one running
    // or, once none runs, the outcome of the latest.
    connect(&m_uses.webHost, &frmWB::runStarted, SB,
            [this](EnginePage page) { SB->setText(StatusText::running(page)); });
    connect(&m_uses.webHost, &frmWB::runEnded, SB, [this](EnginePage page, RunOutcome outcome) {
        SB->setText(StatusText::ended(page, outcome));
    });
}

void frmMainLd::cmdLOGIN_Click()
{
    // A list that the store no longer matches is shown afresh, with nothing selected.
    m_uses.accounts.refresh();
    const QList<QListWidgetItem *> selected = lbID->selectedItems();
    if (selected.isEmpty()) {
        m_uses.messageBoxes.show(this, QStringLiteral("IDを選択してください。"),
                                     MessageBoxes::Buttons::Ok);
        return;
    }
    SB->setText(StatusText::loggingIn);
    // The whole window, menus included, takes no input until this login has ended.
    m_input->pause();
    const int row = lbID->row(selected.first());
    if (!AccountTable::isValid(m_uses.shared.editionCode, qint16(row))) {
        SB->setText(StatusText::loginFailed);
        m_input->resume();
        return;
    }
    // The password may come from the keyring, which can take a while (an unlock prompt). The
    // outcome of the run reaches the status text with every run's end; the window takes input
    // again.
    QPointer<frmMainLd> self(this);
    m_uses.login.logIn(qint16(row), m_uses.accounts.id(qint16(row)), frmWB::Current::Becomes,
                       [self](const AccountLogin::Outcome &outcome) {
        if (!self)
            return;
        self->m_input->resume();
        if (outcome.problem != Passwords::Problem::None) {
            self->SB->setText(StatusText::loginFailed);
            showPasswordProblem(self->m_uses.messageBoxes, self, outcome.problem, PasswordUse::Read);
        }
    });
}

void frmMainLd::cmdLOGOUT_Click()
{
    SB->setText(StatusText::loggingOut);
    m_input->pause();
    QPointer<frmMainLd> self(this);
    m_uses.webHost.logoutLD([self](RunOutcome) {
        if (self)
            self->m_input->resume();
    });
}
