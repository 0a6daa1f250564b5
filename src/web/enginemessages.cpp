#include "web/enginechannel.h"

#include <QJsonArray>

#include <array>
#include <functional>

namespace EngineChannel {

namespace {

// Every key of the messages.
namespace Key {
const QString type = QStringLiteral("type");
const QString version = QStringLiteral("version");
const QString run = QStringLiteral("run");
const QString page = QStringLiteral("page");
const QString account = QStringLiteral("account");
const QString accounts = QStringLiteral("accounts");
const QString listed = QStringLiteral("listed");
const QString budget = QStringLiteral("budgetMs");
const QString steps = QStringLiteral("steps");
const QString kind = QStringLiteral("kind");
const QString url = QStringLiteral("url");
const QString script = QStringLiteral("script");
const QString onlyOn = QStringLiteral("onlyOn");
const QString outcome = QStringLiteral("outcome");
const QString cookies = QStringLiteral("cookies");
const QString set = QStringLiteral("set");
const QString gone = QStringLiteral("gone");
const QString open = QStringLiteral("open");
const QString geometry = QStringLiteral("geometry");
const QString tabs = QStringLiteral("tabs");
const QString tab = QStringLiteral("tab");
const QString state = QStringLiteral("state");
} // namespace Key

struct Name
{
    const char *text;
    int value;
};

constexpr std::array kPages{ Name{ "login", int(EnginePage::LogIn) }, Name{ "logout", int(EnginePage::LogOut) } };
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
    Name{ "cancelled", int(RunOutcome::Cancelled) },
    Name{ "engineEnded", int(RunOutcome::EngineEnded) },
    Name{ "engineUnavailable", int(RunOutcome::EngineUnavailable) },
};
constexpr std::array kRenewalStates{
    Name{ "offer", int(RenewalState::Offer) },
    Name{ "done", int(RenewalState::Done) },
    Name{ "failed", int(RenewalState::Failed) },
};

template <std::size_t N>
QString nameOf(const std::array<Name, N> &names, int value)
{
    for (const Name &name : names) {
        if (name.value == value)
            return QLatin1String(name.text);
    }
    return QString();
}

template <std::size_t N>
std::optional<int> valueOf(const std::array<Name, N> &names, const QJsonValue &text)
{
    for (const Name &name : names) {
        if (text.toString() == QLatin1String(name.text))
            return name.value;
    }
    return std::nullopt;
}

QJsonObject typed(const char *type, std::initializer_list<std::pair<QString, QJsonValue>> fields = {})
{
    QJsonObject message{ { Key::type, QLatin1String(type) } };
    for (const auto &[key, value] : fields)
        message.insert(key, value);
    return message;
}

quint64 idOf(const QJsonValue &value)
{
    return quint64(value.toInteger());
}

QString address(const QUrl &url)
{
    return url.toString(QUrl::FullyEncoded);
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

// The texts of a list, those given as text.
QStringList texts(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &entry : value.toArray()) {
        if (entry.isString())
            list << entry.toString();
    }
    return list;
}

QJsonArray stepsJson(const std::vector<PageStep> &steps)
{
    QJsonArray array;
    for (const PageStep &step : steps)
        array.append(QJsonObject{ { Key::kind, nameOf(kStepKinds, step.kind) },
                                  { Key::url, address(step.url) },
                                  { Key::script, step.script },
                                  { Key::onlyOn, address(step.onlyOn) } });
    return array;
}

std::optional<std::vector<PageStep>> stepsFromJson(const QJsonValue &value)
{
    std::vector<PageStep> steps;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject step = entry.toObject();
        const std::optional<int> kind = valueOf(kStepKinds, step.value(Key::kind));
        if (!kind)
            return std::nullopt;
        steps.push_back({ PageStep::Kind(*kind), QUrl(step.value(Key::url).toString(), QUrl::StrictMode),
                          step.value(Key::script).toString(),
                          QUrl(step.value(Key::onlyOn).toString(), QUrl::StrictMode) });
    }
    return steps;
}

template <typename Message>
using Parser = std::function<std::optional<Message>(const QJsonObject &)>;

// The message of the type the table gives its parser for; none for another type.
template <typename Message, std::size_t N>
std::optional<Message> parseBy(const std::array<std::pair<const char *, Parser<Message>>, N> &parsers,
                               const QJsonObject &message)
{
    const QString type = message.value(Key::type).toString();
    for (const auto &[name, parse] : parsers) {
        if (type == QLatin1String(name))
            return parse(message);
    }
    return std::nullopt;
}

