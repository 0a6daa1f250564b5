#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// How the windows tell accounts apart (the portal window's tabs, the settings window's list): by
// name (ゲスト for the guest) and by a colour taken from a digest of the ID, the same for an ID
// every time, in every run and in both programs.
QString accountLabel(const QString &account);
// The account's colour; a neutral grey for the guest.
QColor accountColour(const QString &account);
// A small round mark in the account's colour, for the tab bar; a ring of that colour when not
// `filled` (the settings window's list marks so an account that is not logged in).
QIcon accountMark(const QString &account, bool filled = true);
