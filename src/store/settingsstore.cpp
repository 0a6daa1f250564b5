#include "store/settingsstore.h"

#include "platform/paths.h"
#include "store/inistore.h"
#include "store/registrystore.h"

namespace {

// Where the system keeps the accounts: the registry, where earlier editions of the program
// keep them, on Windows; INI files elsewhere.
#ifdef Q_OS_WIN
using SystemBackend = RegistryStore;
#else
using SystemBackend = IniFileStore;
#endif

} // namespace

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

SettingsStore::SettingsStore()
    : m_backend(std::make_unique<SystemBackend>())
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::location(const QString &application)
{
    return Paths::accountStore(application);
}

QString SettingsStore::read(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty())
        return QString();
    return m_backend->read(application, section, key).value_or(QString());
}

bool SettingsStore::write(const QString &application, const QString &section, const QString &key,
                          const QString &value)
{
    return commit(application, {}, { { section, key, value } }) == Commit::Written;
}

bool SettingsStore::writeSlot(const QString &application, int slot, const QString &id,
                              const QString &password)
{
    return writeSlots(application, { { slot, id, password } }, {});
}

bool SettingsStore::writeSlots(const QString &application, const QList<SlotWrite> &writes,
                               const QList<int> &removedSlots)
{
    return writeSlotsIf(application, {}, writes, removedSlots) == Commit::Written;
}

SettingsStore::Commit SettingsStore::writeSlotsIf(const QString &application, const Expectation &holds,
                                                  const QList<SlotWrite> &writes, const QList<int> &removedSlots)
{
    QList<IniDocument::Change> changes;
    for (const SlotWrite &write : writes) {
        changes.append({ kIdSection, idKey(write.slot), write.id });
        changes.append({ kPwSection, pwKey(write.slot), write.password });
    }
    for (int slot : removedSlots) {
        changes.append({ kIdSection, idKey(slot), std::nullopt });
        changes.append({ kPwSection, pwKey(slot), std::nullopt });
    }
    return commit(application, holds, changes);
}

bool SettingsStore::remove(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty() || !m_backend->read(application, section, key))
        return false;
    return commit(application, {}, { { section, key, std::nullopt } }) == Commit::Written;
}

SettingsStore::Stamp SettingsStore::stamp(const QString &application)
{
    return m_backend->stamp(application);
}

SettingsStore::Commit SettingsStore::commit(const QString &application, const Expectation &holds,
                                            const QList<IniDocument::Change> &changes)
{
    if (application.isEmpty())
        return Commit::Failed;
    return m_backend->commit(application, holds, changes);
}
