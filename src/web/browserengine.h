#pragma once

#include "web/enginechannel.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <vector>

// The browser engine behind the hidden host: two silent pages on one persistent profile. The
// program's own engine runs in a helper process; tests put a fake in its place.
class BrowserEngine : public QObject
{
public:
    using Done = std::function<void(RunOutcome outcome)>;

    using QObject::QObject;

    // Runs the steps on one page within the budget; `done` receives the outcome exactly once.
    // The host asks for one run at a time.
    virtual void run(EnginePage page, std::vector<PageStep> steps,
                     std::chrono::milliseconds budget, Done done) = 0;
};