// What the helper may say of a run's end: not the program's own outcomes.
bool isHelpersOutcome(RunOutcome outcome)
{
    return outcome == RunOutcome::Done || outcome == RunOutcome::Failed || outcome == RunOutcome::TimedOut
            || outcome == RunOutcome::WrongPage;
}

} // namespace

QJsonObject encode(const ToHelper &message)
{
    return std::visit(
            Visitor{
                    [](const Run &run) {
                        return typed("run", { { Key::run, qint64(run.id) },
                                              { Key::page, nameOf(kPages, int(run.page)) },
                                              { Key::account, run.account },
                                              { Key::budget, qint64(run.budget.count()) },
                                              { Key::steps, stepsJson(run.steps) } });
                    },
                    [](const Cancel &cancel) { return typed("cancel", { { Key::run, qint64(cancel.run) } }); },
                    [](const OpenPage &open) {
                        return typed("open", { { Key::open, qint64(open.id) },
                                               { Key::url, address(open.url) },
                                               { Key::account, open.account },
                                               { Key::geometry, base64(open.geometry) } });
                    },
                    [](const Prepare &prepare) { return typed("prepare", { { Key::account, prepare.account } }); },
                    [](const Forget &forget) { return typed("forget", { { Key::account, forget.account } }); },
                    [](const Restore &restore) {
                        return typed("restore", { { Key::accounts, QJsonArray::fromStringList(restore.accounts) } });
                    },
                    [](const Sessions &sessions) {
                        return typed("sessions", { { Key::accounts, QJsonArray::fromStringList(sessions.loggedIn) },
                                                   { Key::listed, QJsonArray::fromStringList(sessions.listed) } });
                    },
                    [](const Renewal &renewal) {
                        QJsonObject message = typed("renewal", { { Key::tab, qint64(renewal.tab) },
                                                                 { Key::state, nameOf(kRenewalStates, int(renewal.state)) } });
                        if (renewal.state == RenewalState::Failed)
                            message.insert(Key::outcome, nameOf(kOutcomes, int(renewal.outcome)));
                        return message;
                    },
            },
            message);
}

QJsonObject encode(const FromHelper &message)
{
    return std::visit(
            Visitor{
                    [](const Ready &ready) { return typed("ready", { { Key::version, ready.version } }); },
                    [](const Started &started) { return typed("started", { { Key::run, qint64(started.run) } }); },
                    [](const Ended &ended) {
                        QJsonObject message = typed("ended", { { Key::run, qint64(ended.run) },
                                                               { Key::outcome, nameOf(kOutcomes, int(ended.outcome)) } });
                        if (!ended.cookies.empty())
                            message.insert(Key::cookies, cookiesJson(ended.cookies));
                        return message;
                    },
                    [](const Bye &) { return typed("bye"); },
                    [](const Opened &opened) { return typed("opened", { { Key::open, qint64(opened.open) } }); },
                    [](const Restored &restored) { return typed("restored", { { Key::tabs, restored.tabs } }); },
                    [](const External &external) { return typed("external", { { Key::url, address(external.url) } }); },
                    [](const Geometry &geometry) {
                        return typed("geometry", { { Key::geometry, base64(geometry.geometry) } });
                    },
                    [](const Cookies &cookies) {
                        return typed("cookies", { { Key::account, cookies.account },
                                                  { Key::set, cookiesJson(cookies.set) },
                                                  { Key::gone, cookiesJson(cookies.gone) } });
                    },
                    [](const LoginForm &form) {
                        return typed("loginform", { { Key::account, form.account },
                                                    { Key::tab, qint64(form.tab) },
                                                    { Key::url, address(form.url) } });
                    },
                    [](const Renew &renew) {
                        return typed("renew", { { Key::account, renew.account }, { Key::tab, qint64(renew.tab) } });
                    },
            },
            message);
}

