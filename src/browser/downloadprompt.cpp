#include "browser/downloadprompt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QPointer>
#include <QStandardPaths>
#include <QStatusBar>
#include <QWebEngineDownloadRequest>

void promptForDownload(QMainWindow *window, QWebEngineDownloadRequest *download)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QPointer<QWebEngineDownloadRequest> request(download);
    const QString path = QFileDialog::getSaveFileName(window, QStringLiteral("名前を付けて保存"),
                                                      QDir(folder).filePath(download->suggestedFileName()));
    // The dialog ran the event loop: the download may have gone meanwhile.
    if (!request)
        return;
    if (path.isEmpty()) {
        request->cancel();
        return;
    }
    const QFileInfo file(path);
    request->setDownloadDirectory(file.absolutePath());
    request->setDownloadFileName(file.fileName());
    QStatusBar *status = window->statusBar();
    QObject::connect(request, &QWebEngineDownloadRequest::isFinishedChanged, window, [status, request] {
        if (!request)
            return;
        const QString name = request->downloadFileName();
        status->showMessage(request->state() == QWebEngineDownloadRequest::DownloadCompleted
                                    ? QStringLiteral("保存しました: %1").arg(name)
                                    : QStringLiteral("保存できませんでした: %1").arg(name));
    });
    request->accept();
    status->showMessage(QStringLiteral("保存しています: %1").arg(file.fileName()));
}
