#pragma once

#include <QString>

// Starting the program when the user logs in: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/yorumi-livedoor.desktop), or the user's Run key in the registry on
// Windows. The program started that way gets kAutostartArgument.
class Autostart
{
public:
    static constexpr char kAutostartArgument[] = "--autostart";

    // Where the entry lives: a file path, or a registry path on Windows.
    static QString location();

    bool isEnabled() const;
    // Makes the entry, starting `program` (an absolute path); false when it cannot be written.
    bool enable(const QString &program);
    // Removes the entry; true when there is none afterwards.
    bool disable();
};

// `program` and its arguments as the Exec key of a desktop entry quotes them.
QString desktopExecLine(const QString &program, const QString &argument);
