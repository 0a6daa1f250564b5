#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What this process and everything it started (the browser engine's helper processes) cost
// and hold, read from /proc at one moment.
struct ProcessTree
{
    // This process and its descendants, read now.
    static ProcessTree now();

    QList<int> pids;          // this process first
    long residentKb = 0;      // resident memory of all of them
    double cpuSeconds = 0;    // user and system time of all of them (dead children excluded)
    int openFiles = 0;        // file descriptors of this process (/proc/self/fd)
    QStringList childNames;   // the command names of the descendants, sorted

    int children() const { return int(pids.size()) - 1; }
};
