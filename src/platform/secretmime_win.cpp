#include "platform/secretmime.h"

#include <QMimeData>

void markAsSecret(QMimeData &data)
{
    // The hint of history tools elsewhere, for programs that look for it here too.
    data.setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    // Windows clipboard history and cloud clipboard skip data offered with these formats.
    const QByteArray zero(4, '\0'); // DWORD 0
    data.setData(QStringLiteral("application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\""),
                 zero);
    data.setData(QStringLiteral("application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\""), zero);
}
