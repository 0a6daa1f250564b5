#include "common/fakes.h"
#include "ui/common/expiringclipboard.h"

#include <QTest>

using namespace std::chrono_literals;

// A copied password comes off the clipboard after its lifetime, unless the user copied something
// else since or chose to keep it; each password gets its whole lifetime.
class tst_ExpiringClipboard : public QObject
{
    Q_OBJECT
private slots:
    void passwordComesOffAfterItsLifetime();
    void textCopiedSinceStays();
    void keptWhenTheUserSaysSo();
    void eachPasswordGetsItsWholeLifetime();
    void passwordGoesWithTheProgram();
};

void tst_ExpiringClipboard::passwordComesOffAfterItsLifetime()
{
    FakeClipboard system;
    ExpiringClipboard clipboard(system, [] { return true; }, 200ms);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    QTest::qWait(100);
    QCOMPARE(system.current, QStringLiteral("pw-1"));
    QTRY_COMPARE_WITH_TIMEOUT(system.current, QString(), 1000);
}

void tst_ExpiringClipboard::textCopiedSinceStays()
{
    FakeClipboard system;
    ExpiringClipboard clipboard(system, [] { return true; }, 100ms);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    system.current = QStringLiteral("what the user copied");
    QTest::qWait(300);
    QCOMPARE(system.current, QStringLiteral("what the user copied"));
}

void tst_ExpiringClipboard::keptWhenTheUserSaysSo()
{
    FakeClipboard system;
    bool clears = false;
    ExpiringClipboard clipboard(system, [&] { return clears; }, 100ms);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    QTest::qWait(300);
    QCOMPARE(system.current, QStringLiteral("pw-1"));
}

void tst_ExpiringClipboard::eachPasswordGetsItsWholeLifetime()
{
    FakeClipboard system;
    ExpiringClipboard clipboard(system, [] { return true; }, 400ms);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    QTest::qWait(300);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-2")));
    // The first one's time is up; the second has most of its own left.
    QTest::qWait(200);
    QCOMPARE(system.current, QStringLiteral("pw-2"));
    QTRY_COMPARE_WITH_TIMEOUT(system.current, QString(), 1000);
}

void tst_ExpiringClipboard::passwordGoesWithTheProgram()
{
    FakeClipboard system;
    {
        ExpiringClipboard clipboard(system, [] { return true; }, 30s);
        QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    }
    QCOMPARE(system.current, QString());
}

QTEST_GUILESS_MAIN(tst_ExpiringClipboard)
#include "tst_expiringclipboard.moc"
