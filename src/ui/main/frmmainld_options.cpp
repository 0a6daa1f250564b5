#include "ui/main/frmmainld.h"

#include "platform/autostart.h"
#include "store/passwords.h"
#include "store/programsettings.h"
#include "ui/common/inputpause.h"
#include "ui/common/messagebox.h"
#include "ui/common/passwordproblems.h"
#include "ui/main/statusbar.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>

// The window's options: start at login, the clipboard cleared, expired logins renewed, and the
// passwords in the keyring.

void frmMainLd::mnStartAtLogin_Click()
{
    // The trigger has already flipped the check mark: it shows what the user asks for.
    Autostart &autostart = m_uses.autostart;
    const bool done = mnStartAtLogin->isChecked()
            ? autostart.enable(QCoreApplication::applicationFilePath())
            : autostart.disable();
    // The mark shows what is in place, whatever happened.
    mnStartAtLogin->setChecked(autostart.isEnabled());
    if (!done)
        SB->setText(QStringLiteral("ログイン時に起動を設定できませんでした。"));
}

void frmMainLd::mnClearClipboard_Click()
{
    // The trigger has already flipped the check mark: it shows the new choice, and then what
    // the settings took.
    m_uses.settings.setClearsClipboard(mnClearClipboard->isChecked());
    showOption(ProgramSettings::Key::ClearsClipboard);
}

void frmMainLd::mnRenewLogins_Click()
{
    // The trigger has already flipped the check mark: it shows the new choice, and then what
    // the settings took.
    m_uses.settings.setRenewsLogins(mnRenewLogins->isChecked());
    showOption(ProgramSettings::Key::RenewsLogins);
}

void frmMainLd::mnKeyring_Click()
{
    // The trigger has already flipped the check mark; until the passwords have moved, it shows
    // where they are.
    const bool toKeyring = mnKeyring->isChecked();
    mnKeyring->setChecked(!toKeyring);
    movePasswords(toKeyring, false);
}

void frmMainLd::movePasswords(bool toKeyring, bool despiteLoss)
{
    // The window takes no input until the passwords have moved (the keyring may ask to be
    // unlocked).
    m_input->pause();
    SB->setText(toKeyring ? QStringLiteral("パスワードをキーリングに移しています...")
                          : QStringLiteral("パスワードをキーリングから戻しています..."));
    QPointer<frmMainLd> self(this);
    auto moved = [self, toKeyring](Passwords::Problem problem) {
        if (!self)
            return;
        self->m_input->resume();
        self->showOption(ProgramSettings::Key::PasswordsInKeyring);
        if (problem == Passwords::Problem::KeyringHoldsNothing && !toKeyring) {
            // A keyring that holds none of the passwords lets them go back into the store once
            // the user accepts to lose those the store lacks.
            self->SB->setText(QString());
            const QString question = QStringLiteral("キーリングにパスワードが見つかりません。\n"
                                                    "チェックを外すと、%1件のアカウントのパスワードが失われます"
                                                    "（設定ファイルに書かれているパスワードは残ります）。"
                                                    "よろしいですか？")
                                             .arg(self->m_uses.passwords.passwordsMissingFromStore());
            if (self->m_uses.messageBoxes.show(self, question, MessageBoxes::Buttons::OkCancel)
                        == MessageBoxes::Answer::Ok
                && self)
                self->movePasswords(false, true);
            return;
        }
        if (problem != Passwords::Problem::None) {
            self->SB->setText(QString());
            showPasswordProblem(self->m_uses.messageBoxes, self, problem,
                                toKeyring ? PasswordUse::MoveIntoKeyring : PasswordUse::MoveOutOfKeyring);
            return;
        }
        self->SB->setText(toKeyring ? QStringLiteral("パスワードをキーリングに移しました。")
                                    : QStringLiteral("パスワードをキーリングから戻しました。"));
    };
    if (despiteLoss)
        m_uses.passwords.keepInStoreDespiteLoss(moved);
    else
        m_uses.passwords.keepInKeyring(toKeyring, moved);
}
