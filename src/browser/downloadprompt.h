#pragma once

class QMainWindow;
class QWebEngineDownloadRequest;

// Asks over the window where to save the download (the user's download folder and the suggested
// name to begin with) and accepts it there, or cancels it when the user does. The window's status
// bar says that it is being saved, and then whether it was.
void promptForDownload(QMainWindow *window, QWebEngineDownloadRequest *download);
