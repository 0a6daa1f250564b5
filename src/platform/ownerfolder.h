#pragma once

#include <QString>

// Creates the missing folders of a path one by one, each readable by its owner only
// (mode 0700 on Unix). Folders that already exist keep their mode. False when the path
// could not be made a folder.
bool makeOwnerOnlyFolder(const QString &folder);
