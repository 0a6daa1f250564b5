#pragma once

#include "store/accountlist.h"
#include "store/accounts.h"

// Why a call on the passwords did not do what it was asked.
enum class PasswordProblem {
    None,
    // No password for the account: neither in the keyring nor in the store, or the slot no
    // longer holds the ID asked for.
    NotFound,
    // There is no keyring to talk to.
    KeyringUnavailable,
    // The keyring stayed locked.
    KeyringLocked,
    // The keyring refused.
    KeyringRefused,
    // The keyring is open but holds none of the passwords: the mark is gone.
    KeyringHoldsNothing,
    // The store did not take the change (or the slot is out of reach, or the keyring's side of
    // the change could not be made safe against a kill: see PasswordPlan).
    NotStored,
    // The store no longer holds the list the change was worked out over (written by hand, or
    // by another copy of the program, while the command waited): nothing was written.
    ListChanged,
    // Only the account the change replaces was changed meanwhile: nothing was written.
    AccountChanged,
};

// The problem that the store's answer to a change, or a list found changed, makes.
PasswordProblem problemOf(Accounts::Outcome outcome);
PasswordProblem problemOf(Staleness staleness);
