#include "platform/launcher.h"

#include <QDesktopServices>
#include <QWidget>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

bool DesktopUrlOpener::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

DocumentLauncher::DocumentLauncher(UrlOpener &opener)
    : m_opener(opener)
{
}

VbBool DocumentLauncher::openDocument(const QString &document, const QString &directory,
                                      QWidget *ownerWindow) const
{
#ifdef Q_OS_WIN
    const QByteArray file = document.toLocal8Bit();
    const QByteArray folder = directory.toLocal8Bit();
    const HWND owner = ownerWindow ? reinterpret_cast<HWND>(ownerWindow->winId()) : nullptr;
    const HINSTANCE result = ShellExecuteA(owner, "open", file.constData(), nullptr,
                                           folder.constData(), SW_SHOWNORMAL);
    return shellExecuteSucceeded(reinterpret_cast<qintptr>(result));
#else
    // The desktop's URL handler has no working folder and no owner window.
    Q_UNUSED(directory);
    Q_UNUSED(ownerWindow);
    return m_opener.openUrl(QUrl(document)) ? kVbTrue : kVbFalse;
#endif
}
