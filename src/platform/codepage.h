#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Text in the Japanese ANSI code page of Windows (code page 932, Shift_JIS with Microsoft's
// additions), which Windows programs of a Japanese system write their plain text files in.
// None when the bytes are not such text.
std::optional<QString> fromJapaneseCodePage(QByteArrayView bytes);
