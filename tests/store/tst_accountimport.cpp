// Accounts taken in from other programs' files: what each format's sample file (written as the
// browser, password manager or regedit writes it) yields, the files that cannot be read and
// where they go wrong, what becomes of each row over the accounts listed, and the export read
// back.
#include "store/accountfile.h"
#include "store/importplan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kSamples = QStringLiteral(YORUMI_TEST_SOURCE_DIR "/store/importfiles/");

QByteArray sample(const QString &name)
{
    QFile file(kSamples + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString nameOf(ImportFormat format)
{
    const char *const names[] = { "chromium", "firefox", "keepassxc", "bitwarden", "registry" };
    return QString::fromLatin1(names[int(format)]);
}

QString nameOf(ImportFailure::Reason reason)
{
    const char *const names[] = { "unreadable", "too large", "unknown format", "broken quoting", "broken line",
                                  "wrong encoding" };
    return QString::fromLatin1(names[int(reason)]);
}

QString nameOf(ImportDecision decision)
{
    const char *const names[] = { "add", "update", "unchanged", "over limit", "blank", "left out" };
    return QString::fromLatin1(names[int(decision)]);
}

} // namespace

class tst_AccountImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readsEachFormat_data();
    void readsEachFormat();
    void saysWhyAndWhereAFileCannotBeRead_data();
    void saysWhyAndWhereAFileCannotBeRead();
    void decidesEachRow_data();
    void decidesEachRow();

private:
    QTemporaryDir m_dir;
};

void tst_AccountImport::initTestCase()
{
    // One byte over the limit, as a file that is not one of the formats would be.
    QFile huge(m_dir.filePath(QStringLiteral("huge.csv")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(kImportFileLimit + 1));
}

void tst_AccountImport::readsEachFormat_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("format");
    // Each account's ID and the line its row starts on; its password.
    QTest::addColumn<QStringList>("accounts");
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<int>("otherSites");

    QTest::newRow("Chromium: quotes, commas and a line end in fields; other sites and look-alike hosts left out")
            << sample("chromium.csv") << "chromium" << QStringList{ "alice@2", "bob@4", "carol@5" }
            << QStringList{ "pa-1", "p,b\"2", "two\nlines" } << 4;
    QTest::newRow("Chromium of four columns with a byte order mark and CRLF; blanks kept")
            << sample("chromium-bom-crlf.csv") << "chromium" << QStringList{ "ゆうこ@2", "  spaced  @3" }
            << QStringList{ "パスワード１", " pw with blanks " } << 0;
    QTest::newRow("Firefox, every field quoted") << sample("firefox.csv") << "firefox"
                                                 << QStringList{ "alice@2", "bob@4" }
                                                 << QStringList{ "fa-1", "say \"hi\"" } << 1;
    QTest::newRow("KeePassXC: an address without its scheme, notes over two lines")
            << sample("keepassxc.csv") << "keepassxc" << QStringList{ "alice@2", "bob@5" }
            << QStringList{ "kx,1", "k\"2" } << 1;
    QTest::newRow("Bitwarden: the portal among a login's addresses, a note passed over")
            << sample("bitwarden.csv") << "bitwarden" << QStringList{ "alice@2", "bob@5" }
            << QStringList{ "bw-1", "b,w" } << 1;
    QTest::newRow("registry export in UTF-16: escapes, a value in bytes, the list up to the first gap")
            << sample("windows.reg") << "registry" << QStringList{ "alice@6", "bob@7", "carol@8" }
            << QStringList{ "C:\\path \"quoted\"", "b-1", "@home" } << 0;
    QTest::newRow("REGEDIT4 export in Shift_JIS: characters ending in a backslash's byte")
            << sample("regedit4.reg") << "registry" << QStringList{ "たろう@4", "bob@5" }
            << QStringList{ QStringLiteral("ソ表①\\"), "pw" } << 0;
    // What the export writes, every password manager reads as Chromium's: so does the program.
    const QStringList ids{ "plain", "a,b", "q\"uote", " blank " };
    const QStringList passwords{ "p", "two\r\nlines", "\"", "x,\"y\"" };
    QTest::newRow("the export read back")
            << chromiumCsv(QStringLiteral("https://member.livedoor.com/login/"), ids, passwords) << "chromium"
            << QStringList{ "plain@2", "a,b@3", "q\"uote@5", " blank @6" } << passwords << 0;
}

void tst_AccountImport::readsEachFormat()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, format);
    QFETCH(QStringList, accounts);
    QFETCH(QStringList, passwords);
    QFETCH(int, otherSites);
    QVERIFY(!contents.isEmpty());
    const ImportResult result = readAccountFile(contents);
    const auto *failure = std::get_if<ImportFailure>(&result);
    QVERIFY2(!failure, failure ? qPrintable(nameOf(failure->reason) + QStringLiteral(" at line %1").arg(failure->line))
                               : "");
    const ImportedFile &file = std::get<ImportedFile>(result);
    QCOMPARE(nameOf(file.format), format);
    QStringList found;
    QStringList foundPasswords;
    for (const ImportedAccount &account : file.accounts) {
        found.append(QStringLiteral("%1@%2").arg(account.id).arg(account.line));
        foundPasswords.append(account.password);
    }
    QCOMPARE(found, accounts);
    // Not compared out loud: a password never shows in the tests' output.
    for (qsizetype row = 0; row < passwords.size(); ++row)
        QVERIFY2(foundPasswords.value(row) == passwords[row], qPrintable(QStringLiteral("row %1's password").arg(row)));
    QCOMPARE(file.otherSites, otherSites);
}

