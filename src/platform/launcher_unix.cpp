#include "platform/launcher.h"

VbBool DocumentLauncher::openDocument(const QString &document, const QString &directory,
                                      QWidget *ownerWindow) const
{
    // The desktop's URL handler has no working folder and no owner window.
    Q_UNUSED(directory);
    Q_UNUSED(ownerWindow);
    return m_opener.openUrl(QUrl(document)) ? kVbTrue : kVbFalse;
}
