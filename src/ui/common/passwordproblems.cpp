#include "ui/common/passwordproblems.h"

#include "ui/common/messagebox.h"

namespace {

QString what(PasswordUse use)
{
    switch (use) {
    case PasswordUse::Read:
        return QStringLiteral("パスワードを読み出せませんでした。");
    case PasswordUse::Write:
        return QStringLiteral("パスワードを保存できませんでした。");
    case PasswordUse::MoveIntoKeyring:
        return QStringLiteral("パスワードをキーリングに移せませんでした。");
    case PasswordUse::MoveOutOfKeyring:
        return QStringLiteral("パスワードをキーリングから戻せませんでした。");
    case PasswordUse::Resume:
        break;
    }
    return QStringLiteral("前回の実行で中断したパスワードの変更を完了できませんでした。");
}

} // namespace

QString passwordProblemText(Passwords::Problem problem, PasswordUse use)
{
    using Problem = Passwords::Problem;
    switch (problem) {
    case Problem::None:
        return QString();
    case Problem::NotFound:
        return QStringLiteral("このアカウントのパスワードが見つかりません。「修正」で入力し直してください。");
    case Problem::KeyringUnavailable:
        return what(use) + QStringLiteral("\nキーリングを利用できません。");
    case Problem::KeyringLocked:
        return what(use) + QStringLiteral("\nキーリングのロックが解除されませんでした。");
    case Problem::KeyringRefused:
        return what(use) + QStringLiteral("\nキーリングが要求を拒否しました。");
    case Problem::KeyringHoldsNothing:
        return what(use)
                + QStringLiteral("\nキーリングにパスワードが見つかりません。「修正」で入力し直すか、"
                                 "「パスワードをキーリングに保存」のチェックを外してください。");
    case Problem::ListChanged:
    case Problem::AccountChanged:
        // Written by hand, or by another copy of the program, while the keyring answered.
        return what(use) + QStringLiteral("\n一覧が変更されたため、操作を取り消しました。");
    case Problem::NotStored:
        break;
    }
    if (use == PasswordUse::Resume)
        return what(use) + QStringLiteral("\n設定ファイルに書き込めませんでした。");
    return QStringLiteral("エラーが発生しました。");
}

void showPasswordProblem(MessageBoxes &boxes, QWidget *parent, Passwords::Problem problem, PasswordUse use)
{
    boxes.show(parent, passwordProblemText(problem, use), MessageBoxes::Buttons::Ok);
}
