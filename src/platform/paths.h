#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// Where every file of the program lives, in one place. On Unix desktops the XDG folders; on
// Windows the registry where the program's earlier editions keep their settings, and the user's
// profile folders.
namespace Paths {

// Where an application's accounts are kept: a file ("<application>.conf" in the configuration
// folder), or a registry key on Windows.
QString accountStore(const QString &application);

// The program's own settings, apart from the accounts, and how QSettings reads them there.
QString programSettings();
QSettings::Format programSettingsFormat();

// The entry that starts the program at login: an XDG autostart file, or a value of the user's
// Run key on Windows.
QString autostartEntry();

// The folder of the files only a running session needs.
QString runtimeFolder();
// The lock that one running copy of the program holds, and the local server a later copy
// reaches it by (a socket in the runtime folder; a named pipe on Windows, whose names every
// session on the machine shares).
QString instanceLock(const QString &key);
QString instanceServer(const QString &key);

// The browser engine's profile (the portal's cookies) and its cache, in the program's data
// folder.
QString engineProfile();
QString engineCache();
// The portal window's open tabs (address and account), which the engine helper keeps while the
// window is open, so that a helper that ended unexpectedly leaves them to the next one.
QString portalTabs();

// Where the engine helper, yorumi-browser, may be: beside the program, and in
// ../lib/yorumi-livedoor from the program's folder (where it is installed on Unix, and where the
// build tree puts it).
QStringList helperFolders();

} // namespace Paths
