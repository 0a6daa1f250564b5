#include "web/accountprofile.h"

#include <QCryptographicHash>
#include <QDir>

namespace AccountProfile {

namespace {

// 128 bits of the digest: no two IDs a person keeps share them.
constexpr int kNameLength = 32;

} // namespace

QString folderName(const QString &account)
{
    if (account.isEmpty())
        return {};
    const QByteArray digest = QCryptographicHash::hash(account.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex().left(kNameLength));
}

QString accountsFolder(const QString &root)
{
    return root + QStringLiteral("/accounts");
}

QString folder(const QString &root, const QString &account)
{
    return account.isEmpty() ? root : accountsFolder(root) + QLatin1Char('/') + folderName(account);
}

void removeFolders(const QString &storageRoot, const QString &cacheRoot, const QString &account)
{
    if (account.isEmpty())
        return;
    for (const QString &root : { storageRoot, cacheRoot })
        QDir(folder(root, account)).removeRecursively();
}

} // namespace AccountProfile
