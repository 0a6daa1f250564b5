#include "platform/autostart.h"

#include "platform/paths.h"

#include <algorithm>

namespace {

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
    return Paths::autostartEntry();
}
