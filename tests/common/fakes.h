#pragma once

#include <functional>

#include "platform/launcher.h"
#include "tray/traynotifier.h"
#include "ui/common/clipboard.h"
#include "ui/common/messagebox.h"

#include <QList>
#include <QStringList>

// Records what the program put on the clipboard.
class FakeClipboard final : public Clipboard
{
public:
    bool setSecretText(const QString &text) override
    {
        texts << text;
        if (accept)
            current = text;
        return accept;
    }
    QString text() const override
    {
        ++reads;
        return current;
    }
    void clear() override { current.clear(); }
    // Every text put on it, and what it holds now.
    QStringList texts;
    QString current;
    // How often its text was looked at.
    mutable int reads = 0;
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

// Answers the program's message boxes instead of a person and records what they said.
class FakeMessageBoxes final : public MessageBoxes
{
public:
    struct Shown
    {
        QString text;
        Buttons buttons;
    };
    Answer show(QWidget *, const QString &text, Buttons buttons) override
    {
        shown.append({ text, buttons });
        if (onShow)
            onShow();
        return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
    }
    QList<Shown> shown;
    // Runs while each box is open: what happens meanwhile (the store written by hand).
    std::function<void()> onShow;
    // Answers for the next boxes, in order; OK once they run out.
    QList<Answer> answers;
};

// Records the tray's desktop notifications.
class FakeTrayNotifier final : public TrayNotifier
{
public:
    void notify(Kind, const QString &title, const QString &text) override { shown << QStringList{ title, text }; }
    QList<QStringList> shown;
};
