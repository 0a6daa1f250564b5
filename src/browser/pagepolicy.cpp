#include "browser/pagepolicy.h"

#include <QWebEngineCertificateError>
#include <QWebEnginePage>

void refusePermissionsAndBadCertificates(QWebEnginePage *page)
{
    QObject::connect(page, &QWebEnginePage::featurePermissionRequested, page,
                     [page](const QUrl &origin, QWebEnginePage::Feature feature) {
                         page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                     });
    QObject::connect(page, &QWebEnginePage::certificateError, page,
                     [](const QWebEngineCertificateError &error) {
                         // Never an exception for a certificate that does not check out.
                         QWebEngineCertificateError(error).rejectCertificate();
                     });
}
