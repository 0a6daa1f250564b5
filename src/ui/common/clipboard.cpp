#include "ui/common/clipboard.h"

#include "platform/secretmime.h"

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
    markAsSecret(*data);
    clipboard->setMimeData(data);
    return clipboard->text() == text;
}

QString SystemClipboard::text() const
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

void SystemClipboard::clear()
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->clear();
}
