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

    QJsonObject message = endedMessage(7, RunOutcome::Done, cookies);
    QTest::newRow("ended with cookies")
            << message << R"({"type":"ended","run":7,"outcome":"done","cookies":)" + cookiesText + "}"
            << endedMessage(runId(message), *parseOutcome(message), parseEndedCookies(message));
    message = cookiesGoneMessage("bob", cookies);
    std::optional<CookiesGone> gone = parseCookiesGone(message);
    QTest::newRow("cookiesgone") << message << R"({"type":"cookiesgone","account":"bob","cookies":)" + cookiesText + "}"
                                 << cookiesGoneMessage(gone->account, gone->cookies);
    message = loginFormMessage("bob", 12, QUrl("https://blog.livedoor.com/members/a?b=%E3%81%82"));
    const std::optional<LoginForm> form = parseLoginForm(message);
    QTest::newRow("loginform")
            << message << QByteArray(R"({"type":"loginform","account":"bob","tab":12,"url":"https://blog.livedoor.com/members/a?b=%E3%81%82"})")
            << loginFormMessage(form->account, form->tab, form->url);
    message = renewMessage("ユーザー", 3);
    const std::optional<Renew> renew = parseRenew(message);
    QTest::newRow("renew") << message << QByteArray(R"({"type":"renew","account":"ユーザー","tab":3})")
                           << renewMessage(renew->account, renew->tab);
    message = sessionsMessage({ { "alice", "bob", "carol" }, { "carol", "alice" } });
    QTest::newRow("sessions") << message
                              << QByteArray(R"({"type":"sessions","accounts":["carol","alice"],"listed":["alice","bob","carol"]})")
                              << sessionsMessage(*parseSessions(message));
    for (const auto &[state, text, wire] :
         { std::tuple{ RenewalState::Offer, "", R"({"type":"renewal","tab":5,"state":"offer"})" },
           std::tuple{ RenewalState::Done, "", R"({"type":"renewal","tab":5,"state":"done"})" },
           std::tuple{ RenewalState::Failed, "ログイン失敗", R"({"type":"renewal","tab":5,"state":"failed","text":"ログイン失敗"})" } }) {
        message = renewalMessage(5, state, QString::fromUtf8(text));
        const std::optional<Renewal> renewal = parseRenewal(message);
        QTest::newRow(qPrintable(QStringLiteral("renewal ") + message.value("state").toString()))
                << message << QByteArray(wire) << renewalMessage(renewal->tab, renewal->state, renewal->text);
    }
}

void tst_EngineChannel::messagesAsTheOtherSideReadsThem()
{
    QFETCH(QJsonObject, built);
    QFETCH(QByteArray, wire);
    QFETCH(QJsonObject, reparsed);
    QCOMPARE(built, QJsonDocument::fromJson(wire).object());
    QCOMPARE(reparsed, built);
}

QTEST_GUILESS_MAIN(tst_EngineChannel)
#include "tst_enginechannel.moc"
