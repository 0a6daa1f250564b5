#pragma once

#include "web/pagestep.h"

#include <QObject>
#include <QString>
#include <QtPlugin>

#include <chrono>
#include <functional>
#include <vector>

// The browser engine behind the hidden host: two silent pages on one persistent profile.
// It lives in a plugin that is loaded on the first login or logout, so that a program idling
// in the tray does not carry the engine.
class BrowserEngine : public QObject
{
public:
    enum class Page { LogIn, LogOut };
    using Done = std::function<void(const QString &statusText)>;

    using QObject::QObject;

    // Runs the steps on one page within the budget; `done` receives `doneText`, `failedText`
    // or the time-out text, exactly once.
    virtual void run(Page page, std::vector<PageStep> steps, const QString &doneText,
                     const QString &failedText, std::chrono::milliseconds budget, Done done) = 0;

    // Whether the page is still loading something.
    virtual bool isBusy(Page page) const = 0;
};

class BrowserEngineFactory
{
public:
    virtual ~BrowserEngineFactory() = default;
    // An engine whose profile keeps its cookies in `storagePath`.
    virtual BrowserEngine *create(const QString &storagePath, const QString &cachePath,
                                  QObject *parent) = 0;
};

#define BrowserEngineFactory_iid "com.yorumi.livedoor.BrowserEngineFactory/1"
Q_DECLARE_INTERFACE(BrowserEngineFactory, BrowserEngineFactory_iid)
