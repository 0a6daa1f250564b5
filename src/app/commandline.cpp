#include "app/commandline.h"

#include "platform/autostart.h"
#include "platform/versioninfo.h"

#include <QDir>
#include <QLocale>

#include <algorithm>
#include <array>

namespace {

// The options of the Qt toolkit (6.4) that QApplication takes on Linux and Windows: those
// followed by a value, those that are a word alone, and those written with their value after
// '='. The toolkit reads each with one dash or two.
constexpr std::array kToolkitOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "display", "session",
    "style", "stylesheet", "qwindowgeometry", "qwindowtitle", "qwindowicon", "geometry",
    "title", "icon", "name", "visual",
};
constexpr std::array kToolkitFlags = { "reverse", "nograb", "dograb", "widgetcount", "testability" };
constexpr std::array kToolkitOptionsWithEquals = { "style=", "stylesheet=", "qmljsdebugger=" };

// The requests for the running copy, by their options, and whether each takes a value (an ID,
// an address, a file), may take one (--logout), or takes none. Written with two dashes; a value
// follows as the next argument or after '='.
enum class OptionValue { None, Optional, Required };
struct RequestOption
{
    const char *name;
    OptionValue value;
};
constexpr std::array kRequestOptions = {
    RequestOption{ "login", OptionValue::Required },    RequestOption{ "logout", OptionValue::Optional },
    RequestOption{ "login-all", OptionValue::None },    RequestOption{ "logout-all", OptionValue::None },
    RequestOption{ "open", OptionValue::Required },     RequestOption{ "copy", OptionValue::Required },
    RequestOption{ "list", OptionValue::None },         RequestOption{ "show", OptionValue::None },
    RequestOption{ "import", OptionValue::Required },
};
// The account --open opens its page as.
constexpr const char *kAsOption = "as";

remote::Request requestOf(const QString &name, const std::optional<QString> &value)
{
    const QString text = value.value_or(QString());
    if (name == QLatin1String("login"))
        return remote::LogIn{ text };
    if (name == QLatin1String("logout"))
        return remote::LogOut{ value };
    if (name == QLatin1String("login-all"))
        return remote::LogInAll{};
    if (name == QLatin1String("logout-all"))
        return remote::LogOutAll{};
    if (name == QLatin1String("open"))
        return remote::Open{ text, std::nullopt };
    if (name == QLatin1String("copy"))
        return remote::Copy{ text };
    if (name == QLatin1String("list"))
        return remote::List{};
    if (name == QLatin1String("show"))
        return remote::Show{};
    // The running copy has a folder of its own: the file is named from here.
    return remote::Import{ QDir::current().absoluteFilePath(text) };
}

// The option's name without its dashes (one or two), or empty when the argument is no option.
QString optionName(const QString &argument)
{
    if (argument.startsWith(QLatin1String("--")))
        return argument.mid(2);
    if (argument.startsWith(QLatin1Char('-')))
        return argument.mid(1);
    return {};
}

template <std::size_t N>
bool isOneOf(const QString &name, const std::array<const char *, N> &names)
{
    return std::any_of(names.begin(), names.end(), [&name](const char *n) { return name == QLatin1String(n); });
}

template <std::size_t N>
bool startsWithOneOf(const QString &name, const std::array<const char *, N> &prefixes)
{
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&name](const char *prefix) { return name.startsWith(QLatin1String(prefix)); });
}

CommandLine mistake(const QString &japanese, const QString &english, const QString &argument)
{
    CommandLine line;
    line.request = CommandLine::Request::Mistake;
    line.error = QStringLiteral("yorumi-livedoor: %1\n").arg((usesJapanese() ? japanese : english).arg(argument));
    return line;
}

} // namespace

bool usesJapanese()
{
    // The user's language as gettext tells it: the first of LANGUAGE, else the locale of LC_ALL,
    // LC_MESSAGES or LANG (on Windows, the user's language setting).
    return QLocale::system().language() == QLocale::Japanese;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool help = false;
    bool version = false;
    std::optional<QString> as;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const QString name = optionName(argument);
        // A request's option, or --as, with its value.
        const QString requestName =
                argument.startsWith(QLatin1String("--")) ? name.section(QLatin1Char('='), 0, 0) : QString();
        const auto option = std::find_if(kRequestOptions.begin(), kRequestOptions.end(), [&](const RequestOption &o) {
            return requestName == QLatin1String(o.name);
        });
        const bool isAs = requestName == QLatin1String(kAsOption);
        if (option != kRequestOptions.end() || isAs) {
            const OptionValue takes = isAs ? OptionValue::Required : option->value;
            const QString written = QStringLiteral("--") + requestName;
            std::optional<QString> value;
            if (name.contains(QLatin1Char('='))) {
                if (takes == OptionValue::None)
                    return mistake(QStringLiteral("オプション %1 は値をとりません"),
                                   QStringLiteral("option %1 takes no value"), written);
                value = name.section(QLatin1Char('='), 1);
            } else if (takes == OptionValue::Required || (takes == OptionValue::Optional && i + 1 < arguments.size()
                                                                && !arguments[i + 1].startsWith(QLatin1Char('-')))) {
                if (++i == arguments.size())
                    return mistake(QStringLiteral("オプション %1 には値が必要です"),
                                   QStringLiteral("option %1 needs a value"), written);
                value = arguments[i];
            }
            if (isAs) {
                as = value;
            } else if (line.remote) {
                return mistake(QStringLiteral("要求は1つだけ指定してください: %1"),
                               QStringLiteral("only one request at a time: %1"), written);
            } else {
                line.remote = requestOf(requestName, value);
            }
        } else if (argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("--version")) {
            version = true;
        } else if (argument == QLatin1String(Autostart::kAutostartArgument)) {
            line.autostart = true;
        } else if (name.isEmpty()) {
            return mistake(QStringLiteral("余分な引数です: %1"), QStringLiteral("unexpected argument: %1"), argument);
        } else if (isOneOf(name, kToolkitOptionsWithValue)) {
            if (++i == arguments.size())
                return mistake(QStringLiteral("オプション %1 には値が必要です"),
                               QStringLiteral("option %1 needs a value"), argument);
        } else if (!isOneOf(name, kToolkitFlags) && !startsWithOneOf(name, kToolkitOptionsWithEquals)) {
            return mistake(QStringLiteral("不明なオプションです: %1"), QStringLiteral("unknown option: %1"), argument);
        }
    }
    if (as) {
        auto *open = line.remote ? std::get_if<remote::Open>(&*line.remote) : nullptr;
        if (!open)
            return mistake(QStringLiteral("%1 は --open と一緒に指定してください"), QStringLiteral("%1 goes with --open"),
                           QStringLiteral("--as"));
        open->as = as;
    }
    if (help)
        line.request = CommandLine::Request::Help;
    else if (version)
        line.request = CommandLine::Request::Version;
    return line;
}

