#include "platform/keyring.h"

// The Credential Manager compares its entries' names without regard to case.
QString systemKey(const QString &key)
{
    return caseBlindKey(key);
}
