#include "platform/codepage.h"

#include <qt_windows.h>

std::optional<QString> fromJapaneseCodePage(QByteArrayView bytes)
{
    // Qt's own converters know only the Unicode encodings where it is built without ICU, as its
    // Windows builds are: the system converts the code page, whatever the user's own is.
    if (bytes.isEmpty())
        return QString();
    constexpr UINT kJapanese = 932;
    const int size = int(bytes.size());
    const int length = MultiByteToWideChar(kJapanese, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    QString text(length, Qt::Uninitialized);
    if (MultiByteToWideChar(kJapanese, MB_ERR_INVALID_CHARS, bytes.data(), size,
                            reinterpret_cast<wchar_t *>(text.data()), length)
        != length)
        return std::nullopt;
    return text;
}
