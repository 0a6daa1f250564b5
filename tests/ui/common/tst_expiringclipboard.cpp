#include "common/fakes.h"
#include "ui/common/expiringclipboard.h"

#include <QElapsedTimer>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A timer may fire up to 5 % early; never earlier than this.
constexpr qint64 earliest(std::chrono::milliseconds lifetime)
{
    return lifetime.count() * 95 / 100;
}

} // namespace

// A copied password comes off the clipboard after its lifetime, unless the user copied something
// else since or chose to keep it; each password gets its whole lifetime. The checks wait for the
// clipboard to be looked at or cleared, never for a time, so a busy machine cannot fail them.
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

// Also when a later copy failed: the password copied before still comes off.
void tst_ExpiringClipboard::passwordComesOffAfterItsLifetime()
{
    FakeClipboard system;
    ExpiringClipboard clipboard(system, [] { return true; }, 200ms);
    QElapsedTimer copied;
    copied.start();
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    system.accept = false;
    QVERIFY(!clipboard.setSecretText(QStringLiteral("pw-2")));
    QCOMPARE(system.current, QStringLiteral("pw-1"));
    QTRY_COMPARE_WITH_TIMEOUT(system.current, QString(), 10000);
    QVERIFY2(copied.elapsed() >= earliest(200ms), qPrintable(QString::number(copied.elapsed())));
}

void tst_ExpiringClipboard::textCopiedSinceStays()
{
    FakeClipboard system;
    ExpiringClipboard clipboard(system, [] { return true; }, 100ms);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    system.current = QStringLiteral("what the user copied");
    // The time has come once the clipboard is looked at.
    QTRY_VERIFY_WITH_TIMEOUT(system.reads > 0, 10000);
    QCOMPARE(system.current, QStringLiteral("what the user copied"));
}

void tst_ExpiringClipboard::keptWhenTheUserSaysSo()
{
    FakeClipboard system;
    bool clears = false;
    {
        ExpiringClipboard clipboard(system, [&] { return clears; }, 100ms);
        QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    }
    // Not even the program's end takes it off: nothing was kept to take off.
    QCOMPARE(system.current, QStringLiteral("pw-1"));
}

void tst_ExpiringClipboard::eachPasswordGetsItsWholeLifetime()
{
    FakeClipboard system;
    ExpiringClipboard clipboard(system, [] { return true; }, 400ms);
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-1")));
    QTest::qWait(300);
    QElapsedTimer second;
    second.start();
    QVERIFY(clipboard.setSecretText(QStringLiteral("pw-2")));
    // The first one's time is up; the second has its own.
    QTRY_COMPARE_WITH_TIMEOUT(system.current, QString(), 10000);
    QVERIFY2(second.elapsed() >= earliest(400ms), qPrintable(QString::number(second.elapsed())));
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
