#include "common/processtree.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <algorithm>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) && defined(__x86_64__)
#define YORUMI_ASAN_LAYOUT 1
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

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
        // Fields after the name: state(0) ppid(1) ... utime(11) stime(12) cutime(13) cstime(14)
        // ... rss(21) pages. A process that has ended and was waited for hands its time on to
        // its parent (cutime, cstime), so the sum over a tree does not drop when one ends. One
        // that has ended and was not waited for yet (a zombie) still counts as a process.
        if (f.size() < 22)
            continue;
        const double ticksUsed = f[11].toDouble() + f[12].toDouble() + f[13].toDouble() + f[14].toDouble();
        out.append({ pid, f[1].toInt(), QString::fromLocal8Bit(text.mid(open + 1, close - open - 1)),
                     ticksUsed / double(ticks), f[21].toLong() * pageKb });
    }
    return out;
}

// TCP sockets of this process's network namespace by inode: "tcp LOCAL REMOTE".
QMap<QByteArray, QString> tcpSockets()
{
    QMap<QByteArray, QString> out;
    for (const char *table : { "/proc/net/tcp", "/proc/net/tcp6" }) {
        QFile f(QString::fromLatin1(table));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> c = lines[i].simplified().split(' ');
            if (c.size() < 10)
                continue;
            // Addresses are hex "ADDR:PORT"; the port is what tells connections apart here.
            const auto port = [](const QByteArray &address) {
                return QString::number(address.mid(address.indexOf(':') + 1).toUInt(nullptr, 16));
            };
            out.insert(c[9], QStringLiteral("tcp :%1 :%2").arg(port(c[1]), port(c[2])));
        }
    }
    return out;
}

QStringList openFileKinds(const QList<int> &pids)
{
    const QMap<QByteArray, QString> tcp = tcpSockets();
    QStringList out;
    for (const int pid : pids) {
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        // readlink itself: QFile::symLinkTarget would make "socket:[...]" a path.
        char buffer[4096];
        const ssize_t length = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), buffer, sizeof buffer);
        // A descriptor that is gone by now was the listing's own handle on the folder.
        if (length <= 0)
            continue;
        const QString target = QFile::decodeName(QByteArray(buffer, int(length)));
        if (target.startsWith(QLatin1String("socket:["))) {
            const QByteArray inode = target.mid(8, target.size() - 9).toLatin1();
            out << tcp.value(inode, QStringLiteral("socket"));
        } else if (target.startsWith(QLatin1String("pipe:["))) {
            out << QStringLiteral("pipe");
        } else if (target.startsWith(QLatin1String("/proc/")) && target.endsWith(QLatin1String("/fd"))) {
            // The listing's own handle on the folder.
            out << QStringLiteral("(this listing)");
        } else {
            out << target;
        }
    }
    }
    out.sort();
    return out;
}

#ifdef YORUMI_ASAN_LAYOUT
// Resident memory of this process outside AddressSanitizer's shadow memory and its heap
// (x86-64 layout: shadow from 0x7fff8000 to 0x10007fff8000, heap from 0x600000000000).
long residentOutsideSanitizerKb()
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return -1;
    long total = 0;
    bool counted = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (dash > 0 && space > dash && !line.startsWith("Rss:")) {
            bool ok = false;
            const quint64 start = line.left(dash).toULongLong(&ok, 16);
            if (ok) {
                const bool shadow = start >= 0x7fff8000ULL && start < 0x10007fff8000ULL;
                const bool heap = start >= 0x600000000000ULL && start < 0x640000000000ULL;
                counted = !shadow && !heap;
            }
        } else if (line.startsWith("Rss:") && counted) {
            total += line.mid(4).trimmed().split(' ').value(0).toLong();
        }
    }
    return total;
}
#endif

} // namespace

ProcessTree ProcessTree::now(const QList<qint64> &excluded)
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
                else
                    tree.ownResidentKb = e.residentKb;
            }
            if (e.parent == tree.pids[i] && !tree.pids.contains(e.pid) && !excluded.contains(e.pid))
                tree.pids << e.pid;
        }
    }
    tree.childNames.sort();
    // This process and the helpers it started itself (the engine's, which holds its files).
    QList<int> holders{ tree.pids.first() };
    for (const Entry &e : all)
        if (e.parent == tree.pids.first() && tree.pids.contains(e.pid))
            holders << e.pid;
#ifdef YORUMI_ASAN_LAYOUT
    if (const long outside = residentOutsideSanitizerKb(); outside >= 0)
        tree.ownProgramKb = outside + long(__sanitizer_get_current_allocated_bytes() / 1024);
#endif
    tree.fileKinds = openFileKinds(holders);
    tree.openFiles = int(tree.fileKinds.size());
    return tree;
}
