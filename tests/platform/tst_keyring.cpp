#include "platform/keyring.h"

#include <QTest>

// Keys as a keyring that ignores case (Windows' Credential Manager) is given them.
class tst_Keyring : public QObject
{
    Q_OBJECT
private slots:
    void caseBlindKeysKeepIdsApart_data();
    void caseBlindKeysKeepIdsApart();
};

void tst_Keyring::caseBlindKeysKeepIdsApart_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("case") << "YRMLD/bob" << "YRMLD/Bob";
    QTest::newRow("all upper") << "YRMLD/taro" << "YRMLD/TARO";
    // Two lowercase letters that share their uppercase.
    QTest::newRow("dotless i") << "YRMLD/\u0131d" << "YRMLD/id";
    QTest::newRow("final sigma") << "YRMLD/\u03c3" << "YRMLD/\u03c2";
    QTest::newRow("spelt out by hand") << "YRMLD/%0042ob" << "YRMLD/Bob";
}

// IDs that differ only in case keep keys apart on such a keyring, and the keys the program has
// used so far for IDs in lowercase ASCII, and for the mark, stay as they are.
void tst_Keyring::caseBlindKeysKeepIdsApart()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    // As the Credential Manager compares names: each character as its uppercase.
    QVERIFY(caseBlindKey(first).toUpper() != caseBlindKey(second).toUpper());
    for (const char *kept : { "YRMLD", "YRMLD/taro", "YRMLD/user-01.x_y@z" })
        QCOMPARE(caseBlindKey(QLatin1String(kept)), QLatin1String(kept));
}

QTEST_GUILESS_MAIN(tst_Keyring)
#include "tst_keyring.moc"
