#include "store/inidocument.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <string_view>

namespace {

using Change = IniDocument::Change;
using namespace std::literals;

// A text given with its length, so that it may hold NUL characters.
QString utf16(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

// Values of the text tests live under a key of their own: they are no passwords.
const QString kSection = QStringLiteral("Test");
const QString kKey = QStringLiteral("value");

// What QSettings reads for key "Test/value" of a file holding exactly these bytes.
QVariant settingsValue(const QByteArray &contents)
{
    static int serial = 0;
    QTemporaryDir dir;
    // A new name each time: QSettings keeps what it read of a file name for the whole process.
    const QString path = dir.filePath(QStringLiteral("store%1.conf").arg(++serial));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write the comparison file");
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    return settings.value(kSection + QLatin1Char('/') + kKey);
}

// The bytes QSettings writes for key "Test/value" holding this text.
QByteArray settingsWritten(const QString &text)
{
    static int serial = 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("written%1.conf").arg(++serial));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(kSection + QLatin1Char('/') + kKey, text);
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Texts that need care on their way into a file and back.
QList<std::pair<const char *, QString>> trickyTexts()
{
    return {
        { "plain", QStringLiteral("Ap7-alice.Pass") },
        { "empty", QString() },
        { "comma", QStringLiteral("a,b") },
        { "comma and blank", QStringLiteral("a, b") },
        { "semicolon", QStringLiteral("x;y") },
        { "equals", QStringLiteral("k=v") },
        { "quotes", QStringLiteral("say \"hi\"") },
        { "backslashes", QStringLiteral("C:\\path\\x41") },
        { "leading and trailing blanks", QStringLiteral("  spaced  ") },
        { "only a blank", QStringLiteral(" ") },
        { "tabs", QStringLiteral("\ttab\t") },
        { "line breaks", QStringLiteral("one\ntwo\r\nthree") },
        { "control characters", utf16(u"a\u0001b\u001fc\u007f"sv) },
        { "NUL then digit", utf16(u"a\u00001b"sv) },
        { "escape then hex digit", utf16(u"\u0001f"sv) },
        { "Japanese", QStringLiteral("日本語パスワード") },
        { "outside the BMP", utf16(u"\U0001F600x"sv) },
        { "at sign", QStringLiteral("@home") },
        { "two at signs", QStringLiteral("@@x") },
        { "looks like a rectangle", QStringLiteral("@Rect(1 2 3 4)") },
        { "looks like bytes", QStringLiteral("@ByteArray(abc)") },
        { "looks like nothing", QStringLiteral("@Invalid()") },
        { "brackets", QStringLiteral("[ID]") },
        { "percent", QStringLiteral("100%") },
        { "hash", QStringLiteral("#1") },
    };
}

} // namespace

class tst_IniDocument : public QObject
{
    Q_OBJECT
private slots:
    void valueAsQSettingsReadsOneText_data();
    void valueAsQSettingsReadsOneText();
    void valueAsWritten_data();
    void valueAsWritten();
    void writtenTextReadsBack_data();
    void writtenTextReadsBack();
    void lookups_data();
    void lookups();
    void changes_data();
    void changes();
    void changesKeepEveryOtherByte_data();
    void changesKeepEveryOtherByte();
};

void tst_IniDocument::valueAsQSettingsReadsOneText_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QByteArray("abc") << "abc";
    QTest::newRow("blanks around") << QByteArray(" \tabc \t") << "abc";
    QTest::newRow("blanks inside") << QByteArray("a b") << "a b";
    QTest::newRow("quoted comma") << QByteArray("\"a,b\"") << "a,b";
    QTest::newRow("quoted blanks") << QByteArray("\" a \"") << " a ";
    QTest::newRow("quoted then more") << QByteArray("\"a\" b ") << "ab ";
    QTest::newRow("escapes") << QByteArray("a\\tb\\n\\\"\\\\") << "a\tb\n\"\\";
    QTest::newRow("escaped blank kept") << QByteArray("a\\t  ") << "a\t";
    QTest::newRow("hex escape") << QByteArray("\\x41\\x3042") << utf16(u"A\u3042"sv);
    QTest::newRow("octal escape") << QByteArray("\\101\\0") << utf16(u"A\u0000"sv);
    QTest::newRow("unknown escape dropped") << QByteArray("a\\qb") << "ab";
    QTest::newRow("equals") << QByteArray("a=b") << "a=b";
    QTest::newRow("doubled at") << QByteArray("@@x") << "@x";
    QTest::newRow("single at") << QByteArray("@x") << "@x";
    QTest::newRow("rectangle of two numbers") << QByteArray("@Rect(1 2)") << "@Rect(1 2)";
    QTest::newRow("text with a NUL, as QSettings writes it") << QByteArray("@String(a\\0\\x62)")
                                                            << utf16(u"a\u0000b"sv);
    QTest::newRow("UTF-8") << QByteArray("日本") << "日本";
    QTest::newRow("empty") << QByteArray() << "";
}

