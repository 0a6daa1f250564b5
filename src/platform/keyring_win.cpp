#include "platform/keyring.h"

// The Credential Manager compares its entries' names without regard to case.
QString systemKey(const QString &key)
{
    return caseBlindKey(key);
}

// The Credential Manager lists an entry by its target name, which is the key itself (the ID
// spelt out by caseBlindKey()), and that name is also how the entry is found: it has no name
// of its own to set.
void labelSystemItem(QObject *, const QString &, const QString &)
{
}
