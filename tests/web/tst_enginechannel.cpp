#include "web/accountprofile.h"
#include "web/enginechannel.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QtEndian>

// The channel's reader on its own: a frame is four bytes of length (big-endian) and that many
// bytes of a JSON object. And where each account's profile lives, which both ends of the channel
// work out alike.
class tst_EngineChannel : public QObject
{
    Q_OBJECT
private slots:
    void messageArrivesInPieces();
    void oversizedFrameIsRefusedAtItsHeader_data();
    void oversizedFrameIsRefusedAtItsHeader();
    void accountFoldersStayApartAndInside();
};

namespace {

QByteArray header(quint32 length)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(length, bytes.data());
    return bytes;
}

} // namespace

void tst_EngineChannel::messageArrivesInPieces()
{
    const QByteArray body = R"({"type":"ready"})";
    const QByteArray frame = header(quint32(body.size())) + body;
    EngineChannel::Reader reader;
    reader.append(frame.left(3));
    QVERIFY(!reader.next());
    reader.append(frame.mid(3, 6));
    QVERIFY(!reader.next());
    QVERIFY(!reader.broken());
    reader.append(frame.mid(9));
    const std::optional<QJsonObject> message = reader.next();
    QVERIFY(message);
    QVERIFY(EngineChannel::isType(*message, "ready"));
}

// A header that announces more than a message can be (a megabyte) breaks the channel at once:
// nothing is waited for, and nothing after it is read.
void tst_EngineChannel::oversizedFrameIsRefusedAtItsHeader_data()
{
    QTest::addColumn<quint32>("length");
    QTest::newRow("two megabytes") << quint32(2 * 1024 * 1024);
    QTest::newRow("the largest length") << quint32(0xffffffff);
}

void tst_EngineChannel::oversizedFrameIsRefusedAtItsHeader()
{
    QFETCH(quint32, length);
    EngineChannel::Reader reader;
    reader.append(header(length));
    QVERIFY(!reader.next());
    QVERIFY(reader.broken());
    const QByteArray body = R"({"type":"ready"})";
    reader.append(header(quint32(body.size())) + body);
    QVERIFY(!reader.next());
}

// Every ID gets a folder of its own right under the accounts' folder, whatever characters it
// holds, named the same in every run and version (the SHA-256 of the ID, its first 32 hex
// digits); the guest's profile is the root itself.
void tst_EngineChannel::accountFoldersStayApartAndInside()
{
    const QString root = QStringLiteral("/data/webengine");
    QCOMPARE(AccountProfile::folder(root, QString()), root);
    QCOMPARE(AccountProfile::folder(root, QStringLiteral("alice")),
             QStringLiteral("/data/webengine/accounts/2bd806c97f0e00af1a1fc3328fa763a9"));
    QSet<QString> folders;
    for (const char *id : { "alice", "Alice", "alice ", "../..", "a/b", "C:\\x", "ユーザー" }) {
        const QString folder = AccountProfile::folder(root, QString::fromUtf8(id));
        const QString name = folder.mid(QStringLiteral("/data/webengine/accounts/").size());
        QVERIFY2(folder.startsWith(QStringLiteral("/data/webengine/accounts/")), qPrintable(folder));
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(name).hasMatch(), qPrintable(folder));
        folders.insert(folder);
    }
    QCOMPARE(folders.size(), 7);
}

QTEST_GUILESS_MAIN(tst_EngineChannel)
#include "tst_enginechannel.moc"
