#pragma once

#include <QString>

// The system clipboard, as the program uses it: one password at a time, marked as a secret
// so that clipboard managers and history tools do not keep it.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Clears the clipboard, then puts the text on it. False when the clipboard refused.
    virtual bool setSecretText(const QString &text) = 0;
    // The text on the clipboard now.
    virtual QString text() const = 0;
    // Empties the clipboard.
    virtual void clear() = 0;
};

class SystemClipboard final : public Clipboard
{
public:
    bool setSecretText(const QString &text) override;
    QString text() const override;
    void clear() override;
};
