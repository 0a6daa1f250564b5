#include "store/programsettings.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kLinksInDefaultBrowser = QStringLiteral("Links/InDefaultBrowser");
const QString kClearClipboard = QStringLiteral("Clipboard/ClearAfter30s");
const QString kInKeyring = QStringLiteral("Keyring/Enabled");
const QString kUnfinishedMove = QStringLiteral("Keyring/UnfinishedMove");
const QString kUnsettledIds = QStringLiteral("Keyring/UnsettledIds");
const QString kKeptKeys = QStringLiteral("Keyring/KeptKeys");
const QString kLastAccount = QStringLiteral("Login/LastAccount");
const QString kLoginSessions = QStringLiteral("Login/Sessions");
const QString kRenewLogins = QStringLiteral("Login/RenewExpired");
const QString kProfilePerAccount = QStringLiteral("WebEngine/ProfilePerAccount");
const QString kPortalWindowGeometry = QStringLiteral("PortalWindow/Geometry");

} // namespace

ProgramSettings::ProgramSettings()
    : m_settings(std::make_unique<QSettings>(location(), Paths::programSettingsFormat()))
{
    // One left by an earlier version may be open to others.
    if (QFile::exists(location()))
        keepPrivate();
}

void ProgramSettings::keepPrivate() const
{
    // Where the settings are a file, not the registry. A new file starts closed (made here, in
    // its folder, before the settings write it), and the file written anew at each change takes
    // the mode of the one it replaces.
    if (Paths::programSettingsFormat() != QSettings::IniFormat)
        return;
    constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile file(location());
    if (file.exists())
        file.setPermissions(kOwnerOnly);
    else if (QDir().mkpath(QFileInfo(location()).path()))
        file.open(QIODevice::WriteOnly, kOwnerOnly);
}

ProgramSettings::~ProgramSettings() = default;

QString ProgramSettings::location()
{
    return Paths::programSettings();
}

bool ProgramSettings::linksInDefaultBrowser() const
{
    return m_settings->value(kLinksInDefaultBrowser, false).toBool();
}

void ProgramSettings::setLinksInDefaultBrowser(bool inDefaultBrowser)
{
    write(kLinksInDefaultBrowser, inDefaultBrowser);
}

bool ProgramSettings::clearsClipboard() const
{
    return m_settings->value(kClearClipboard, true).toBool();
}

void ProgramSettings::setClearsClipboard(bool clears)
{
    write(kClearClipboard, clears);
}

bool ProgramSettings::passwordsInKeyring() const
{
    return m_settings->value(kInKeyring, false).toBool();
}

bool ProgramSettings::setPasswordsInKeyring(bool inKeyring)
{
    return write(kInKeyring, inKeyring);
}

std::optional<bool> ProgramSettings::unfinishedMove() const
{
    const QString move = m_settings->value(kUnfinishedMove).toString();
    if (move.isEmpty())
        return std::nullopt;
    return move == QLatin1String("keyring");
}

bool ProgramSettings::setUnfinishedMove(std::optional<bool> toKeyring)
{
    if (!toKeyring)
        return write(kUnfinishedMove, QVariant());
    return write(kUnfinishedMove, *toKeyring ? QStringLiteral("keyring") : QStringLiteral("store"));
}

QStringList ProgramSettings::unsettledIds() const
{
    return m_settings->value(kUnsettledIds).toStringList();
}

bool ProgramSettings::setUnsettledIds(const QStringList &ids)
{
    if (ids.isEmpty())
        return write(kUnsettledIds, QVariant());
    return write(kUnsettledIds, ids);
}

QStringList ProgramSettings::keptKeys() const
{
    return m_settings->value(kKeptKeys).toStringList();
}

bool ProgramSettings::setKeptKeys(const QStringList &keys)
{
    if (keys.isEmpty())
        return write(kKeptKeys, QVariant());
    return write(kKeptKeys, keys);
}

bool ProgramSettings::profilePerAccount() const
{
    return m_settings->value(kProfilePerAccount, false).toBool();
}

void ProgramSettings::setProfilePerAccount()
{
    write(kProfilePerAccount, true);
}

QString ProgramSettings::lastAccount() const
{
    return m_settings->value(kLastAccount).toString();
}

void ProgramSettings::setLastAccount(const QString &id)
{
    write(kLastAccount, id);
}

QByteArray ProgramSettings::loginSessions() const
{
    return m_settings->value(kLoginSessions).toString().toUtf8();
}

void ProgramSettings::setLoginSessions(const QByteArray &sessions)
{
    write(kLoginSessions, sessions.isEmpty() ? QVariant() : QVariant(QString::fromUtf8(sessions)));
}

bool ProgramSettings::renewsLogins() const
{
    return m_settings->value(kRenewLogins, false).toBool();
}

void ProgramSettings::setRenewsLogins(bool renews)
{
    write(kRenewLogins, renews);
}

QByteArray ProgramSettings::portalWindowGeometry() const
{
    return m_settings->value(kPortalWindowGeometry).toByteArray();
}

void ProgramSettings::setPortalWindowGeometry(const QByteArray &geometry)
{
    write(kPortalWindowGeometry, geometry);
}

bool ProgramSettings::write(const QString &key, const QVariant &value)
{
    if (value.isValid())
        m_settings->setValue(key, value);
    else
        m_settings->remove(key);
    if (!QFile::exists(location()))
        keepPrivate();
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
