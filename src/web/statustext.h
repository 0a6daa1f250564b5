#pragma once

#include <QString>

// The status texts a login or logout run ends with.
namespace StatusText {
inline const QString loginDone = QStringLiteral("ログイン完了");
inline const QString logoutDone = QStringLiteral("ログアウト完了");
inline const QString timedOut = QStringLiteral("タイムアウトしました。");
inline const QString loginFailed = QStringLiteral("ログインできませんでした。");
inline const QString logoutFailed = QStringLiteral("ログアウトできませんでした。");
inline const QString loggingIn = QStringLiteral("ログイン中...");
inline const QString loggingOut = QStringLiteral("ログアウト中...");
} // namespace StatusText
