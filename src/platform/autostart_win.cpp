#include "platform/autostart.h"

#include <QDir>
#include <QSettings>

// A value of the user's Run key, which Windows starts at login.

namespace {

// The Run key and the value's name, from the entry's registry path.
QString runKey()
{
    const QString entry = Autostart::location();
    return entry.left(entry.lastIndexOf(QLatin1Char('\\')));
}

QString runValue()
{
    const QString entry = Autostart::location();
    return entry.mid(entry.lastIndexOf(QLatin1Char('\\')) + 1);
}

} // namespace

bool Autostart::isEnabled() const
{
    return QSettings(runKey(), QSettings::NativeFormat).contains(runValue());
}

bool Autostart::enable(const QString &program)
{
    QSettings run(runKey(), QSettings::NativeFormat);
    run.setValue(runValue(), QStringLiteral("\"%1\" %2")
                                     .arg(QDir::toNativeSeparators(program), QLatin1String(kAutostartArgument)));
    run.sync();
    return run.status() == QSettings::NoError;
}

bool Autostart::disable()
{
    QSettings run(runKey(), QSettings::NativeFormat);
    run.remove(runValue());
    run.sync();
    return !run.contains(runValue());
}
