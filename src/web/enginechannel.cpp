#include "web/enginechannel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>

#include <array>

namespace EngineChannel {

namespace {

constexpr qsizetype kHeader = 4;

struct Name
{
    const char *text;
    int value;
};

constexpr std::array kStepKinds{
    Name{ "navigate", PageStep::Navigate }, Name{ "waitIdle", PageStep::WaitIdle },
    Name{ "retry", PageStep::Retry },       Name{ "once", PageStep::Once },
    Name{ "sendForm", PageStep::SendForm }, Name{ "failIf", PageStep::FailIf },
};
constexpr std::array kOutcomes{
    Name{ "done", int(RunOutcome::Done) },
    Name{ "failed", int(RunOutcome::Failed) },
    Name{ "timedOut", int(RunOutcome::TimedOut) },
    Name{ "wrongPage", int(RunOutcome::WrongPage) },
};

template<std::size_t N>
const char *nameOf(const std::array<Name, N> &names, int value)
{
    for (const Name &name : names)
        if (name.value == value)
            return name.text;
    return "";
}

template<std::size_t N>
std::optional<int> valueOf(const std::array<Name, N> &names, const QString &text)
{
    for (const Name &name : names)
        if (text == QLatin1String(name.text))
            return name.value;
    return std::nullopt;
}

} // namespace

QByteArray encode(const QJsonObject &message)
{
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QByteArray frame(kHeader, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), frame.data());
    return frame + body;
}

void Reader::append(const QByteArray &bytes)
{
    if (!m_broken)
        m_buffer += bytes;
}

std::optional<QJsonObject> Reader::next()
{
    if (m_broken || m_buffer.size() < kHeader)
        return std::nullopt;
    const qsizetype length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length > kMaxMessage) {
        m_broken = true;
        m_buffer.clear();
        return std::nullopt;
    }
    if (m_buffer.size() < kHeader + length)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(m_buffer.mid(kHeader, length));
    m_buffer.remove(0, kHeader + length);
    if (!document.isObject()) {
        m_broken = true;
        m_buffer.clear();
        return std::nullopt;
    }
    return document.object();
}

QJsonObject plainMessage(const char *type)
{
    return { { QStringLiteral("type"), QLatin1String(type) } };
}

bool isType(const QJsonObject &message, const char *type)
{
    return message.value(QStringLiteral("type")).toString() == QLatin1String(type);
}

quint64 runId(const QJsonObject &message)
{
    return quint64(message.value(QStringLiteral("run")).toInteger());
}

QJsonObject runMessage(const Run &run)
{
    QJsonArray steps;
    for (const PageStep &step : run.steps)
        steps.append(QJsonObject{ { QStringLiteral("kind"), QLatin1String(nameOf(kStepKinds, step.kind)) },
                                  { QStringLiteral("url"), step.url.toString(QUrl::FullyEncoded) },
                                  { QStringLiteral("script"), step.script },
                                  { QStringLiteral("onlyOn"), step.onlyOn.toString(QUrl::FullyEncoded) } });
    return { { QStringLiteral("type"), QStringLiteral("run") },
             { QStringLiteral("run"), qint64(run.id) },
             { QStringLiteral("page"), run.page == EnginePage::LogIn ? QStringLiteral("login") : QStringLiteral("logout") },
             { QStringLiteral("account"), run.account },
             { QStringLiteral("budgetMs"), qint64(run.budget.count()) },
             { QStringLiteral("steps"), steps } };
}

std::optional<Run> parseRun(const QJsonObject &message)
{
    if (!isType(message, "run"))
        return std::nullopt;
    const QString page = message.value(QStringLiteral("page")).toString();
    if (page != QLatin1String("login") && page != QLatin1String("logout"))
        return std::nullopt;
    Run run;
    run.id = runId(message);
    run.page = page == QLatin1String("login") ? EnginePage::LogIn : EnginePage::LogOut;
    run.account = message.value(QStringLiteral("account")).toString();
    run.budget = std::chrono::milliseconds(message.value(QStringLiteral("budgetMs")).toInteger());
    for (const QJsonValue &value : message.value(QStringLiteral("steps")).toArray()) {
        const QJsonObject step = value.toObject();
        const std::optional<int> kind = valueOf(kStepKinds, step.value(QStringLiteral("kind")).toString());
        if (!kind)
            return std::nullopt;
        run.steps.push_back({ PageStep::Kind(*kind),
                              QUrl(step.value(QStringLiteral("url")).toString(), QUrl::StrictMode),
                              step.value(QStringLiteral("script")).toString(),
                              QUrl(step.value(QStringLiteral("onlyOn")).toString(), QUrl::StrictMode) });
    }
    return run;
}

QJsonObject startedMessage(quint64 id)
{
    QJsonObject message = plainMessage("started");
    message.insert(QStringLiteral("run"), qint64(id));
    return message;
}

