#include "web/accountprofile.h"
#include "web/enginechannel.h"

#include <QJsonDocument>
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
    void messagesAsTheOtherSideReadsThem_data();
    void messagesAsTheOtherSideReadsThem();
    void messagesRefused_data();
    void messagesRefused();
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
    QCOMPARE(message->value("type").toString(), QStringLiteral("ready"));
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

// Each message as built, against its text on the wire, and built again from what its parser read.
void tst_EngineChannel::messagesAsTheOtherSideReadsThem_data()
{
    using namespace EngineChannel;
    QTest::addColumn<QJsonObject>("built");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QJsonObject>("reparsed");
    const QDateTime expires = QDateTime::fromMSecsSinceEpoch(1796860800000, Qt::UTC);
    const std::vector<SessionCookie> cookies{ { "ldsession", ".livedoor.com", "/", expires },
                                              { "pref", "member.livedoor.com", "/login/", std::nullopt } };
    const QByteArray cookiesText = R"([{"name":"ldsession","domain":".livedoor.com","path":"/","expires":1796860800000},)"
                                   R"({"name":"pref","domain":"member.livedoor.com","path":"/login/"}])";
    const auto fromHelper = [](const char *name, const FromHelper &message, const QByteArray &wire) {
        const QJsonObject built = encode(message);
        const std::optional<FromHelper> parsed = parseFromHelper(built);
        QTest::newRow(name) << built << wire << (parsed ? encode(*parsed) : QJsonObject());
    };
    const auto toHelper = [](const char *name, const ToHelper &message, const QByteArray &wire) {
        const QJsonObject built = encode(message);
        const std::optional<ToHelper> parsed = parseToHelper(built);
        QTest::newRow(name) << built << wire << (parsed ? encode(*parsed) : QJsonObject());
    };
    fromHelper("ready", Ready{ kVersion }, R"({"type":"ready","version":3})");
    fromHelper("ended with cookies", Ended{ 7, RunOutcome::Done, cookies },
               R"({"type":"ended","run":7,"outcome":"done","cookies":)" + cookiesText + "}");
    fromHelper("cookies", Cookies{ "bob", cookies, { { "old", ".livedoor.com", "/", std::nullopt } } },
               R"({"type":"cookies","account":"bob","set":)" + cookiesText
                       + R"(,"gone":[{"name":"old","domain":".livedoor.com","path":"/"}]})");
    fromHelper("loginform", LoginForm{ "bob", 12, QUrl("https://blog.livedoor.com/members/a?b=%E3%81%82") },
               R"({"type":"loginform","account":"bob","tab":12,"url":"https://blog.livedoor.com/members/a?b=%E3%81%82"})");
    fromHelper("renew", Renew{ "ユーザー", 3 }, R"({"type":"renew","account":"ユーザー","tab":3})");
    toHelper("run", Run{ 4, EnginePage::LogOut, "bob", { { PageStep::WaitIdle, {}, {}, {} } }, std::chrono::milliseconds(900) },
             R"({"type":"run","run":4,"page":"logout","account":"bob","budgetMs":900,)"
             R"("steps":[{"kind":"waitIdle","url":"","script":"","onlyOn":""}]})");
    toHelper("open", OpenPage{ 9, QUrl("https://www.livedoor.com/"), "", "\x01\xff" },
             R"({"type":"open","open":9,"url":"https://www.livedoor.com/","account":"","geometry":"Af8="})");
    toHelper("sessions", Sessions{ { "alice", "bob", "carol" }, { "carol", "alice" } },
             R"({"type":"sessions","accounts":["carol","alice"],"listed":["alice","bob","carol"]})");
    toHelper("renewal offer", Renewal{ 5, RenewalState::Offer, RunOutcome::Done }, R"({"type":"renewal","tab":5,"state":"offer"})");
    toHelper("renewal done", Renewal{ 5, RenewalState::Done, RunOutcome::Done }, R"({"type":"renewal","tab":5,"state":"done"})");
    toHelper("renewal failed", Renewal{ 5, RenewalState::Failed, RunOutcome::TimedOut },
             R"({"type":"renewal","tab":5,"state":"failed","outcome":"timedOut"})");
}

void tst_EngineChannel::messagesAsTheOtherSideReadsThem()
{
    QFETCH(QJsonObject, built);
    QFETCH(QByteArray, wire);
    QFETCH(QJsonObject, reparsed);
    QCOMPARE(built, QJsonDocument::fromJson(wire).object());
    QCOMPARE(reparsed, built);
}

// What a side must not take as a message of its direction: the program's own outcomes from the
// helper, an address that is no web page, the guest forgotten, a message of the other direction.
void tst_EngineChannel::messagesRefused_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<bool>("fromHelper");
    QTest::newRow("ended as the engine ending") << QByteArray(R"({"type":"ended","run":1,"outcome":"engineEnded"})") << true;
    QTest::newRow("an outside address not on the web") << QByteArray(R"({"type":"external","url":"file:///etc/passwd"})") << true;
    QTest::newRow("a run sent to the program") << QByteArray(R"({"type":"run","run":1,"page":"login","steps":[]})") << true;
    QTest::newRow("the guest forgotten") << QByteArray(R"({"type":"forget","account":""})") << false;
    QTest::newRow("a step of no kind") << QByteArray(R"({"type":"run","run":1,"page":"login","steps":[{"kind":"x"}]})")
                                        << false;
}

void tst_EngineChannel::messagesRefused()
{
    QFETCH(QByteArray, wire);
    QFETCH(bool, fromHelper);
    const QJsonObject message = QJsonDocument::fromJson(wire).object();
    QVERIFY(fromHelper ? !EngineChannel::parseFromHelper(message) : !EngineChannel::parseToHelper(message));
}

QTEST_GUILESS_MAIN(tst_EngineChannel)
#include "tst_enginechannel.moc"
