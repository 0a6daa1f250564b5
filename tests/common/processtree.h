#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What this process and everything it started (the browser engine's helper processes) cost
// and hold, read from /proc at one moment.
struct ProcessTree
{
    // This process and its descendants, read now, leaving out the given processes and
    // theirs.
    static ProcessTree now(const QList<qint64> &excluded = {});

    QList<int> pids;          // this process first
    long residentKb = 0;      // resident memory of all of them
    long ownResidentKb = 0;   // resident memory of this process alone
    // Under AddressSanitizer: this process's resident memory without the sanitizer's own
    // bookkeeping (its heap with the freed blocks it holds back, and the shadow memory, which
    // grow with use on their own), with the heap's live blocks counted instead; -1 otherwise.
    // The sanitizer's record of allocation stacks is still in it, and grows by itself too
    // (about 13 kB per login and logout), so the figure runs higher than a release build's.
    long ownProgramKb = -1;
    // User and system time of all of them and of every process of theirs that has ended.
    double cpuSeconds = 0;
    // File descriptors of this process and of the processes it started itself (the engine
    // helper), from /proc/PID/fd.
    int openFiles = 0;
    // What those descriptors are: paths, "pipe", "anon_inode:...", and for TCP sockets
    // "tcp LOCAL REMOTE" (other sockets as "socket"); sorted.
    QStringList fileKinds;
    QStringList childNames;   // the command names of the descendants, sorted

    int children() const { return int(pids.size()) - 1; }
    // The memory the program holds: resident memory of the whole tree, except that under
    // AddressSanitizer this process counts by its live heap.
    long programKb() const
    {
        return ownProgramKb < 0 ? residentKb : residentKb - ownResidentKb + ownProgramKb;
    }
};
