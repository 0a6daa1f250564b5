#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// How the portal window tells its tabs' accounts apart: by name (ゲスト for the guest) and by a
// colour taken from a digest of the ID, the same for an ID every time and in every run.
QString accountLabel(const QString &account);
// The account's colour; a neutral grey for the guest.
QColor accountColour(const QString &account);
// A small round mark in the account's colour, for the tab bar.
QIcon accountMark(const QString &account);
