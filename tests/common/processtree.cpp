#include "common/processtree.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <unistd.h>

namespace {

struct Entry
{
    int pid;
    int parent;
    QString name;
    double cpuSeconds;
    long residentKb;
};

QList<Entry> allProcesses()
{
    QList<Entry> out;
    static const long ticks = ::sysconf(_SC_CLK_TCK);
    static const long pageKb = ::sysconf(_SC_PAGESIZE) / 1024;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qsizetype open = text.indexOf('(');
        const qsizetype close = text.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> f = text.mid(close + 2).split(' ');
        // Fields after the name: state(0) ppid(1) ... utime(11) stime(12) ... rss(21) pages.
        if (f.size() < 22 || f[0] == "Z")
            continue;
        out.append({ pid, f[1].toInt(), QString::fromLocal8Bit(text.mid(open + 1, close - open - 1)),
                     (f[11].toDouble() + f[12].toDouble()) / double(ticks), f[21].toLong() * pageKb });
    }
    return out;
}

} // namespace

ProcessTree ProcessTree::now()
{
    const QList<Entry> all = allProcesses();
    ProcessTree tree;
    tree.pids << int(::getpid());
    for (qsizetype i = 0; i < tree.pids.size(); ++i) {
        for (const Entry &e : all) {
            if (e.pid == tree.pids[i]) {
                tree.cpuSeconds += e.cpuSeconds;
                tree.residentKb += e.residentKb;
                if (i > 0)
                    tree.childNames << e.name;
            }
            if (e.parent == tree.pids[i] && !tree.pids.contains(e.pid))
                tree.pids << e.pid;
        }
    }
    tree.childNames.sort();
    tree.openFiles = int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
    return tree;
}
