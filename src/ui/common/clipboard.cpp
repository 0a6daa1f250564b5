#include "ui/common/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

bool SystemClipboard::setSecretText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->clear();

    auto *data = new QMimeData;
    data->setText(text);
    // KDE's Klipper and other history tools on X11 and Wayland skip entries with this hint.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
#ifdef Q_OS_WIN
    // Windows clipboard history and cloud clipboard skip data offered with these formats.
    const QByteArray zero(4, '\0'); // DWORD 0
    data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\""),
                  zero);
    data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\""),
                  zero);
#endif
    clipboard->setMimeData(data);
    return clipboard->text() == text;
}