void tst_IniDocument::valueAsQSettingsReadsOneText()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, text);
    QCOMPARE(iniValueText(raw), text);
    // Where QSettings reads one text, it reads the same one.
    const QVariant settings = settingsValue("[Test]\nvalue=" + raw + "\n");
    QCOMPARE(settings.metaType().id(), int(QMetaType::QString));
    QCOMPARE(settings.toString(), text);
}

void tst_IniDocument::valueAsWritten_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("text");
    // QSettings reads these as lists, cut short or as other types; a hand-written value is
    // taken as the text that was written.
    QTest::newRow("unquoted comma") << QByteArray("a,b") << "a,b";
    QTest::newRow("comma and blank") << QByteArray("a, b") << "a, b";
    QTest::newRow("trailing comma") << QByteArray("a,") << "a,";
    QTest::newRow("quoted list") << QByteArray("\"a\", \"b\"") << "\"a\", \"b\"";
    QTest::newRow("semicolon") << QByteArray("x;y") << "x;y";
    QTest::newRow("blanks around a list") << QByteArray("  a,b  ") << "a,b";
    QTest::newRow("unclosed quote") << QByteArray("pa\"ss") << "pa\"ss";
    QTest::newRow("backslash at the end") << QByteArray("abc\\") << "abc\\";
    QTest::newRow("rectangle") << QByteArray("@Rect(1 2 3 4)") << "@Rect(1 2 3 4)";
    QTest::newRow("bytes") << QByteArray("@ByteArray(xyz)") << "@ByteArray(xyz)";
    QTest::newRow("nothing") << QByteArray("@Invalid()") << "@Invalid()";
    QTest::newRow("serialized value") << QByteArray("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QImage)")
                                      << "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QImage)";
    QTest::newRow("invalid UTF-8 in a list") << QByteArray("\xff,\xfe") << utf16(u"\ufffd,\ufffd"sv);
}

void tst_IniDocument::valueAsWritten()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, text);
    QCOMPARE(iniValueText(raw), text);
}

void tst_IniDocument::writtenTextReadsBack_data()
{
    QTest::addColumn<QString>("text");
    for (const auto &[name, text] : trickyTexts())
        QTest::newRow(name) << text;
}

void tst_IniDocument::writtenTextReadsBack()
{
    QFETCH(QString, text);
    // Written by this program: read back the same here and through QSettings.
    const QByteArray ours = IniDocument().changed({ { kSection, kKey, text } });
    QVERIFY2(IniDocument(ours).value(kSection, kKey) == text, "the written text reads back otherwise");
    const QVariant settings = settingsValue(ours);
    QVERIFY2(settings.metaType().id() == QMetaType::QString && settings.toString() == text,
             "QSettings reads the written text otherwise");
    // Written by QSettings (by earlier versions of the program): read the same here.
    QVERIFY2(IniDocument(settingsWritten(text)).value(kSection, kKey) == text,
             "a text written by QSettings reads otherwise");
    // A value never spills over into the next line.
    QVERIFY(!iniEscapedValue(text).contains('\n'));
    QVERIFY(!iniEscapedValue(text).contains('\r'));
}

