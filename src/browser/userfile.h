#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file with the contents in one step (an interruption leaves the old file or the
// new one, never a part), readable and writable by the user alone. False when it could not.
bool writeUserFile(const QString &path, const QByteArray &contents);