namespace {

const QString kCookies = QStringLiteral("cookies");

QJsonArray cookieArray(const std::vector<SessionCookie> &cookies)
{
    QJsonArray array;
    for (const SessionCookie &cookie : cookies) {
        QJsonObject object{ { QStringLiteral("name"), cookie.name },
                            { QStringLiteral("domain"), cookie.domain },
                            { QStringLiteral("path"), cookie.path } };
        if (cookie.expires)
            object.insert(QStringLiteral("expires"), qint64(cookie.expires->toMSecsSinceEpoch()));
        array.append(object);
    }
    return array;
}

// The cookies of an array, those with a name; an expiry that is not a number is none.
std::vector<SessionCookie> cookiesOf(const QJsonValue &value)
{
    std::vector<SessionCookie> cookies;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        SessionCookie cookie{ object.value(QStringLiteral("name")).toString(),
                              object.value(QStringLiteral("domain")).toString(),
                              object.value(QStringLiteral("path")).toString(), std::nullopt };
        if (cookie.name.isEmpty())
            continue;
        if (const QJsonValue expires = object.value(QStringLiteral("expires")); expires.isDouble())
            cookie.expires = QDateTime::fromMSecsSinceEpoch(expires.toInteger(), Qt::UTC);
        cookies.push_back(std::move(cookie));
    }
    return cookies;
}

} // namespace

QJsonObject endedMessage(quint64 id, RunOutcome outcome, const std::vector<SessionCookie> &cookies)
{
    QJsonObject message = plainMessage("ended");
    message.insert(QStringLiteral("run"), qint64(id));
    message.insert(QStringLiteral("outcome"), QLatin1String(nameOf(kOutcomes, int(outcome))));
    if (!cookies.empty())
        message.insert(kCookies, cookieArray(cookies));
    return message;
}

std::vector<SessionCookie> parseEndedCookies(const QJsonObject &message)
{
    if (!isType(message, "ended"))
        return {};
    return cookiesOf(message.value(kCookies));
}

QJsonObject cancelMessage(quint64 id)
{
    QJsonObject message = plainMessage("cancel");
    message.insert(QStringLiteral("run"), qint64(id));
    return message;
}

std::optional<quint64> parseCancel(const QJsonObject &message)
{
    if (!isType(message, "cancel"))
        return std::nullopt;
    return runId(message);
}

std::optional<RunOutcome> parseOutcome(const QJsonObject &message)
{
    if (!isType(message, "ended"))
        return std::nullopt;
    const std::optional<int> value = valueOf(kOutcomes, message.value(QStringLiteral("outcome")).toString());
    return value ? std::optional(RunOutcome(*value)) : std::nullopt;
}

