#include "platform/autostart.h"

#include "platform/versioninfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// An XDG autostart entry, which the desktop's session starts at login.

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