std::optional<ToHelper> parseToHelper(const QJsonObject &message)
{
    static const std::array<std::pair<const char *, Parser<ToHelper>>, 8> parsers{ {
            { "run",
              [](const QJsonObject &m) -> std::optional<ToHelper> {
                  const std::optional<int> page = valueOf(kPages, m.value(Key::page));
                  std::optional<std::vector<PageStep>> steps = stepsFromJson(m.value(Key::steps));
                  if (!page || !steps)
                      return std::nullopt;
                  return Run{ idOf(m.value(Key::run)), EnginePage(*page), m.value(Key::account).toString(),
                              std::move(*steps), std::chrono::milliseconds(m.value(Key::budget).toInteger()) };
              } },
            { "cancel", [](const QJsonObject &m) -> std::optional<ToHelper> { return Cancel{ idOf(m.value(Key::run)) }; } },
            { "open",
              [](const QJsonObject &m) -> std::optional<ToHelper> {
                  const std::optional<QUrl> url = webAddress(m.value(Key::url));
                  const std::optional<QByteArray> geometry = fromBase64(m.value(Key::geometry));
                  if (!url || !geometry)
                      return std::nullopt;
                  return OpenPage{ idOf(m.value(Key::open)), *url, m.value(Key::account).toString(), *geometry };
              } },
            { "prepare",
              [](const QJsonObject &m) -> std::optional<ToHelper> { return Prepare{ m.value(Key::account).toString() }; } },
            { "forget",
              [](const QJsonObject &m) -> std::optional<ToHelper> {
                  // The guest's profile is never forgotten.
                  if (m.value(Key::account).toString().isEmpty())
                      return std::nullopt;
                  return Forget{ m.value(Key::account).toString() };
              } },
            { "restore",
              [](const QJsonObject &m) -> std::optional<ToHelper> { return Restore{ texts(m.value(Key::accounts)) }; } },
            { "sessions",
              [](const QJsonObject &m) -> std::optional<ToHelper> {
                  return Sessions{ texts(m.value(Key::listed)), texts(m.value(Key::accounts)) };
              } },
            { "renewal",
              [](const QJsonObject &m) -> std::optional<ToHelper> {
                  const std::optional<int> state = valueOf(kRenewalStates, m.value(Key::state));
                  if (!state)
                      return std::nullopt;
                  const std::optional<int> outcome = valueOf(kOutcomes, m.value(Key::outcome));
                  return Renewal{ idOf(m.value(Key::tab)), RenewalState(*state),
                                  outcome ? RunOutcome(*outcome) : RunOutcome::Failed };
              } },
    } };
    return parseBy(parsers, message);
}

std::optional<FromHelper> parseFromHelper(const QJsonObject &message)
{
    static const std::array<std::pair<const char *, Parser<FromHelper>>, 11> parsers{ {
            { "ready",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  // A helper from before the channel had versions says none.
                  return Ready{ m.value(Key::version).toInt(1) };
              } },
            { "started", [](const QJsonObject &m) -> std::optional<FromHelper> { return Started{ idOf(m.value(Key::run)) }; } },
            { "ended",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  const std::optional<int> outcome = valueOf(kOutcomes, m.value(Key::outcome));
                  if (!outcome || !isHelpersOutcome(RunOutcome(*outcome)))
                      return std::nullopt;
                  return Ended{ idOf(m.value(Key::run)), RunOutcome(*outcome), cookiesFromJson(m.value(Key::cookies)) };
              } },
            { "bye", [](const QJsonObject &) -> std::optional<FromHelper> { return Bye{}; } },
            { "opened", [](const QJsonObject &m) -> std::optional<FromHelper> { return Opened{ idOf(m.value(Key::open)) }; } },
            { "restored", [](const QJsonObject &m) -> std::optional<FromHelper> { return Restored{ m.value(Key::tabs).toInt() }; } },
            { "external",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  const std::optional<QUrl> url = webAddress(m.value(Key::url));
                  return url ? std::optional<FromHelper>(External{ *url }) : std::nullopt;
              } },
            { "geometry",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  const std::optional<QByteArray> geometry = fromBase64(m.value(Key::geometry));
                  return geometry ? std::optional<FromHelper>(Geometry{ *geometry }) : std::nullopt;
              } },
            { "cookies",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  return Cookies{ m.value(Key::account).toString(), cookiesFromJson(m.value(Key::set)),
                                  cookiesFromJson(m.value(Key::gone)) };
              } },
            { "loginform",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  // The address is the helper's to take the tab back to; one that is not a web
                  // page is none.
                  return LoginForm{ m.value(Key::account).toString(), idOf(m.value(Key::tab)),
                                    webAddress(m.value(Key::url)).value_or(QUrl()) };
              } },
            { "renew",
              [](const QJsonObject &m) -> std::optional<FromHelper> {
                  return Renew{ m.value(Key::account).toString(), idOf(m.value(Key::tab)) };
              } },
    } };
    return parseBy(parsers, message);
}

} // namespace EngineChannel
