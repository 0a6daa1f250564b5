#include "store/registrystore.h"

#include "platform/winregistry.h"

#include <vector>

// QSettings' registry backend would not do: it escapes a leading '@' when writing and decodes
// "@Invalid()" and other '@' forms when reading, so a password such as "@home" would not be what
// earlier editions read, nor would theirs be read back as stored.

namespace {

WinRegistry::Store registryStore(const QString &application)
{
    return WinRegistry::Store(std::wstring(WinRegistry::kProgramSettingsKey) + L'\\'
                              + application.toStdWString());
}

} // namespace

std::optional<QString> RegistryStore::read(const QString &application, const QString &section,
                                           const QString &key)
{
    const std::optional<std::wstring> value =
            registryStore(application).read(section.toStdWString(), key.toStdWString());
    return value ? std::optional(QString::fromStdWString(*value)) : std::nullopt;
}

SettingsStore::Stamp RegistryStore::stamp(const QString &)
{
    return { {}, ++m_serial, true };
}

SettingsStore::Commit RegistryStore::commit(const QString &application, const SettingsStore::Expectation &holds,
                                            const QList<IniDocument::Change> &changes)
{
    if (holds && !holds([&](const QString &section, const QString &key) { return read(application, section, key); }))
        return SettingsStore::Commit::Refused;
    std::vector<WinRegistry::Change> registryChanges;
    registryChanges.reserve(changes.size());
    for (const IniDocument::Change &change : changes) {
        registryChanges.push_back({ change.section.toStdWString(), change.key.toStdWString(),
                                    change.value ? std::optional(change.value->toStdWString())
                                                 : std::nullopt });
    }
    return registryStore(application).commit(registryChanges) ? SettingsStore::Commit::Written
                                                               : SettingsStore::Commit::Failed;
}
