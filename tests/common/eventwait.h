#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

// Waits until `done` holds or `timeoutMs` has passed, in an event loop that sleeps until
// something happens. QTest::qWaitFor instead sleeps 10 ms between passes, which makes every
// step of the browser engine wait for the next pass: a page load then takes a second or more
// instead of tens of milliseconds.
inline bool waitInEventLoop(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start();
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

// Starts what `start` starts, which calls the `finish` it is given when it has ended, and waits
// in an event loop that sleeps until then or until the time is up: polling would slow the
// engine's steps down and add its own CPU. Whether it finished in time.
template <typename Start>
bool runUntilFinished(Start start, int timeoutMs)
{
    QEventLoop loop;
    bool finished = false;
    start([&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!finished)
        loop.exec();
    return finished;
}
