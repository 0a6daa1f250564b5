#pragma once

#include "platform/vbbool.h"

#include <QString>
#include <QUrl>

class QWidget;

// Hands a URL to the desktop, which opens it in the user's default browser.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl &url) = 0;
};

class DesktopUrlOpener final : public UrlOpener
{
public:
    bool openUrl(const QUrl &url) override;
};

// The shell accepted the document when its result is greater than 32.
constexpr VbBool shellExecuteSucceeded(qintptr result)
{
    return result > 32 ? kVbTrue : kVbFalse;
}

// Opens documents (every caller passes a full http URL) in the application the desktop
// associates with them.
class DocumentLauncher
{
public:
    // `opener` hands the documents to the desktop where there is no shell to do it.
    explicit DocumentLauncher(UrlOpener &opener);

    // True (-1) when the desktop accepted the document; a failure shows nothing.
    VbBool openDocument(const QString &document, const QString &directory, QWidget *ownerWindow) const;

private:
    UrlOpener &m_opener;
};
