#pragma once

#include "web/enginechannel.h"

#include <QString>

// The words the windows show for logins and logouts: what runs, and how a run ended.
namespace StatusText {
inline const QString loginDone = QStringLiteral("ログイン完了");
inline const QString logoutDone = QStringLiteral("ログアウト完了");
inline const QString timedOut = QStringLiteral("タイムアウトしました。");
inline const QString loginFailed = QStringLiteral("ログインできませんでした。");
inline const QString logoutFailed = QStringLiteral("ログアウトできませんでした。");
inline const QString loginPageNotConfirmed = QStringLiteral("ログインページを確認できませんでした。");
inline const QString loggingIn = QStringLiteral("ログイン中...");
inline const QString loggingOut = QStringLiteral("ログアウト中...");

// What a login or logout that is running shows.
inline QString running(EnginePage page)
{
    return page == EnginePage::LogIn ? loggingIn : loggingOut;
}

// The status text a login or logout ends with.
inline QString ended(EnginePage page, RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Done:
        return page == EnginePage::LogIn ? loginDone : logoutDone;
    case RunOutcome::WrongPage:
        if (page == EnginePage::LogIn)
            return loginPageNotConfirmed;
        [[fallthrough]];
    case RunOutcome::Failed:
    case RunOutcome::Cancelled:
    case RunOutcome::EngineEnded:
    case RunOutcome::EngineUnavailable:
        return page == EnginePage::LogIn ? loginFailed : logoutFailed;
    case RunOutcome::TimedOut:
        break;
    }
    return timedOut;
}
// What made a run end so, where the program knows more than the status text says; empty where
// it does not.
inline QString cause(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::TimedOut:
        return QStringLiteral("ポータルが30秒以内に応答しませんでした。");
    case RunOutcome::EngineEnded:
        return QStringLiteral("ブラウザエンジンが途中で終了しました。");
    case RunOutcome::EngineUnavailable:
        return QStringLiteral("ブラウザエンジンを起動できませんでした。");
    case RunOutcome::Done:
    case RunOutcome::Failed:
    case RunOutcome::WrongPage:
    case RunOutcome::Cancelled:
        break;
    }
    return QString();
}
} // namespace StatusText
