#include "platform/launcher.h"

#include <QDesktopServices>

bool DesktopUrlOpener::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

DocumentLauncher::DocumentLauncher(UrlOpener &opener)
    : m_opener(opener)
{
}
