#include "platform/keyring.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMap>

#include <functional>

// The Secret Service tells keys apart by every character: a key is given as it is.
QString systemKey(const QString &key)
{
    return key;
}

namespace {

const QString kSecretsBus = QStringLiteral("org.freedesktop.secrets");
const QString kSecretsPath = QStringLiteral("/org/freedesktop/secrets");
const QString kSecretsService = QStringLiteral("org.freedesktop.Secret.Service");
const QString kSecretsItem = QStringLiteral("org.freedesktop.Secret.Item");

// Sends the call to the Secret Service without waiting for it; `answered` gets the reply
// unless it was an error or `calls` went first.
void callSecrets(QObject *calls, const QDBusMessage &call, std::function<void(const QDBusMessage &)> answered)
{
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), calls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [answered = std::move(answered)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         if (!finished->isError() && answered)
                             answered(finished->reply());
                     });
}

} // namespace

// QtKeychain names every item it writes after the service, and offers no other name. The item
// is found the way QtKeychain finds it, by its attributes "server" (the service) and "user"
// (the key), and its Label set over the Secret Service's D-Bus interface; a locked item, or
// one gone in the meantime, keeps its name.
void labelSystemItem(QObject *calls, const QString &service, const QString &key)
{
    using Attributes = QMap<QString, QString>;
    static const bool registered = (qDBusRegisterMetaType<Attributes>(), true);
    Q_UNUSED(registered);
    QDBusMessage search = QDBusMessage::createMethodCall(kSecretsBus, kSecretsPath, kSecretsService,
                                                         QStringLiteral("SearchItems"));
    const Attributes attributes{ { QStringLiteral("server"), service }, { QStringLiteral("user"), systemKey(key) } };
    search << QVariant::fromValue(attributes);
    callSecrets(calls, search, [calls, label = itemLabel(key)](const QDBusMessage &reply) {
        const QDBusPendingReply<QList<QDBusObjectPath>, QList<QDBusObjectPath>> found(reply);
        if (found.isError())
            return;
        for (const QDBusObjectPath &item : found.argumentAt<0>()) {
            QDBusMessage set = QDBusMessage::createMethodCall(kSecretsBus, item.path(),
                                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                                              QStringLiteral("Set"));
            set << kSecretsItem << QStringLiteral("Label") << QVariant::fromValue(QDBusVariant(label));
            callSecrets(calls, set, {});
        }
    });
}
