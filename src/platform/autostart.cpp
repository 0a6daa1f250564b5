#include "platform/autostart.h"

#include "platform/versioninfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

#ifdef Q_OS_WIN
const QString kRunKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kRunValue = QStringLiteral("yorumi-livedoor");
#endif

// One argument of an Exec key: quoted when it holds what would split or expand it, with the
// characters that a quoted argument escapes, and '%' doubled as everywhere in the key.
QString execArgument(const QString &argument)
{
    QString escaped = argument;
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString special = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=");
    if (!std::any_of(argument.begin(), argument.end(), [](QChar c) { return special.contains(c); }))
        return escaped;
    QString quoted;
    for (const QChar c : std::as_const(escaped)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString desktopExecLine(const QString &program, const QString &argument)
{
    return execArgument(program) + QLatin1Char(' ') + execArgument(argument);
}

QString Autostart::location()
{
#ifdef Q_OS_WIN
    return kRunKey + QLatin1Char('\\') + kRunValue;
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/autostart/yorumi-livedoor.desktop");
#endif
}

#ifdef Q_OS_WIN

bool Autostart::isEnabled() const
{
    return QSettings(kRunKey, QSettings::NativeFormat).contains(kRunValue);
}

bool Autostart::enable(const QString &program)
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    run.setValue(kRunValue, QStringLiteral("\"%1\" %2")
                                    .arg(QDir::toNativeSeparators(program), QLatin1String(kAutostartArgument)));
    run.sync();
    return run.status() == QSettings::NoError;
}

bool Autostart::disable()
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    run.remove(kRunValue);
    run.sync();
    return !run.contains(kRunValue);
}

#else

bool Autostart::isEnabled() const
{
    return QFileInfo::exists(location());
}

bool Autostart::enable(const QString &program)
{
    const QString path = location();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=%1\n"
                                         "Exec=%2\n"
                                         "Icon=yorumi-livedoor\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                                  .arg(QString::fromUtf8(VersionInfo::legalTrademarks),
                                       desktopExecLine(program, QLatin1String(kAutostartArgument)));
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(entry.toUtf8()) == entry.toUtf8().size()
            && file.commit();
}

bool Autostart::disable()
{
    const QString path = location();
    return !QFileInfo::exists(path) || QFile::remove(path);
}

#endif
