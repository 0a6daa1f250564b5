// MinGW-w64 has this POSIX header, Visual C++ does not: the Windows build cannot include it.
#error "unistd.h is not a Windows header: include it under #ifdef Q_OS_UNIX"
