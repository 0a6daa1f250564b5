#pragma once

class QWebEnginePage;

// What every page of the engine refuses without asking anyone: permissions (notifications,
// location, camera, microphone, screen capture) and certificates that do not check out (the
// load fails, and a page that shows errors shows the engine's error page).
void refusePermissionsAndBadCertificates(QWebEnginePage *page);
