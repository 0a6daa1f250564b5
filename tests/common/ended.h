#pragma once

#include "web/enginechannel.h"

#include <QtTest/qtestcase.h>

#include <optional>

// How a login or logout ended, as the tests see it: none while it has not.
using Ended = std::optional<RunOutcome>;

inline const char *nameOf(const Ended &ended)
{
    if (!ended)
        return "(no answer)";
    switch (*ended) {
    case RunOutcome::Done:
        return "Done";
    case RunOutcome::Failed:
        return "Failed";
    case RunOutcome::WrongPage:
        return "WrongPage";
    case RunOutcome::Cancelled:
        return "Cancelled";
    case RunOutcome::EngineEnded:
        return "EngineEnded";
    case RunOutcome::EngineUnavailable:
        return "EngineUnavailable";
    case RunOutcome::TimedOut:
        break;
    }
    return "TimedOut";
}

inline char *toString(const Ended &ended)
{
    return qstrdup(nameOf(ended));
}
