#include "ui/common/appicon.h"

#include <QFile>
#include <QTest>
#include <QXmlStreamReader>

namespace {
// The sizes of the installed pixel images, in pixels (data/icons/hicolor/<size>x<size>).
const QList<int> kSizes{ 16, 22, 24, 32, 48, 64, 128, 256 };
} // namespace

class tst_AppIcon : public QObject
{
    Q_OBJECT
private slots:
    void pixelImagesShowTheTile_data();
    void pixelImagesShowTheTile();
    void windowIconHasEverySize();
    void svgDrawsTheSamePicture();
    void keptIconFilesAreTheDrawing();
};

void tst_AppIcon::pixelImagesShowTheTile_data()
{
    QTest::addColumn<int>("size");
    for (const int size : kSizes)
        QTest::addRow("%d", size) << size;
}

void tst_AppIcon::pixelImagesShowTheTile()
{
    QFETCH(int, size);
    const QImage image = applicationIconImage(size);
    QCOMPARE(image.size(), QSize(size, size));
    // A point of the 64 x 64 design grid, at this size.
    auto at = [&](double x, double y) {
        return image.pixelColor(int(x * size / 64), int(y * size / 64));
    };
    QCOMPARE(at(0, 0).alpha(), 0);
    QCOMPARE(at(63, 63).alpha(), 0);
    QCOMPARE(at(10, 32), QColor(0x3c, 0x9a, 0x1e));
    QCOMPARE(at(54, 20), QColor(0x3c, 0x9a, 0x1e));
    QCOMPARE(at(25, 30), QColor(Qt::white));
    QCOMPARE(at(40, 47), QColor(Qt::white));
    QCOMPARE(at(40, 30), QColor(0x3c, 0x9a, 0x1e));
}

void tst_AppIcon::windowIconHasEverySize()
{
    const QIcon icon = applicationIcon();
    QList<QSize> expected;
    for (const int size : kSizes)
        expected << QSize(size, size);
    QCOMPARE(icon.availableSizes(), expected);
}

void tst_AppIcon::svgDrawsTheSamePicture()
{
    QXmlStreamReader xml(applicationIconSvg());
    QStringList elements;
    QMap<QString, QString> attributes;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        elements << name;
        for (const QXmlStreamAttribute &attribute : xml.attributes())
            attributes.insert(name + QLatin1Char('.') + attribute.name().toString(),
                              attribute.value().toString());
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(elements, (QStringList{ "svg", "rect", "polygon" }));
    QCOMPARE(attributes.value("svg.viewBox"), QStringLiteral("0 0 64 64"));
    QCOMPARE(attributes.value("rect.x"), QStringLiteral("2"));
    QCOMPARE(attributes.value("rect.width"), QStringLiteral("60"));
    QCOMPARE(attributes.value("rect.rx"), QStringLiteral("12"));
    QCOMPARE(attributes.value("rect.fill"), QStringLiteral("#3c9a1e"));
    QCOMPARE(attributes.value("polygon.points"),
             QStringLiteral("20,12 30,12 30,42 46,42 46,52 20,52"));
    QCOMPARE(attributes.value("polygon.fill"), QStringLiteral("#ffffff"));
}

void tst_AppIcon::keptIconFilesAreTheDrawing()
{
    // The installed icon files are kept with the sources, drawn by yorumi-icongen.
    const QString hicolor = QStringLiteral(YORUMI_TEST_SOURCE_DIR "/../data/icons/hicolor");
    const QString redraw = QStringLiteral("out of date: yorumi-icongen data/icons/hicolor draws them again");
    QFile svg(hicolor + QStringLiteral("/scalable/apps/yorumi-livedoor.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY2(svg.readAll() == applicationIconSvg(), qPrintable(redraw));
    for (const int size : kSizes) {
        const QImage kept(hicolor + QStringLiteral("/%1x%1/apps/yorumi-livedoor.png").arg(size));
        // As the PNG writer takes the drawing: without premultiplied alpha.
        const QImage drawn = applicationIconImage(size).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(kept.convertToFormat(QImage::Format_ARGB32) == drawn,
                 qPrintable(QStringLiteral("%1x%1 ").arg(size) + redraw));
    }
}

QTEST_MAIN(tst_AppIcon)
#include "tst_appicon.moc"