namespace {

const QString kUrl = QStringLiteral("url");
const QString kAccount = QStringLiteral("account");
const QString kGeometry = QStringLiteral("geometry");
const QString kOpen = QStringLiteral("open");

QJsonObject messageWith(const char *type, const QString &key, const QJsonValue &value)
{
    QJsonObject message = plainMessage(type);
    message.insert(key, value);
    return message;
}

// A web address as the other side sent it: only a valid http or https address counts.
std::optional<QUrl> webAddress(const QJsonValue &value)
{
    const QUrl url(value.toString(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return std::nullopt;
    return url;
}

QString base64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

std::optional<QByteArray> fromBase64(const QJsonValue &value)
{
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
            value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? std::optional(*decoded) : std::nullopt;
}

} // namespace

QJsonObject openMessage(const OpenPage &open)
{
    QJsonObject message = messageWith("open", kOpen, qint64(open.id));
    message.insert(kUrl, open.url.toString(QUrl::FullyEncoded));
    message.insert(kAccount, open.account);
    message.insert(kGeometry, base64(open.geometry));
    return message;
}

std::optional<OpenPage> parseOpen(const QJsonObject &message)
{
    if (!isType(message, "open"))
        return std::nullopt;
    const std::optional<QUrl> url = webAddress(message.value(kUrl));
    const std::optional<QByteArray> geometry = fromBase64(message.value(kGeometry));
    if (!url || !geometry)
        return std::nullopt;
    return OpenPage{ quint64(message.value(kOpen).toInteger()), *url, message.value(kAccount).toString(),
                     *geometry };
}

QJsonObject openedMessage(quint64 id)
{
    return messageWith("opened", kOpen, qint64(id));
}

std::optional<quint64> parseOpened(const QJsonObject &message)
{
    if (!isType(message, "opened"))
        return std::nullopt;
    return quint64(message.value(kOpen).toInteger());
}

QJsonObject prepareMessage(const QString &account)
{
    return messageWith("prepare", kAccount, account);
}

std::optional<QString> parsePrepare(const QJsonObject &message)
{
    if (!isType(message, "prepare"))
        return std::nullopt;
    return message.value(kAccount).toString();
}

QJsonObject forgetMessage(const QString &account)
{
    return messageWith("forget", kAccount, account);
}

std::optional<QString> parseForget(const QJsonObject &message)
{
    // The guest's profile is never forgotten.
    if (!isType(message, "forget") || message.value(kAccount).toString().isEmpty())
        return std::nullopt;
    return message.value(kAccount).toString();
}

namespace {

// The accounts a message lists under `key`, those given as text.
QStringList accountList(const QJsonObject &message, const QString &key = QStringLiteral("accounts"))
{
    QStringList accounts;
    for (const QJsonValue &account : message.value(key).toArray()) {
        if (account.isString())
            accounts << account.toString();
    }
    return accounts;
}

} // namespace

QJsonObject restoreMessage(const QStringList &accounts)
{
    return messageWith("restore", QStringLiteral("accounts"), QJsonArray::fromStringList(accounts));
}

std::optional<QStringList> parseRestore(const QJsonObject &message)
{
    if (!isType(message, "restore"))
        return std::nullopt;
    return accountList(message);
}

QJsonObject restoredMessage(int tabs)
{
    return messageWith("restored", QStringLiteral("tabs"), tabs);
}

std::optional<int> parseRestored(const QJsonObject &message)
{
    if (!isType(message, "restored"))
        return std::nullopt;
    return message.value(QStringLiteral("tabs")).toInt();
}

QJsonObject externalMessage(const QUrl &url)
{
    return messageWith("external", kUrl, url.toString(QUrl::FullyEncoded));
}

std::optional<QUrl> parseExternal(const QJsonObject &message)
{
    if (!isType(message, "external"))
        return std::nullopt;
    return webAddress(message.value(kUrl));
}

QJsonObject geometryMessage(const QByteArray &geometry)
{
    return messageWith("geometry", kGeometry, base64(geometry));
}

std::optional<QByteArray> parseGeometry(const QJsonObject &message)
{
    if (!isType(message, "geometry"))
        return std::nullopt;
    return fromBase64(message.value(kGeometry));
}

QJsonObject cookiesGoneMessage(const QString &account, const std::vector<SessionCookie> &cookies)
{
    QJsonObject message = messageWith("cookiesgone", kAccount, account);
    message.insert(kCookies, cookieArray(cookies));
    return message;
}

std::optional<CookiesGone> parseCookiesGone(const QJsonObject &message)
{
    if (!isType(message, "cookiesgone"))
        return std::nullopt;
    return CookiesGone{ message.value(kAccount).toString(), cookiesOf(message.value(kCookies)) };
}

namespace {

const QString kTab = QStringLiteral("tab");

quint64 tabOf(const QJsonObject &message)
{
    return quint64(message.value(kTab).toInteger());
}

} // namespace

QJsonObject loginFormMessage(const QString &account, quint64 tab, const QUrl &url)
{
    QJsonObject message = messageWith("loginform", kAccount, account);
    message.insert(kTab, qint64(tab));
    message.insert(kUrl, url.toString(QUrl::FullyEncoded));
    return message;
}

std::optional<LoginForm> parseLoginForm(const QJsonObject &message)
{
    if (!isType(message, "loginform"))
        return std::nullopt;
    // The address is the helper's to take the tab back to; one that is not a web page is none.
    return LoginForm{ message.value(kAccount).toString(), tabOf(message),
                      webAddress(message.value(kUrl)).value_or(QUrl()) };
}

QJsonObject renewMessage(const QString &account, quint64 tab)
{
    QJsonObject message = messageWith("renew", kAccount, account);
    message.insert(kTab, qint64(tab));
    return message;
}

std::optional<Renew> parseRenew(const QJsonObject &message)
{
    if (!isType(message, "renew"))
        return std::nullopt;
    return Renew{ message.value(kAccount).toString(), tabOf(message) };
}

QJsonObject sessionsMessage(const Sessions &sessions)
{
    QJsonObject message = messageWith("sessions", QStringLiteral("accounts"), QJsonArray::fromStringList(sessions.loggedIn));
    message.insert(QStringLiteral("listed"), QJsonArray::fromStringList(sessions.listed));
    return message;
}

std::optional<Sessions> parseSessions(const QJsonObject &message)
{
    if (!isType(message, "sessions"))
        return std::nullopt;
    return Sessions{ accountList(message, QStringLiteral("listed")), accountList(message) };
}

namespace {

constexpr std::array kRenewalStates{
    Name{ "offer", int(RenewalState::Offer) },
    Name{ "done", int(RenewalState::Done) },
    Name{ "failed", int(RenewalState::Failed) },
};

} // namespace

QJsonObject renewalMessage(quint64 tab, RenewalState state, const QString &text)
{
    QJsonObject message = messageWith("renewal", kTab, qint64(tab));
    message.insert(QStringLiteral("state"), QLatin1String(nameOf(kRenewalStates, int(state))));
    if (state == RenewalState::Failed)
        message.insert(QStringLiteral("text"), text);
    return message;
}

std::optional<Renewal> parseRenewal(const QJsonObject &message)
{
    if (!isType(message, "renewal"))
        return std::nullopt;
    const std::optional<int> state = valueOf(kRenewalStates, message.value(QStringLiteral("state")).toString());
    if (!state)
        return std::nullopt;
    return Renewal{ tabOf(message), RenewalState(*state), message.value(QStringLiteral("text")).toString() };
}

} // namespace EngineChannel
