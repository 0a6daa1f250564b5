#include "app/remoterequest.h"

#include "tray/everyaccount.h"
#include "ui/common/passwordproblems.h"
#include "ui/common/statustext.h"
#include "ui/main/frmimport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace remote {

namespace {

// The requests' names, as the messages carry them.
const QString kRequestField = QStringLiteral("request");
const QString kLogIn = QStringLiteral("login");
const QString kLogOut = QStringLiteral("logout");
const QString kLogInAll = QStringLiteral("login-all");
const QString kLogOutAll = QStringLiteral("logout-all");
const QString kOpen = QStringLiteral("open");
const QString kCopy = QStringLiteral("copy");
const QString kList = QStringLiteral("list");
const QString kShow = QStringLiteral("show");
const QString kImport = QStringLiteral("import");

template <class... Handlers>
struct Overloaded : Handlers...
{
    using Handlers::operator()...;
};

QByteArray lineOf(const QJsonObject &object)
{
    // Compact JSON has no line end: the message is one line, whatever its strings hold.
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QJsonObject> objectOf(const QByteArray &message)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<QString> optionalString(const QJsonObject &object, const QString &name)
{
    return object.contains(name) ? std::optional(object.value(name).toString()) : std::nullopt;
}

QJsonArray arrayOf(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

QStringList listOf(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &item : value.toArray())
        list.append(item.toString());
    return list;
}

QString englishImportFailure(const ImportFailure &failure)
{
    using Reason = ImportFailure::Reason;
    switch (failure.reason) {
    case Reason::Unreadable:
        return QStringLiteral("it cannot be opened");
    case Reason::TooLarge:
        return QStringLiteral("it is larger than 16 MB");
    case Reason::UnknownFormat:
        return QStringLiteral("it is no CSV file of Chrome, Firefox, KeePassXC or Bitwarden, nor a registry export "
                              "of the Windows edition");
    case Reason::BrokenQuoting:
        return QStringLiteral("a quoted field does not end, or text follows its closing quote");
    case Reason::BrokenLine:
        return QStringLiteral("the line is malformed");
    case Reason::WrongEncoding:
        break;
    }
    return QStringLiteral("it is not text in the file's encoding (UTF-8 for CSV, UTF-16 or Shift_JIS for the "
                          "registry)");
}

QString englishPasswordProblem(PasswordProblem problem, bool writing)
{
    const QString what = writing ? QStringLiteral("the passwords could not be stored: ")
                                 : QStringLiteral("the password could not be read: ");
    switch (problem) {
    case PasswordProblem::None:
        return QString();
    case PasswordProblem::NotFound:
        return QStringLiteral("no password is stored for this account");
    case PasswordProblem::KeyringUnavailable:
        return what + QStringLiteral("the keyring is unavailable");
    case PasswordProblem::KeyringLocked:
        return what + QStringLiteral("the keyring stayed locked");
    case PasswordProblem::KeyringRefused:
        return what + QStringLiteral("the keyring refused");
    case PasswordProblem::KeyringHoldsNothing:
        return what + QStringLiteral("the keyring holds none of the passwords");
    case PasswordProblem::ListChanged:
    case PasswordProblem::AccountChanged:
        return QStringLiteral("the accounts were changed meanwhile, so nothing was done");
    case PasswordProblem::NotStored:
        break;
    }
    return QStringLiteral("the accounts could not be written");
}

QString englishRun(EnginePage page, RunOutcome outcome)
{
    const bool login = page == EnginePage::LogIn;
    switch (outcome) {
    case RunOutcome::Done:
        return QString();
    case RunOutcome::TimedOut:
        return login ? QStringLiteral("the login timed out") : QStringLiteral("the logout timed out");
    case RunOutcome::WrongPage:
        if (login)
            return QStringLiteral("the login page could not be confirmed");
        [[fallthrough]];
    case RunOutcome::EngineEnded:
        return QStringLiteral("the browser engine ended during the run");
    case RunOutcome::EngineUnavailable:
        return QStringLiteral("the browser engine could not be started");
    case RunOutcome::Failed:
    case RunOutcome::Cancelled:
        break;
    }
    return login ? QStringLiteral("the login failed") : QStringLiteral("the logout failed");
}

} // namespace

QByteArray encode(const Request &request)
{
    QJsonObject object = std::visit(
            Overloaded{
                    [](const LogIn &r) { return QJsonObject{ { kRequestField, kLogIn }, { "id", r.id } }; },
                    [](const LogOut &r) {
                        QJsonObject o{ { kRequestField, kLogOut } };
                        if (r.id)
                            o.insert("id", *r.id);
                        return o;
                    },
                    [](const LogInAll &) { return QJsonObject{ { kRequestField, kLogInAll } }; },
                    [](const LogOutAll &) { return QJsonObject{ { kRequestField, kLogOutAll } }; },
                    [](const Open &r) {
                        QJsonObject o{ { kRequestField, kOpen }, { "url", r.url } };
                        if (r.as)
                            o.insert("as", *r.as);
                        return o;
                    },
                    [](const Copy &r) { return QJsonObject{ { kRequestField, kCopy }, { "id", r.id } }; },
                    [](const List &) { return QJsonObject{ { kRequestField, kList } }; },
                    [](const Show &) { return QJsonObject{ { kRequestField, kShow } }; },
                    [](const Import &r) { return QJsonObject{ { kRequestField, kImport }, { "path", r.path } }; },
            },
            request);
    return lineOf(object);
}

std::optional<Request> decodeRequest(const QByteArray &message)
{
    const std::optional<QJsonObject> object = objectOf(message);
    if (!object)
        return std::nullopt;
    const QString name = object->value(kRequestField).toString();
    const QString id = object->value("id").toString();
    if (name == kLogIn)
        return LogIn{ id };
    if (name == kLogOut)
        return LogOut{ optionalString(*object, "id") };
    if (name == kLogInAll)
        return LogInAll{};
    if (name == kLogOutAll)
        return LogOutAll{};
    if (name == kOpen)
        return Open{ object->value("url").toString(), optionalString(*object, "as") };
    if (name == kCopy)
        return Copy{ id };
    if (name == kList)
        return List{};
    if (name == kShow)
        return Show{};
    if (name == kImport)
        return Import{ object->value("path").toString() };
    return std::nullopt;
}

QByteArray encode(const Reply &reply)
{
    return lineOf({
            { "status", int(reply.status) },
            { "why", int(reply.why) },
            { "subjects", arrayOf(reply.subjects) },
            { "page", int(reply.page) },
            { "outcome", int(reply.outcome) },
            { "problem", int(reply.problem) },
            { "writing", reply.writing },
            { "importReason", int(reply.importFailure.reason) },
            { "importLine", reply.importFailure.line },
            { "output", arrayOf(reply.output) },
    });
}

std::optional<Reply> decodeReply(const QByteArray &message)
{
    const std::optional<QJsonObject> object = objectOf(message);
    if (!object)
        return std::nullopt;
    Reply reply;
    reply.status = Reply::Status(object->value("status").toInt());
    reply.why = Reply::Why(object->value("why").toInt());
    reply.subjects = listOf(object->value("subjects"));
    reply.page = EnginePage(object->value("page").toInt());
    reply.outcome = RunOutcome(object->value("outcome").toInt());
    reply.problem = PasswordProblem(object->value("problem").toInt());
    reply.writing = object->value("writing").toBool();
    reply.importFailure = { ImportFailure::Reason(object->value("importReason").toInt()),
                            object->value("importLine").toInt() };
    reply.output = listOf(object->value("output"));
    return reply;
}

QString replyText(const Reply &reply, bool japanese)
{
    const QString subject = reply.subjects.value(0);
    switch (reply.why) {
    case Reply::Why::None:
        return QString();
    case Reply::Why::UnknownId:
        return japanese ? QStringLiteral("不明なIDです: %1").arg(subject) : QStringLiteral("unknown ID: %1").arg(subject);
    case Reply::Why::NotPortalPage:
        return japanese ? QStringLiteral("ポータルのアドレスではありません: %1").arg(subject)
                        : QStringLiteral("not an address of the portal: %1").arg(subject);
    case Reply::Why::Run:
        return japanese ? StatusText::ended(reply.page, reply.outcome) : englishRun(reply.page, reply.outcome);
    case Reply::Why::SomeAccounts:
        if (japanese)
            return everyAccountText(reply.page, 0, reply.subjects);
        return (reply.page == EnginePage::LogIn ? QStringLiteral("these accounts could not log in: ")
                                                : QStringLiteral("these accounts could not log out: "))
                + reply.subjects.join(QStringLiteral(", "));
    case Reply::Why::EveryAccountRunning:
        return japanese ? QStringLiteral("すべてのアカウントのログインまたはログアウトを実行中です。")
                        : QStringLiteral("every account is being logged in or out already");
    case Reply::Why::Password:
        return japanese ? passwordProblemText(reply.problem, reply.writing ? PasswordUse::Write : PasswordUse::Read)
                                  .replace(QLatin1Char('\n'), QLatin1Char(' '))
                        : englishPasswordProblem(reply.problem, reply.writing);
    case Reply::Why::CopyFailed:
        return japanese ? QStringLiteral("コピーできませんでした。")
                        : QStringLiteral("the password could not be put on the clipboard");
    case Reply::Why::ImportUnreadable:
        if (japanese)
            return QStringLiteral("%1を読み込めませんでした。 %2")
                    .arg(QDir::toNativeSeparators(subject), importFailureText(reply.importFailure));
        if (reply.importFailure.line > 0)
            return QStringLiteral("cannot read %1: line %2: %3")
                    .arg(QDir::toNativeSeparators(subject))
                    .arg(reply.importFailure.line)
                    .arg(englishImportFailure(reply.importFailure));
        return QStringLiteral("cannot read %1: %2")
                .arg(QDir::toNativeSeparators(subject), englishImportFailure(reply.importFailure));
    case Reply::Why::ImportNoAccounts:
        return japanese ? kNoAccountInFile : QStringLiteral("the file holds no livedoor account");
    case Reply::Why::ImportCancelled:
        return japanese ? QStringLiteral("インポートを取り消しました。") : QStringLiteral("the import was cancelled");
    case Reply::Why::NoAnswer:
        return japanese ? QStringLiteral("実行中のプログラムが応答しませんでした。")
                        : QStringLiteral("the running program did not answer");
    case Reply::Why::NotStarted:
        break;
    }
    return japanese ? QStringLiteral("プログラムを起動できませんでした。") : QStringLiteral("the program could not be started");
}

} // namespace remote
