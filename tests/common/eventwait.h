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