void tst_IniDocument::lookups_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value"); // an invalid QVariant: no such key

    const QByteArray file("top=1\n[ID]\nID0=a\n  ID1 =  b  \nID2=c\n[PW]\nPW0=pa\n[ID]\nID2=again\n"
                          "; ID3=comment\nID4\n[id]\nID5=lower\n[ID\nID6=unclosed\n");
    QTest::newRow("plain") << file << "ID" << "ID0" << QVariant("a");
    QTest::newRow("blanks around key and value") << file << "ID" << "ID1" << QVariant("b");
    QTest::newRow("a key read twice: the last wins") << file << "ID" << "ID2" << QVariant("again");
    QTest::newRow("other section") << file << "PW" << "PW0" << QVariant("pa");
    QTest::newRow("comment") << file << "ID" << "ID3" << QVariant();
    QTest::newRow("line without equals") << file << "ID" << "ID4" << QVariant();
    QTest::newRow("sections are case sensitive") << file << "ID" << "ID5" << QVariant();
    QTest::newRow("lower-case section") << file << "id" << "ID5" << QVariant("lower");
    QTest::newRow("header without bracket") << file << "ID" << "ID6" << QVariant("unclosed");
    QTest::newRow("before any header") << file << "" << "top" << QVariant("1");
    QTest::newRow("key of another section") << file << "PW" << "ID0" << QVariant();
    QTest::newRow("CRLF") << QByteArray("[ID]\r\nID0=a\r\nID1=b") << "ID" << "ID1" << QVariant("b");
    QTest::newRow("CR only") << QByteArray("[ID]\rID0=a\rID1=b\r") << "ID" << "ID0" << QVariant("a");
    QTest::newRow("NUL in a value") << QByteArray("[ID]\nID0=a\0b\n", 13) << "ID" << "ID0"
                                    << QVariant(utf16(u"a\u0000b"sv));
    QTest::newRow("invalid UTF-8") << QByteArray("[ID]\nID0=\xff\xfex\n") << "ID" << "ID0"
                                   << QVariant(utf16(u"\ufffd\ufffdx"sv));
    QTest::newRow("empty file") << QByteArray() << "ID" << "ID0" << QVariant();
}

void tst_IniDocument::lookups()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    const std::optional<QString> found = IniDocument(contents).value(section, key);
    QCOMPARE(found.has_value(), value.isValid());
    // Some of these are passwords of the store: said to differ, never printed.
    if (found)
        QVERIFY2(*found == value.toString(), "the value reads otherwise");
}

void tst_IniDocument::changes_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QList<Change>>("changes");
    QTest::addColumn<QByteArray>("after");

    const QByteArray two("[ID]\nID0=a\nID1=b\n\n[PW]\nPW0=pa\nPW1=pb\n");
    QTest::newRow("empty file, new sections")
            << QByteArray() << QList<Change>{ { "ID", "ID0", "a" }, { "PW", "PW0", "pa" } }
            << QByteArray("[ID]\nID0=a\n\n[PW]\nPW0=pa\n");
    QTest::newRow("rewrite in place")
            << two << QList<Change>{ { "ID", "ID0", "x" }, { "PW", "PW0", "px" } }
            << QByteArray("[ID]\nID0=x\nID1=b\n\n[PW]\nPW0=px\nPW1=pb\n");
    QTest::newRow("new key after the section's last entry")
            << two << QList<Change>{ { "ID", "ID2", "c" }, { "PW", "PW2", "pc" } }
            << QByteArray("[ID]\nID0=a\nID1=b\nID2=c\n\n[PW]\nPW0=pa\nPW1=pb\nPW2=pc\n");
    QTest::newRow("remove")
            << two << QList<Change>{ { "ID", "ID1", std::nullopt }, { "PW", "PW1", std::nullopt } }
            << QByteArray("[ID]\nID0=a\n\n[PW]\nPW0=pa\n");
    QTest::newRow("remove what is not there")
            << two << QList<Change>{ { "ID", "ID7", std::nullopt } } << two;
    QTest::newRow("the last change of a key wins")
            << two << QList<Change>{ { "ID", "ID0", "x" }, { "ID", "ID0", std::nullopt },
                                     { "ID", "ID3", "y" }, { "ID", "ID3", "z" } }
            << QByteArray("[ID]\nID1=b\nID3=z\n\n[PW]\nPW0=pa\nPW1=pb\n");
    QTest::newRow("exchange two slots")
            << two << QList<Change>{ { "ID", "ID0", "b" }, { "PW", "PW0", "pb" },
                                     { "ID", "ID1", "a" }, { "PW", "PW1", "pa" } }
            << QByteArray("[ID]\nID0=b\nID1=a\n\n[PW]\nPW0=pb\nPW1=pa\n");
    QTest::newRow("a key read twice: the last line changes, a removal takes both")
            << QByteArray("[ID]\nID0=old\nID1=b\nID0=newer\n")
            << QList<Change>{ { "ID", "ID0", "x" } }
            << QByteArray("[ID]\nID0=old\nID1=b\nID0=x\n");
    QTest::newRow("removing a key read twice")
            << QByteArray("[ID]\nID0=old\nID1=b\nID0=newer\n")
            << QList<Change>{ { "ID", "ID0", std::nullopt } } << QByteArray("[ID]\nID1=b\n");
    QTest::newRow("no line end at the end")
            << QByteArray("[ID]\nID0=a") << QList<Change>{ { "ID", "ID1", "b" }, { "PW", "PW1", "pb" } }
            << QByteArray("[ID]\nID0=a\nID1=b\n\n[PW]\nPW1=pb\n");
    QTest::newRow("changed last line without line end")
            << QByteArray("[ID]\nID0=a") << QList<Change>{ { "ID", "ID0", "b" } }
            << QByteArray("[ID]\nID0=b");
    QTest::newRow("CRLF kept for new lines")
            << QByteArray("[ID]\r\nID0=a\r\n") << QList<Change>{ { "ID", "ID1", "b" }, { "PW", "PW0", "p" } }
            << QByteArray("[ID]\r\nID0=a\r\nID1=b\r\n\r\n[PW]\r\nPW0=p\r\n");
    QTest::newRow("new key goes into the section's last block")
            << QByteArray("[ID]\nID0=a\n[PW]\nPW0=p\n[ID]\nID1=b\n; end\n")
            << QList<Change>{ { "ID", "ID2", "c" } }
            << QByteArray("[ID]\nID0=a\n[PW]\nPW0=p\n[ID]\nID1=b\nID2=c\n; end\n");
    QTest::newRow("section with a header only")
            << QByteArray("[ID]\n\n[PW]\n") << QList<Change>{ { "ID", "ID0", "a" } }
            << QByteArray("[ID]\nID0=a\n\n[PW]\n");
    QTest::newRow("value that needs quotes")
            << QByteArray() << QList<Change>{ { "PW", "PW0", "a,b" } } << QByteArray("[PW]\nPW0=\"a,b\"\n");
    QTest::newRow("key without section goes on top")
            << QByteArray("[ID]\nID0=a\n") << QList<Change>{ { "", "top", "1" } }
            << QByteArray("top=1\n[ID]\nID0=a\n");
}

