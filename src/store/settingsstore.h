#pragma once

#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <optional>

class QSettings;

// Settings application name of an edition: the top level under which its accounts are stored.
QString SettingsAppName(qint16 editionCode);

// Section and key names of account slot n.
inline const QString kIdSection = QStringLiteral("ID");
inline const QString kPwSection = QStringLiteral("PW");
inline QString idKey(int slot) { return QStringLiteral("ID%1").arg(slot); }
inline QString pwKey(int slot) { return QStringLiteral("PW%1").arg(slot); }

// The per-user settings store: string values by application, section and key.
//
// On Windows the values live in the registry where the per-user program-settings functions
// keep them, so accounts stored by earlier editions are found. Elsewhere each application is
// an INI file "<application>.conf" in the user's configuration folder, readable by its owner
// only, since it holds passwords.
//
// Every write reaches the disk before it reports success; a write that fails leaves the
// store's view of the values as the disk has them.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();

    // Where an application's values are kept: a file path, or a registry path on Windows.
    static QString location(const QString &application);

    // The stored value, or the empty string when there is none.
    QString read(const QString &application, const QString &section, const QString &key);

    // Stores one value, creating the application and section as needed.
    bool write(const QString &application, const QString &section, const QString &key,
               const QString &value);

    // Stores slot n's ID and password as one step: both reach the store or neither does.
    bool writeSlot(const QString &application, int slot, const QString &id,
                   const QString &password);

    // One account slot's new ID and password.
    struct SlotWrite
    {
        int slot;
        QString id;
        QString password;
    };
    // Stores several slots and removes the keys of others as one step: every change reaches
    // the store or none does. A removed slot whose keys are already absent is no failure.
    bool writeSlots(const QString &application, const QList<SlotWrite> &writes,
                    const QList<int> &removedSlots);

    // Removes one value; fails when there is no such value.
    bool remove(const QString &application, const QString &section, const QString &key);

private:
    struct Change
    {
        QString key;                  // "section/key"
        std::optional<QString> value; // none: remove the key
    };
    bool commit(const QString &application, const QList<Change> &changes);
    QSettings &settings(const QString &application);
    void prepareForWrite(const QString &application);

    std::map<QString, std::unique_ptr<QSettings>> m_settings;
};
