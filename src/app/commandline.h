#pragma once

#include "app/remoterequest.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the program's command line asks for. It is read before anything of the program starts
// (the toolkit, the running copy, the settings), so that --help, --version and a mistyped
// option are answered without a display and without a copy to hand over to.
struct CommandLine
{
    enum class Request {
        // Start the program.
        Run,
        // Print the usage on standard output and end with status 0.
        Help,
        // Print the program's name and version on standard output and end with status 0.
        Version,
        // Print `error` and the usage on standard error and end with status 2.
        Mistake,
    };

    Request request = Request::Run;
    // Started at login by the autostart entry (Autostart::kAutostartArgument).
    bool autostart = false;
    // With Run: a request for the running copy (--login, --list...), which a copy is started
    // for when none runs.
    std::optional<remote::Request> remote;
    // What was wrong with the arguments, in the user's language, for Mistake.
    QString error;
};

// Reads the program's arguments (without the program's own name). The toolkit's options are
// passed over with their values: QApplication takes them later.
CommandLine parseCommandLine(const QStringList &arguments);

// Whether the user's language is Japanese: the program's words on its standard streams are
// Japanese then, and English otherwise.
bool usesJapanese();
// The usage, in Japanese when the user's language is Japanese and in English otherwise.
QString usageText();
// The program's name and full version, as "yorumi-livedoor 2.1.0.2".
QString versionText();
