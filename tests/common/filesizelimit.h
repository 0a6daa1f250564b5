#pragma once

#include <QtGlobal>

#include <sys/resource.h>

#include <csignal>
#include <optional>

// What `write` returns when the file system takes no more than `bytes` of a file, as a full disk
// would: the process's file size limit is lowered for the call (the signal it raises ignored, so
// that the write fails rather than the process), then put back. Nothing when the limit cannot
// be set.
template <typename Write>
std::optional<bool> underFileSizeLimit(qint64 bytes, Write write)
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return std::nullopt;
    const struct rlimit old = limit;
    limit.rlim_cur = rlim_t(bytes);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        std::signal(SIGXFSZ, oldHandler);
        return std::nullopt;
    }
    const bool written = write();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return written;
}
