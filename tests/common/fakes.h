#pragma once

#include "app/clipboard.h"
#include "links/launcher.h"

#include <QList>
#include <QStringList>

// Records what the program put on the clipboard.
class FakeClipboard final : public Clipboard
{
public:
    bool setSecretText(const QString &text) override
    {
        texts << text;
        return accept;
    }
    QStringList texts;
    bool accept = true;
};

// Records the URLs the program handed to the desktop.
class FakeUrlOpener final : public UrlOpener
{
public:
    bool openUrl(const QUrl &url) override
    {
        urls << url.toString();
        return accept;
    }
    QStringList urls;
    bool accept = true;
};
