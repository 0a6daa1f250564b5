// The account store as a fresh start of the program reads it, checked for the end-to-end
// reliability tests. Never prints a password.
//
//   storecheck list
//       Reads $XDG_CONFIG_HOME/YRMLD.conf with the program's own store code, slot after slot up
//       to the first empty ID, as the settings window loads it. Every account must have been
//       stored as an ID "id<N>" with its password "pw<N>". Prints two lines:
//           LIST <N> <N> ...           (the account numbers in slot order)
//           BESIDE <name> <name> ...   (the other files in the configuration folder)
//       and, on stderr, a line for everything wrong. Exit status 0 when the store is sound:
//       the file reads the same through QSettings without a format error, every key is stored
//       once, no slot pairs one account's ID with another's password.
//   storecheck kill-on-write PID DELAY_US
//       Waits for the first change in the configuration folder (a file created, written or
//       renamed), then DELAY_US microseconds more, and kills PID with SIGKILL. Prints the
//       name of the file that changed. Ends without killing when PID ends first.

#include "store/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kApplication = QStringLiteral("YRMLD");

int complain(const QString &text)
{
    std::fprintf(stderr, "storecheck: %s\n", qPrintable(text));
    return 1;
}

// The account number N of "id<N>" or "pw<N>", or -1.
int accountNumber(const QString &text, const char *prefix)
{
    if (!text.startsWith(QLatin1String(prefix)))
        return -1;
    bool ok = false;
    const int number = text.mid(2).toInt(&ok);
    return ok && number >= 0 ? number : -1;
}

int list()
{
    const QString path = SettingsStore::location(kApplication);
    int problems = 0;
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        problems += complain(QStringLiteral("the store is not a plain file"));

    SettingsStore store;
    QStringList numbers;
    QSet<int> seen;
    int slot = 0;
    for (; slot < 100; ++slot) {
        const QString id = store.read(kApplication, kIdSection, idKey(slot));
        if (id.isEmpty())
            break;
        const QString password = store.read(kApplication, kPwSection, pwKey(slot));
        const int number = accountNumber(id, "id");
        if (number < 0) {
            problems += complain(QStringLiteral("slot %1 holds an ID that was never stored").arg(slot));
            continue;
        }
        if (accountNumber(password, "pw") != number)
            problems += complain(QStringLiteral("slot %1: %2 is paired with a password that is not its own")
                                         .arg(slot)
                                         .arg(id));
        if (seen.contains(number))
            problems += complain(QStringLiteral("slot %1: %2 is listed twice").arg(slot).arg(id));
        seen.insert(number);
        numbers << QString::number(number);
    }
    // Nothing after the list: a slot past its end would come back into the list later.
    for (int rest = slot; rest < 100; ++rest) {
        if (!store.read(kApplication, kPwSection, pwKey(rest)).isEmpty()
            || !store.read(kApplication, kIdSection, idKey(rest)).isEmpty())
            problems += complain(QStringLiteral("slot %1 past the end of the list still holds keys").arg(rest));
    }

    // The file is valid: QSettings reads it without a format error and to the same values, and
    // no key is stored twice.
    if (QFileInfo(path).isFile()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return complain(QStringLiteral("the store cannot be read"));
        const QByteArray contents = file.readAll();
        QSet<QByteArray> keys;
        QByteArray section;
        for (const QByteArray &line : contents.split('\n')) {
            if (line.startsWith('['))
                section = line;
            else if (const qsizetype equals = line.indexOf('='); equals > 0
                     && !keys.contains(section + line.left(equals)))
                keys.insert(section + line.left(equals));
            else if (!line.isEmpty())
                problems += complain(QStringLiteral("a line of the store is stored twice or is not a key"));
        }
        QSettings settings(path, QSettings::IniFormat);
        const QStringList all = settings.allKeys();
        if (settings.status() != QSettings::NoError)
            problems += complain(QStringLiteral("QSettings finds the store damaged"));
        for (int i = 0; i < numbers.size(); ++i) {
            if (settings.value(kIdSection + QLatin1Char('/') + idKey(i)).toString()
                        != store.read(kApplication, kIdSection, idKey(i))
                || settings.value(kPwSection + QLatin1Char('/') + pwKey(i)).toString()
                        != store.read(kApplication, kPwSection, pwKey(i)))
                problems += complain(QStringLiteral("QSettings reads slot %1 otherwise").arg(i));
        }
        if (all.size() != 2 * numbers.size())
            problems += complain(QStringLiteral("the store holds %1 keys for %2 accounts")
                                         .arg(all.size())
                                         .arg(numbers.size()));
    }
    std::printf("LIST %s\n", qPrintable(numbers.join(QLatin1Char(' '))));
    const QFileInfo info(path);
    QStringList beside = info.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    beside.removeOne(info.fileName());
    std::printf("BESIDE %s\n", qPrintable(beside.join(QLatin1Char(' '))));
    return problems == 0 ? 0 : 1;
}

int killOnWrite(pid_t pid, long delayUs)
{
    const QString folder = QFileInfo(SettingsStore::location(kApplication)).absolutePath();
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0
        || inotify_add_watch(watch, QFile::encodeName(folder).constData(),
                             IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_DELETE)
                < 0)
        return complain(QStringLiteral("cannot watch the configuration folder"));
    // The program's end, as an event too: its pidfd becomes readable.
    const int process = int(::syscall(SYS_pidfd_open, pid, 0));
    if (process < 0)
        return complain(QStringLiteral("no such process"));
    std::printf("armed\n");
    std::fflush(stdout);
    pollfd waits[2] = { { watch, POLLIN, 0 }, { process, POLLIN, 0 } };
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return complain(QStringLiteral("cannot wait"));
        }
        if (waits[1].revents)
            return 0; // ended before it wrote
        if (waits[0].revents)
            break;
    }
    alignas(inotify_event) char buffer[4096];
    const ssize_t got = ::read(watch, buffer, sizeof buffer);
    if (delayUs > 0)
        ::usleep(useconds_t(delayUs));
    ::kill(pid, SIGKILL);
    if (got >= ssize_t(sizeof(inotify_event))) {
        const auto *event = reinterpret_cast<const inotify_event *>(buffer);
        // A file written before it is given a name shows as "#<inode>".
        const bool named = event->len > 0 && event->name[0] != '#';
        std::printf("killed after a change of %s\n",
                    named ? event->name : "the new file, not yet named");
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args[1] == QLatin1String("list"))
        return list();
    if (args.size() == 4 && args[1] == QLatin1String("kill-on-write"))
        return killOnWrite(pid_t(args[2].toLong()), args[3].toLong());
    return complain(QStringLiteral("usage: storecheck list | kill-on-write PID DELAY_US"));
}
