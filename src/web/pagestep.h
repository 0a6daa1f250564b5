#pragma once

#include <QString>
#include <QUrl>

// One step of a login or logout run on a hidden page.
struct PageStep
{
    enum Kind {
        Navigate, // start loading `url`
        WaitIdle, // until the page has settled; a failed load fails the run
        Retry,    // run `script` until it returns true
        Once,     // run `script` once; anything but a boolean fails the run
        SendForm, // like Retry, and the page then loads the form's answer
        FailIf,   // run `script` once; true (or no answer) fails the run
    };
    Kind kind;
    QUrl url;
    QString script;
    // A script step acts only on a page at this place: the same origin (scheme, host and port)
    // and a path under this one's. Anywhere else the run ends as WrongPage and the script does
    // nothing. Empty: anywhere.
    QUrl onlyOn = {};
};
