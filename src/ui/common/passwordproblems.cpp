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

QString passwordProblemCause(Passwords::Problem problem)
{
    using Problem = Passwords::Problem;
    switch (problem) {
    case Problem::None:
        return QString();
    case Problem::NotFound:
        return QStringLiteral("このアカウントのパスワードが見つかりません。「修正」で入力し直してください。");
    case Problem::KeyringUnavailable:
        return QStringLiteral("キーリングを利用できません。");
    case Problem::KeyringLocked:
        return QStringLiteral("キーリングのロックが解除されませんでした。");
    case Problem::KeyringRefused:
        return QStringLiteral("キーリングが要求を拒否しました。");
    case Problem::KeyringHoldsNothing:
        return QStringLiteral("キーリングにパスワードが見つかりません。「修正」で入力し直すか、"
                              "「パスワードをキーリングに保存」のチェックを外してください。");
    case Problem::ListChanged:
    case Problem::AccountChanged:
        // Written by hand, or by another copy of the program, while the keyring answered.
        return QStringLiteral("一覧が変更されたため、操作を取り消しました。");
    case Problem::NotStored:
        break;
    }
    return QStringLiteral("設定ファイルに書き込めませんでした。");
}

QString passwordProblemText(Passwords::Problem problem, PasswordUse use)
{
    using Problem = Passwords::Problem;
    switch (problem) {
    case Problem::None:
    case Problem::NotFound:
        return passwordProblemCause(problem);
    case Problem::NotStored:
        if (use != PasswordUse::Resume)
            return QStringLiteral("エラーが発生しました。");
        break;
    case Problem::KeyringUnavailable:
    case Problem::KeyringLocked:
    case Problem::KeyringRefused:
    case Problem::KeyringHoldsNothing:
    case Problem::ListChanged:
    case Problem::AccountChanged:
        break;
    }
    return what(use) + QLatin1Char('\n') + passwordProblemCause(problem);
}

void showPasswordProblem(MessageBoxes &boxes, QWidget *parent, Passwords::Problem problem, PasswordUse use)
{
    boxes.show(parent, passwordProblemText(problem, use), MessageBoxes::Buttons::Ok);
}
