#include "platform/processsetup.h"

#include <QtGlobal>

// Windows keeps no core files of its own accord, and has no runtime folder to make.

bool disableCoreDumps()
{
    return true;
}

QString ensureRuntimeFolder()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}
