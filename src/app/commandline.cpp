#include "app/commandline.h"

#include "platform/autostart.h"
#include "platform/versioninfo.h"

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

bool inJapanese()
{
    // The user's language as gettext tells it: the first of LANGUAGE, else the locale of LC_ALL,
    // LC_MESSAGES or LANG (on Windows, the user's language setting).
    return QLocale::system().language() == QLocale::Japanese;
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
    line.error = QStringLiteral("yorumi-livedoor: %1\n").arg((inJapanese() ? japanese : english).arg(argument));
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool help = false;
    bool version = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const QString name = optionName(argument);
        if (argument == QLatin1String("--help")) {
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
    if (inJapanese()) {
        return QStringLiteral("使い方: yorumi-livedoor [--autostart] [Qt のオプション]\n"
                              "        yorumi-livedoor --help | --version\n"
                              "通知領域から複数のライブドアIDを切り替えてログインします。\n"
                              "\n"
                              "  --autostart  ログイン時の起動: 通知領域が現れるのを最大10秒待ってから、\n"
                              "               現れなければ設定画面を表示します\n"
                              "  --help       この使い方を表示して終了します\n"
                              "  --version    プログラムの名前とバージョンを表示して終了します\n"
                              "\n"
                              "Qt のオプション (ダッシュは1つでも2つでもかまいません):\n")
                + toolkit;
    }
    return QStringLiteral("Usage: yorumi-livedoor [--autostart] [Qt options]\n"
                          "       yorumi-livedoor --help | --version\n"
                          "Switches between several livedoor accounts from the notification area.\n"
                          "\n"
                          "  --autostart  started at login: waits up to 10 seconds for the notification\n"
                          "               area to appear, and shows the settings window if none does\n"
                          "  --help       prints this usage and exits\n"
                          "  --version    prints the program's name and version and exits\n"
                          "\n"
                          "Qt options (with one dash or two):\n")
            + toolkit;
}

QString versionText()
{
    return QStringLiteral("yorumi-livedoor %1\n").arg(QLatin1String(VersionInfo::version));
}
