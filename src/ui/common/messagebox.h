#pragma once

#include <QString>

class QWidget;

// Plain modal message boxes: no icon, captioned with the application title.
class MessageBoxes
{
public:
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    virtual ~MessageBoxes() = default;
    virtual Answer show(QWidget *parent, const QString &text, Buttons buttons) = 0;
};

class SystemMessageBoxes final : public MessageBoxes
{
public:
    Answer show(QWidget *parent, const QString &text, Buttons buttons) override;
};

// The caption of every message box.
inline const QString kApplicationTitle = QStringLiteral("Yorumi@Livedoor");
