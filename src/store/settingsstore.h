#pragma once

#include "platform/privatefile.h"
#include "store/inidocument.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

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
// keep them, so accounts stored by earlier editions are found: plain strings, exactly as
// typed. Elsewhere each application is an INI file "<application>.conf" in the user's
// configuration folder, readable by its owner only, since it holds passwords (see IniDocument
// for how it is read and changed): a store file of the user's that others may read is closed
// to them when it is read, and a store file that belongs to another user is read but never
// written.
//
// Every write reaches the disk before it reports success. In the INI file it is one step: the
// file is written anew beside the old one and then takes its place, so an interruption leaves
// either the old or the new values, never a mixture; and it changes only the lines of the keys
// it names. (The registry takes the values of one write one after another.) A store file that
// cannot be read (a folder, a pipe, a device, a file too large to be a store, a file the user
// may not read) reads as empty and is never written over.
class SettingsStore
{
public:
    // The system's store: the registry on Windows, INI files elsewhere.
    SettingsStore();
    virtual ~SettingsStore();

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

    // A value of the application as the store holds it at one moment; none when there is none.
    using Reader = std::function<std::optional<QString>(const QString &section, const QString &key)>;
    // Whether the store, read through the reader, still holds what a write was worked out over.
    using Expectation = std::function<bool(const Reader &read)>;
    enum class Commit { Written, Refused, Failed };
    // writeSlots() over what the store holds at the moment of writing: the values are read again
    // then, and the write is made only when `holds` says they are still those it expects
    // (Refused otherwise, with nothing written).
    Commit writeSlotsIf(const QString &application, const Expectation &holds, const QList<SlotWrite> &writes,
                        const QList<int> &removedSlots);

    // Removes one value; fails when there is no such value.
    bool remove(const QString &application, const QString &section, const QString &key);

    // What an application's store held at one moment: two equal stamps mean that it has not
    // changed in between. A file's stamp is its identity; the registry gives no sign of its
    // changes, so there every stamp is new (a serial number).
    struct Stamp
    {
        PrivateFile::Identity file;
        quint64 serial = 0;
        // False for a store that cannot be read now (which reads as empty).
        bool readable = true;
        bool operator==(const Stamp &) const = default;
    };
    // The stamp of what the next reads of the application's values will return. (Virtual so
    // that a test can give the file store the registry's behaviour.)
    virtual Stamp stamp(const QString &application);

    // The largest store file that is read: a hundred accounts take a few kilobytes.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // Where the values are kept, for one kind of store.
    class Backend
    {
    public:
        virtual ~Backend() = default;
        // The value, or none when there is none (or the store cannot be read).
        virtual std::optional<QString> read(const QString &application, const QString &section,
                                            const QString &key) = 0;
        // Makes the changes, all or none, when the values as they are now meet `holds` (always,
        // without one).
        virtual Commit commit(const QString &application, const Expectation &holds,
                              const QList<IniDocument::Change> &changes) = 0;
        virtual Stamp stamp(const QString &application) = 0;
    };

private:
    Commit commit(const QString &application, const Expectation &holds, const QList<IniDocument::Change> &changes);

    std::unique_ptr<Backend> m_backend;
};