QString usageText()
{
    // The toolkit's options, as the manual page lists them.
    const QString toolkit = QStringLiteral(
            "  -platform NAME[:OPTIONS]  -platformpluginpath PATH  -platformtheme NAME\n"
            "  -plugin NAME  -display DISPLAY  -session ID  -style NAME  -stylesheet FILE\n"
            "  -qwindowgeometry GEOMETRY  -qwindowtitle TITLE  -qwindowicon FILE\n"
            "  -geometry GEOMETRY  -title TITLE  -icon FILE  -name NAME  -visual ID\n"
            "  -reverse  -nograb  -dograb  -widgetcount  -testability\n"
            "  -style=NAME  -stylesheet=FILE  -qmljsdebugger=OPTIONS\n");
    if (usesJapanese()) {
        return QStringLiteral("使い方: yorumi-livedoor [--autostart] [Qt のオプション]\n"
                              "        yorumi-livedoor 要求\n"
                              "        yorumi-livedoor --help | --version\n"
                              "通知領域から複数のライブドアIDを切り替えてログインします。\n"
                              "\n"
                              "  --autostart  ログイン時の起動: 通知領域が現れるのを最大10秒待ってから、\n"
                              "               現れなければ設定画面を表示します\n"
                              "  --help       この使い方を表示して終了します\n"
                              "  --version    プログラムの名前とバージョンを表示して終了します\n"
                              "\n"
                              "要求 (実行中のプログラムに渡して結果を待ちます。実行中でなければ起動します):\n"
                              "  --login ID            IDでログインします\n"
                              "  --logout [ID]         IDから (省略すると現在のアカウントから) ログアウトします\n"
                              "  --login-all           すべてのアカウントでログインします\n"
                              "  --logout-all          すべてのアカウントからログアウトします\n"
                              "  --open URL [--as ID]  ポータルのページをポータルウィンドウで開きます\n"
                              "                        (IDで、省略すると現在のアカウントで)\n"
                              "  --copy ID             IDのパスワードをクリップボードにコピーします\n"
                              "  --list                アカウントを1行に1つ表示します: ID、タブ、\n"
                              "                        logged-in か logged-out、現在のアカウントにはタブと current\n"
                              "  --show                設定画面を表示します\n"
                              "  --import FILE         ファイルのアカウントを、確認の画面を経て取り込みます\n"
                              "終了コード: 0 完了、1 失敗 (理由を標準エラー出力に表示)、2 引数やIDの誤り\n"
                              "\n"
                              "Qt のオプション (ダッシュは1つでも2つでもかまいません):\n")
                + toolkit;
    }
    return QStringLiteral("Usage: yorumi-livedoor [--autostart] [Qt options]\n"
                          "       yorumi-livedoor REQUEST\n"
                          "       yorumi-livedoor --help | --version\n"
                          "Switches between several livedoor accounts from the notification area.\n"
                          "\n"
                          "  --autostart  started at login: waits up to 10 seconds for the notification\n"
                          "               area to appear, and shows the settings window if none does\n"
                          "  --help       prints this usage and exits\n"
                          "  --version    prints the program's name and version and exits\n"
                          "\n"
                          "Requests (handed to the running program, whose outcome they wait for; the\n"
                          "program is started when it is not running):\n"
                          "  --login ID            logs in as ID\n"
                          "  --logout [ID]         logs ID out (without one, the current account)\n"
                          "  --login-all           logs every account in\n"
                          "  --logout-all          logs every account out\n"
                          "  --open URL [--as ID]  opens a page of the portal in the portal window, as ID\n"
                          "                        (without one, as the current account)\n"
                          "  --copy ID             puts ID's password on the clipboard\n"
                          "  --list                prints one account a line: the ID, a tab, logged-in or\n"
                          "                        logged-out, and a tab and current for the current account\n"
                          "  --show                shows the settings window\n"
                          "  --import FILE         takes in the accounts of FILE, through the preview\n"
                          "Exit status: 0 done, 1 failed (the reason on standard error), 2 a mistake in\n"
                          "the arguments or the ID\n"
                          "\n"
                          "Qt options (with one dash or two):\n")
            + toolkit;
}

QString versionText()
{
    return QStringLiteral("yorumi-livedoor %1\n").arg(QLatin1String(VersionInfo::version));
}
