#pragma once

#include "web/frmwb.h"
#include "web/helperengine.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

// The engine helper of a host that runs the program's own engine, or 0 while none runs.
inline qint64 helperPid(const frmWB &host)
{
    const auto *engine = dynamic_cast<const HelperEngine *>(&host.engine());
    return engine ? engine->helperProcessId() : 0;
}

// The windows of a process that are mapped on the display now, by their _NET_WM_PID.
inline QStringList visibleWindowsOf(qint64 pid)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                   QString::number(pid) });
    search.waitForFinished(5000);
    return QString::fromLatin1(search.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Whether one of a process's /proc files (cmdline, environ, maps) holds the bytes.
inline bool procFileHolds(qint64 pid, const char *name, const QByteArray &bytes)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(bytes);
}
