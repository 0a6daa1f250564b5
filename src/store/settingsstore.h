#pragma once

#include "store/inidocument.h"

#include <QList>
#include <QString>

#include <map>
#include <memory>

// Settings application name of an edition: the top level under which its accounts are stored.
QString SettingsAppName(qint16 editionCode);

// Section and key names of account slot n.
inline const QString kIdSection = QStringLiteral("ID");
inline const QString kPwSection = QStringLiteral("PW");
inline QString idKey(int slot) { return QStringLiteral("ID%1").arg(slot); }
inline QString pwKey(int slot) { return QStringLiteral("PW%1").arg(slot); }

#ifndef Q_OS_WIN
// Which file a path named when it was looked at, and its size and times then: a file that is
// replaced or written to gets another identity.
struct StoreFileIdentity
{
    bool exists = false;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    qint64 owner = -1;
    quint32 mode = 0;
    bool operator==(const StoreFileIdentity &) const = default;
};
#endif

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

    // Removes one value; fails when there is no such value.
    bool remove(const QString &application, const QString &section, const QString &key);

    // What an application's store held at one moment: two equal stamps mean that it has not
    // changed in between. (The registry gives no such sign: there no two stamps are equal.)
    struct Stamp
    {
#ifdef Q_OS_WIN
        quint64 serial = 0;
#else
        StoreFileIdentity file;
#endif
        // False for a store that cannot be read now (which reads as empty).
        bool readable = true;
        bool operator==(const Stamp &) const = default;
    };
    // The stamp of what the next reads of the application's values will return. (Virtual so
    // that a test can give the file store the registry's behaviour.)
    virtual Stamp stamp(const QString &application);

#ifndef Q_OS_WIN
    // The largest store file that is read: a hundred accounts take a few kilobytes.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
#endif

private:
    using Change = IniDocument::Change;
    bool commit(const QString &application, const QList<Change> &changes);

#ifndef Q_OS_WIN
    // What a store file held when it was last read, and which file that was.
    struct FileState
    {
        StoreFileIdentity identity;
        bool readable = true;
        IniDocument document;
    };
    // The application's file as it is on disk now, read again only when it has changed.
    const FileState &file(const QString &application);
    std::map<QString, FileState> m_files;
#endif
};
