#include "ui/common/twips.h"

#include <QTest>

// Twips are 1/1440 inch: 15 to the pixel at 96 dpi, 12 at 120 dpi, 10 at 144 dpi. Every value
// below is worked out by hand; a pixel and a half rounds away from zero.
class tst_Twips : public QObject
{
    Q_OBJECT
private slots:
    void twipsToPixels_data();
    void twipsToPixels();
};

void tst_Twips::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("3885 at 96") << 3885 << 96 << 259;
    QTest::newRow("2430 at 96") << 2430 << 96 << 162;
    QTest::newRow("7 at 96: 0.47 px") << 7 << 96 << 0;
    QTest::newRow("8 at 96: 0.53 px") << 8 << 96 << 1;
    QTest::newRow("-7 at 96") << -7 << 96 << 0;
    QTest::newRow("-8 at 96") << -8 << 96 << -1;
    QTest::newRow("6 at 120: half a pixel") << 6 << 120 << 1;
    QTest::newRow("30 at 120: 2.5 px, not to even") << 30 << 120 << 3;
    QTest::newRow("-30 at 120") << -30 << 120 << -3;
    QTest::newRow("255 at 120: 21.25 px") << 255 << 120 << 21;
    QTest::newRow("255 at 144: 25.5 px") << 255 << 144 << 26;
    QTest::newRow("2535 at 144") << 2535 << 144 << 254;
    QTest::newRow("largest int at 96") << 2147483647 << 96 << 143165576;
}

void tst_Twips::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(int, dpi);
    QFETCH(int, pixels);
    QCOMPARE(::twipsToPixels(twips, dpi), pixels);
}

QTEST_APPLESS_MAIN(tst_Twips)
#include "tst_twips.moc"
