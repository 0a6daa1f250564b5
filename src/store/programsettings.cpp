#include "store/programsettings.h"

#include "platform/paths.h"

#include <QSettings>

namespace {

const QString kLinksInDefaultBrowser = QStringLiteral("Links/InDefaultBrowser");
const QString kClearClipboard = QStringLiteral("Clipboard/ClearAfter30s");
const QString kLastAccount = QStringLiteral("Login/LastAccount");
const QString kPortalWindowGeometry = QStringLiteral("PortalWindow/Geometry");

} // namespace

ProgramSettings::ProgramSettings()
    : m_settings(std::make_unique<QSettings>(location(), Paths::programSettingsFormat()))
{
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
