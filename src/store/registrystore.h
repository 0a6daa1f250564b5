#pragma once

#include "store/settingsstore.h"

// The settings store in the Windows registry, where the per-user program-settings functions of
// earlier editions keep their values, so that the accounts they stored are found: plain strings,
// exactly as typed (see WinRegistry::Store). The registry takes the values of one write one
// after another, and tells nothing of changes: every stamp is new, and values are read afresh.
class RegistryStore final : public SettingsStore::Backend
{
public:
    std::optional<QString> read(const QString &application, const QString &section,
                                const QString &key) override;
    SettingsStore::Commit commit(const QString &application, const SettingsStore::Expectation &holds,
                                 const QList<IniDocument::Change> &changes) override;
    SettingsStore::Stamp stamp(const QString &application) override;

private:
    quint64 m_serial = 0;
};
