#include "store/programsettings.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kLinksInDefaultBrowser = QStringLiteral("Links/InDefaultBrowser");
const QString kLastAccount = QStringLiteral("Login/LastAccount");
const QString kPortalWindowGeometry = QStringLiteral("PortalWindow/Geometry");

} // namespace

ProgramSettings::ProgramSettings()
#ifdef Q_OS_WIN
    : m_settings(std::make_unique<QSettings>(location(), QSettings::NativeFormat))
#else
    : m_settings(std::make_unique<QSettings>(location(), QSettings::IniFormat))
#endif
{
}

ProgramSettings::~ProgramSettings() = default;

QString ProgramSettings::location()
{
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\yorumi-livedoor");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/yorumi-livedoor.conf");
#endif
}

bool ProgramSettings::linksInDefaultBrowser() const
{
    return m_settings->value(kLinksInDefaultBrowser, false).toBool();
}

void ProgramSettings::setLinksInDefaultBrowser(bool inDefaultBrowser)
{
    write(kLinksInDefaultBrowser, inDefaultBrowser);
}

QString ProgramSettings::lastAccount() const
{
    return m_settings->value(kLastAccount).toString();
}

void ProgramSettings::setLastAccount(const QString &id)
{
    write(kLastAccount, id);
}

QByteArray ProgramSettings::portalWindowGeometry() const
{
    return m_settings->value(kPortalWindowGeometry).toByteArray();
}

void ProgramSettings::setPortalWindowGeometry(const QByteArray &geometry)
{
    write(kPortalWindowGeometry, geometry);
}

void ProgramSettings::write(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}
