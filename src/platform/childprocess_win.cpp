#include "platform/childprocess.h"

#include <QProcess>

// The engine's sandbox works for an administrator on Windows, and a child there has no way to
// follow its parent's end: the helper ends when its channel does.

bool runsAsRoot()
{
    return false;
}

void endWithThisProcess(QProcess &child)
{
    Q_UNUSED(child);
}
