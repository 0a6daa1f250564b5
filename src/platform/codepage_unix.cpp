#include "platform/codepage.h"

#include <QStringDecoder>

std::optional<QString> fromJapaneseCodePage(QByteArrayView bytes)
{
    // Qt reaches the code page through ICU, under the name Windows registers for it.
    // Stateless: a character cut short at the end is an error, not one waiting for more bytes.
    QStringDecoder decoder("windows-31j", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
