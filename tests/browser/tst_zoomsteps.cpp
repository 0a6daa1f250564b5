#include "browser/zoomsteps.h"

#include <QTest>

Q_DECLARE_METATYPE(ZoomDirection)

// The portal window's zoom keys: Ctrl+plus and Ctrl+minus step through 25, 33, 50, 67, 75, 80,
// 90, 100, 110, 125, 150, 175, 200, 250, 300, 400 and 500 %, Ctrl+0 goes back to 100 %.
class tst_ZoomSteps : public QObject
{
    Q_OBJECT
private slots:
    void nextFactor_data();
    void nextFactor();
};

void tst_ZoomSteps::nextFactor_data()
{
    QTest::addColumn<double>("current");
    QTest::addColumn<ZoomDirection>("direction");
    QTest::addColumn<double>("expected");
    const auto in = ZoomDirection::In;
    const auto out = ZoomDirection::Out;
    const auto reset = ZoomDirection::Reset;

    QTest::newRow("100 % in") << 1.0 << in << 1.1;
    QTest::newRow("100 % out") << 1.0 << out << 0.9;
    QTest::newRow("110 % in") << 1.1 << in << 1.25;
    QTest::newRow("33 % in") << 0.33 << in << 0.5;
    QTest::newRow("67 % out") << 0.67 << out << 0.5;
    QTest::newRow("400 % in") << 4.0 << in << 5.0;
    // At either end the factor stays.
    QTest::newRow("500 % in") << 5.0 << in << 5.0;
    QTest::newRow("25 % out") << 0.25 << out << 0.25;
    // Between two steps: the next one that way.
    QTest::newRow("30 % out") << 0.3 << out << 0.25;
    QTest::newRow("30 % in") << 0.3 << in << 0.33;
    QTest::newRow("105 % out") << 1.05 << out << 1.0;
    QTest::newRow("105 % in") << 1.05 << in << 1.1;
    QTest::newRow("120 % out") << 1.2 << out << 1.1;
    QTest::newRow("450 % in") << 4.5 << in << 5.0;
    // A factor read back from the page need not be a step exactly, having gone through the
    // engine's own arithmetic: one a hair off a step counts as that step.
    QTest::newRow("a hair over 110 %, out") << 1.1000001 << out << 1.0;
    QTest::newRow("a hair over 110 %, in") << 1.1000001 << in << 1.25;
    QTest::newRow("a hair under 90 %, in") << 0.8999999 << in << 1.0;
    QTest::newRow("a hair under 90 %, out") << 0.8999999 << out << 0.8;
    // Back to the page's normal size, from anywhere.
    QTest::newRow("back from 300 %") << 3.0 << reset << 1.0;
    QTest::newRow("back from 25 %") << 0.25 << reset << 1.0;
    QTest::newRow("back from 105 %") << 1.05 << reset << 1.0;
}

void tst_ZoomSteps::nextFactor()
{
    QFETCH(double, current);
    QFETCH(ZoomDirection, direction);
    QFETCH(double, expected);
    QCOMPARE(nextZoomFactor(current, direction), expected);
}

QTEST_APPLESS_MAIN(tst_ZoomSteps)

#include "tst_zoomsteps.moc"