void tst_IniDocument::changes()
{
    QFETCH(QByteArray, before);
    QFETCH(QList<Change>, changes);
    QFETCH(QByteArray, after);
    // The files hold passwords: said to differ, never printed.
    QVERIFY2(IniDocument(before).changed(changes) == after, "the changed file differs");
}

void tst_IniDocument::changesKeepEveryOtherByte_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    const QByteArray nul(1, '\0');
    QTest::newRow("comments, blank lines and odd spacing")
            << QByteArray("; my accounts\n\n[ID]\n  ID0 = a ; not a comment\nID1=b\n\n\n[PW]\r\nPW0=pa\nPW1=pb\n")
            << QByteArray("; my accounts\n\n[ID]\nID0=b\nID1=\"a ; not a comment\"\n\n\n[PW]\r\nPW0=pb\nPW1=pa\n");
    QTest::newRow("lines QSettings cannot read, and an unclosed header")
            << QByteArray("garbage\n[ID]\nID0=a\nno equals here\nID1=b\n[PW\nPW0=pa\nPW1=pb\n[PW]\n")
            << QByteArray("garbage\n[ID]\nID0=b\nno equals here\nID1=a\n[PW\nPW0=pb\nPW1=pa\n[PW]\n");
    QTest::newRow("invalid UTF-8 and NUL elsewhere")
            << QByteArray("[ID]\nID0=a\nID1=b\nID9=\xff\xfe") + nul + "x\n[PW]\nPW0=pa\nPW1=pb\n"
            << QByteArray("[ID]\nID0=b\nID1=a\nID9=\xff\xfe") + nul + "x\n[PW]\nPW0=pb\nPW1=pa\n";
    QTest::newRow("other sections and keys past 99")
            << QByteArray("[Other]\nx=@Variant(\\0)\n[ID]\nID0=a\nID1=b\nID100=far\n[PW]\nPW0=pa\nPW1=pb\nPW100=far,list\n")
            << QByteArray("[Other]\nx=@Variant(\\0)\n[ID]\nID0=b\nID1=a\nID100=far\n[PW]\nPW0=pb\nPW1=pa\nPW100=far,list\n");
}

void tst_IniDocument::changesKeepEveryOtherByte()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    // The two slots exchanged as the move commands exchange them, values taken as read.
    const IniDocument document(before);
    const QList<Change> exchange{ { "ID", "ID0", *document.value("ID", "ID1") },
                                  { "PW", "PW0", *document.value("PW", "PW1") },
                                  { "ID", "ID1", *document.value("ID", "ID0") },
                                  { "PW", "PW1", *document.value("PW", "PW0") } };
    QVERIFY2(document.changed(exchange) == after, "the changed file differs");
}

QTEST_GUILESS_MAIN(tst_IniDocument)
#include "tst_inidocument.moc"