void tst_AccountImport::saysWhyAndWhereAFileCannotBeRead_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("line");
    QTest::newRow("a quote that never closes, from the line it opens on")
            << kSamples + "unclosed-quote.csv" << "broken quoting" << 3;
    QTest::newRow("text after a closing quote") << kSamples + "text-after-quote.csv" << "broken quoting" << 2;
    QTest::newRow("a row short of its header's columns") << kSamples + "short-row.csv" << "broken line" << 3;
    QTest::newRow("columns of no known program") << kSamples + "unknown-columns.csv" << "unknown format" << 3;
    QTest::newRow("bytes that are not UTF-8") << kSamples + "not-utf8.csv" << "wrong encoding" << 3;
    QTest::newRow("a registry value that does not end") << kSamples + "unclosed-value.reg" << "broken line" << 4;
    QTest::newRow("a REGEDIT4 export that is not Shift_JIS") << kSamples + "not-shift-jis.reg" << "wrong encoding"
                                                             << 4;
    QTest::newRow("a file over 16 MB") << m_dir.filePath(QStringLiteral("huge.csv")) << "too large" << 0;
    QTest::newRow("a folder") << kSamples << "unreadable" << 0;
    QTest::newRow("no file") << m_dir.filePath(QStringLiteral("missing.csv")) << "unreadable" << 0;
}

void tst_AccountImport::saysWhyAndWhereAFileCannotBeRead()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(int, line);
    const ImportResult result = readAccountFile(path);
    const auto *failure = std::get_if<ImportFailure>(&result);
    QVERIFY2(failure, "the file was read");
    QCOMPARE(nameOf(failure->reason), reason);
    QCOMPARE(failure->line, line);
}

// Over the listed ann (pa), bob (pb) and ann (pa2), at most four accounts: each row's outcome
// and the accounts the change leaves ("id:password").
void tst_AccountImport::decidesEachRow_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<bool>>("ticked");
    // Where the keyring keeps the passwords: the store holds none of them.
    QTest::addColumn<bool>("inKeyring");
    QTest::addColumn<QStringList>("decisions");
    QTest::addColumn<QStringList>("after");
    const QStringList listed{ "ann:pa", "bob:pb", "ann:pa2" };

    QTest::newRow("added, updated, and unchanged where a slot of the ID has the password")
            << QStringList{ "cy:pc", "bob:pb-new", "ann:pa2" } << QList<bool>{ true, true, true } << false
            << QStringList{ "add", "update", "unchanged" }
            << QStringList{ "ann:pa", "bob:pb-new", "ann:pa2", "cy:pc" };
    QTest::newRow("a listed ID's first slot takes the new password") << QStringList{ "ann:px" } << QList<bool>{ true }
                                                                     << false << QStringList{ "update" }
                                                                     << QStringList{ "ann:px", "bob:pb", "ann:pa2" };
    QTest::newRow("past the limit") << QStringList{ "dan:pd", "eve:pe" } << QList<bool>{ true, true } << false
                                    << QStringList{ "add", "over limit" } << listed + QStringList{ "dan:pd" };
    QTest::newRow("a row unticked leaves its place to the next")
            << QStringList{ "dan:pd", "eve:pe" } << QList<bool>{ false, true } << false
            << QStringList{ "left out", "add" } << listed + QStringList{ "eve:pe" };
    QTest::newRow("blank IDs, ticked or not, are never taken")
            << QStringList{ ":p1", QStringLiteral(" \t\u3000:p2"), "dan:pd" } << QList<bool>{ true, false, true } << false
            << QStringList{ "blank", "blank", "add" } << listed + QStringList{ "dan:pd" };
    QTest::newRow("a row after the one that added its ID") << QStringList{ "cy:p1", "cy:p2", "cy:p2" }
                                                           << QList<bool>{ true, true, true } << false
                                                           << QStringList{ "add", "update", "unchanged" }
                                                           << listed + QStringList{ "cy:p2" };
    QTest::newRow("an empty password replaces none") << QStringList{ "bob:", "cy:" } << QList<bool>{ true, true }
                                                     << false << QStringList{ "unchanged", "add" }
                                                     << listed + QStringList{ "cy:" };
    QTest::newRow("rows compared with the keyring's passwords, not the store's empty ones")
            << QStringList{ "bob:pb", "ann:pa3" } << QList<bool>{ true, true } << true
            << QStringList{ "unchanged", "update" } << QStringList{ "ann:pa3", "bob:", "ann:" };
}

void tst_AccountImport::decidesEachRow()
{
    QFETCH(QStringList, rows);
    QFETCH(QList<bool>, ticked);
    QFETCH(bool, inKeyring);
    QFETCH(QStringList, decisions);
    QFETCH(QStringList, after);
    const QStringList passwords{ "pa", "pb", "pa2" };
    const AccountList seen{ { "ann", "bob", "ann" }, inKeyring ? QStringList{ "", "", "" } : passwords };
    QList<ImportedAccount> accounts;
    for (const QString &row : rows)
        accounts.append({ row.section(QLatin1Char(':'), 0, 0), row.section(QLatin1Char(':'), 1), 0 });

    const ImportPlan plan = planImport(seen, passwords, accounts, ticked, 4);
    QStringList decided;
    for (const ImportDecision decision : plan.decisions)
        decided.append(nameOf(decision));
    QCOMPARE(decided, decisions);
    QVERIFY(plan.change.inReach);
    const AccountList left = plan.change.after();
    QStringList leftAccounts;
    for (int slot = 0; slot < left.size(); ++slot)
        leftAccounts.append(left.ids[slot] + QLatin1Char(':') + left.passwords[slot]);
    QCOMPARE(leftAccounts, after);
}

QTEST_GUILESS_MAIN(tst_AccountImport)

#include "tst_accountimport.moc"
