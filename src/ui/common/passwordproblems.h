#pragma once

#include "store/passwords.h"

#include <QString>

class MessageBoxes;
class QWidget;

// What was being done with a password when a problem came up.
enum class PasswordUse {
    Read,
    Write,
    MoveIntoKeyring,
    MoveOutOfKeyring,
    // Finishing, at start, a move or a change that the program's last run left unfinished.
    Resume,
};

// What the program says, in the settings window's message box or the tray's notification,
// when a password could not be read, stored or moved.
QString passwordProblemText(Passwords::Problem problem, PasswordUse use);

// Why the password could not be had, without what was being done: the end of that text.
QString passwordProblemCause(Passwords::Problem problem);

// Shows that text in a message box over `parent`.
void showPasswordProblem(MessageBoxes &boxes, QWidget *parent, Passwords::Problem problem, PasswordUse use);
