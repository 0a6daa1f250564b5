#include "store/settingsstore.h"

#include "app/ownerfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <vector>

QString SettingsAppName(qint16 editionCode)
{
    switch (editionCode) {
    case 0:
        return QStringLiteral("YRMYH");
    case 1:
        return QStringLiteral("YRMRT");
    case 2:
        return QStringLiteral("YRMBD");
    case 3:
    case 9:
        return QStringLiteral("YRMLD");
    default:
        return QString();
    }
}

namespace {

QString settingsKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

#ifndef Q_OS_WIN
constexpr QFileDevice::Permissions kOwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The store file holds passwords in plain text: nobody but its owner may read it.
bool makeOwnerOnlyFile(const QString &path)
{
    QFile file(path);
    if (!file.exists()) {
        return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnlyFile);
    }
    constexpr QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
            | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
            | QFileDevice::ExeOther;
    if (!(file.permissions() & others))
        return true;
    return file.setPermissions(kOwnerOnlyFile);
}
#endif

} // namespace

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

QString SettingsStore::location(const QString &application)
{
#ifdef Q_OS_WIN
    // Where the per-user program-settings functions of earlier editions keep their values.
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + application;
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QLatin1Char('/') + application + QStringLiteral(".conf");
#endif
}

QSettings &SettingsStore::settings(const QString &application)
{
    auto &entry = m_settings[application];
    if (!entry) {
#ifdef Q_OS_WIN
        entry = std::make_unique<QSettings>(location(application), QSettings::NativeFormat);
#else
        entry = std::make_unique<QSettings>(location(application), QSettings::IniFormat);
#endif
    }
    return *entry;
}

QString SettingsStore::read(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty())
        return QString();
    const QVariant value = settings(application).value(settingsKey(section, key));
    // A hand-written value with unquoted commas reads back as a list; it is still one text.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool SettingsStore::write(const QString &application, const QString &section, const QString &key,
                          const QString &value)
{
    return commit(application, { { settingsKey(section, key), value } });
}

bool SettingsStore::writeSlot(const QString &application, int slot, const QString &id,
                              const QString &password)
{
    return commit(application, { { settingsKey(kIdSection, idKey(slot)), id },
                                 { settingsKey(kPwSection, pwKey(slot)), password } });
}

bool SettingsStore::writeSlots(const QString &application, const QList<SlotWrite> &writes,
                               const QList<int> &removedSlots)
{
    QList<Change> changes;
    for (const SlotWrite &write : writes) {
        changes.append({ settingsKey(kIdSection, idKey(write.slot)), write.id });
        changes.append({ settingsKey(kPwSection, pwKey(write.slot)), write.password });
    }
    for (int slot : removedSlots) {
        changes.append({ settingsKey(kIdSection, idKey(slot)), std::nullopt });
        changes.append({ settingsKey(kPwSection, pwKey(slot)), std::nullopt });
    }
    return commit(application, changes);
}

bool SettingsStore::remove(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty() || !settings(application).contains(settingsKey(section, key)))
        return false;
    return commit(application, { { settingsKey(section, key), std::nullopt } });
}

void SettingsStore::prepareForWrite(const QString &application)
{
#ifndef Q_OS_WIN
    const QString path = location(application);
    if (makeOwnerOnlyFolder(QFileInfo(path).absolutePath()))
        makeOwnerOnlyFile(path);
#else
    Q_UNUSED(application);
#endif
}

bool SettingsStore::commit(const QString &application, const QList<Change> &changes)
{
    if (application.isEmpty())
        return false;
    prepareForWrite(application);

    QSettings &store = settings(application);
    std::vector<std::optional<QVariant>> previous;
    previous.reserve(changes.size());
    for (const Change &change : changes) {
        previous.push_back(store.contains(change.key) ? std::optional(store.value(change.key))
                                                      : std::nullopt);
        if (change.value)
            store.setValue(change.key, *change.value);
        else
            store.remove(change.key);
    }
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;

    // The disk did not take the change: put the old values back so that nothing reads a
    // value the disk does not hold, and read the file afresh next time.
    auto old = previous.cbegin();
    for (const Change &change : changes) {
        if (*old)
            store.setValue(change.key, **old);
        else
            store.remove(change.key);
        ++old;
    }
    m_settings.erase(application);
    return false;
}
