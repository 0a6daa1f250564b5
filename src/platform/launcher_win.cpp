#include "platform/launcher.h"

#include <QWidget>

#include <qt_windows.h>
#include <shellapi.h>

VbBool DocumentLauncher::openDocument(const QString &document, const QString &directory,
                                      QWidget *ownerWindow) const
{
    // The shell opens it, as the program's earlier editions did; the URL opener is for desktops
    // without one.
    const QByteArray file = document.toLocal8Bit();
    const QByteArray folder = directory.toLocal8Bit();
    const HWND owner = ownerWindow ? reinterpret_cast<HWND>(ownerWindow->winId()) : nullptr;
    const HINSTANCE result = ShellExecuteA(owner, "open", file.constData(), nullptr,
                                           folder.constData(), SW_SHOWNORMAL);
    return shellExecuteSucceeded(reinterpret_cast<qintptr>(result));
}
