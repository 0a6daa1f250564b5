#include "platform/childprocess.h"

#include <QProcess>

#include <unistd.h>
#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

void endWithThisProcess(QProcess &child)
{
#ifdef Q_OS_LINUX
    child.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#else
    Q_UNUSED(child);
#endif
}
