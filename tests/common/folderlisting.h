#pragma once

#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

// Every file and folder under some roots, with size and modification time: two listings
// taken before and after something differ exactly where it wrote.
inline QStringList folderListing(const QStringList &roots, const QStringList &skipped = {})
{
    QStringList out;
    for (const QString &root : roots) {
        QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            bool skip = false;
            for (const QString &s : skipped)
                skip = skip || path == s || path.startsWith(s + QLatin1Char('/'));
            if (skip)
                continue;
            const QFileInfo info = it.fileInfo();
            out << QStringLiteral("%1 %2 %3")
                            .arg(path, info.isDir() ? QStringLiteral("dir") : QString::number(info.size()),
                                 info.isDir() ? QString()
                                              : QString::number(info.lastModified().toMSecsSinceEpoch()));
        }
    }
    out.sort();
    return out;
}
