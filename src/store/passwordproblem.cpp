#include "store/passwordproblem.h"

PasswordProblem problemOf(Accounts::Outcome outcome)
{
    switch (outcome) {
    case Accounts::Outcome::Written:
        return PasswordProblem::None;
    case Accounts::Outcome::ListChanged:
        return PasswordProblem::ListChanged;
    case Accounts::Outcome::AccountChanged:
        return PasswordProblem::AccountChanged;
    case Accounts::Outcome::Failed:
        break;
    }
    return PasswordProblem::NotStored;
}

PasswordProblem problemOf(Staleness staleness)
{
    switch (staleness) {
    case Staleness::None:
        return PasswordProblem::None;
    case Staleness::Account:
        return PasswordProblem::AccountChanged;
    case Staleness::List:
        break;
    }
    return PasswordProblem::ListChanged;
}
