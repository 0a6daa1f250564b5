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
};

class SystemClipboard final : public Clipboard
{
public:
    bool setSecretText(const QString &text) override;
};
