#include "store/programsettings.h"

#include <algorithm>
#include <array>

namespace {

struct Setting
{
    ProgramSettings::Key key;
    const char *name;
    QVariant fallback;
};

// Every setting: its key in the file, which earlier versions wrote too, and its default.
const std::array<Setting, 11> &settings()
{
    using Key = ProgramSettings::Key;
    static const std::array<Setting, 11> table{ {
            { Key::LinksInDefaultBrowser, "Links/InDefaultBrowser", false },
            { Key::ClearsClipboard, "Clipboard/ClearAfter30s", true },
            { Key::PasswordsInKeyring, "Keyring/Enabled", false },
            { Key::ProfilePerAccount, "WebEngine/ProfilePerAccount", false },
            { Key::LastAccount, "Login/LastAccount", QString() },
            { Key::LoginSessions, "Login/Sessions", QString() },
            { Key::ExpiredLogins, "Login/Expired", QStringList() },
            { Key::LoginCookies, "Login/Cookies", QString() },
            { Key::PortalCookies, "Login/PortalCookies", QString() },
            { Key::RenewsLogins, "Login/RenewExpired", false },
            { Key::PortalWindowGeometry, "PortalWindow/Geometry", QByteArray() },
    } };
    return table;
}

const Setting &settingOf(ProgramSettings::Key key)
{
    const auto &table = settings();
    return *std::find_if(table.begin(), table.end(), [key](const Setting &setting) { return setting.key == key; });
}

// The value as its setting's type; a value that is not of that type reads as the default.
QVariant asTypeOf(const Setting &setting, QVariant value)
{
    if (!value.isValid() || !value.convert(setting.fallback.metaType()))
        return setting.fallback;
    return value;
}

} // namespace

ProgramSettings::ProgramSettings(QObject *parent)
    : QObject(parent)
{
}

ProgramSettings::~ProgramSettings() = default;

QVariant ProgramSettings::value(Key key) const
{
    const Setting &setting = settingOf(key);
    return asTypeOf(setting, m_file.value(QLatin1String(setting.name)));
}

bool ProgramSettings::set(Key key, const QVariant &value)
{
    const Setting &setting = settingOf(key);
    const QVariant typed = asTypeOf(setting, value);
    if (typed == this->value(key))
        return true;
    const bool empty = (typed.metaType() == QMetaType::fromType<QString>() && typed.toString().isEmpty())
            || (typed.metaType() == QMetaType::fromType<QByteArray>() && typed.toByteArray().isEmpty())
            || (typed.metaType() == QMetaType::fromType<QStringList>() && typed.toStringList().isEmpty());
    if (!m_file.write(QLatin1String(setting.name), empty ? QVariant() : typed))
        return false;
    emit changed(key);
    return true;
}
