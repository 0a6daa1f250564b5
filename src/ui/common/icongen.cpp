// Writes the program's icon theme files: icongen <hicolor folder>
//   <folder>/scalable/apps/yorumi-livedoor.svg
//   <folder>/<n>x<n>/apps/yorumi-livedoor.png for every installed size n.
#include "ui/common/appicon.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <hicolor folder>\n", argv[0]);
        return 2;
    }
    const QString root = QFile::decodeName(argv[1]);
    const QString name = QStringLiteral("yorumi-livedoor");

    const QString scalable = root + QStringLiteral("/scalable/apps");
    QFile svg(scalable + QLatin1Char('/') + name + QStringLiteral(".svg"));
    const QByteArray document = applicationIconSvg();
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || svg.write(document) != document.size()) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    svg.close();

    for (const int size : kApplicationIconSizes) {
        const QString folder = root + QStringLiteral("/%1x%1/apps").arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !applicationIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
