#pragma once

#include "store/settingsstore.h"

#include <map>

// The settings store as INI files: each application is a file "<application>.conf" in the
// user's configuration folder, readable by its owner only, since it holds passwords (see
// IniDocument for how it is read and changed). A store file of the user's that others may read
// is closed to them when it is read, and a store file that belongs to another user is read but
// never written. A write is one step: the file is written anew beside the old one and then
// takes its place, so an interruption leaves either the old or the new values, never a mixture;
// and it changes only the lines of the keys it names. A store file that cannot be read (a
// folder, a pipe, a device, a file too large to be a store, a file the user may not read) reads
// as empty and is never written over.
class IniFileStore final : public SettingsStore::Backend
{
public:
    std::optional<QString> read(const QString &application, const QString &section,
                                const QString &key) override;
    SettingsStore::Commit commit(const QString &application, const SettingsStore::Expectation &holds,
                                 const QList<IniDocument::Change> &changes) override;
    SettingsStore::Stamp stamp(const QString &application) override;

private:
    // What a store file held when it was last read, and which file that was.
    struct FileState
    {
        PrivateFile::Identity identity;
        bool readable = true;
        IniDocument document;
    };
    // The application's file as it is on disk now, read again only when it has changed.
    const FileState &file(const QString &application);

    std::map<QString, FileState> m_files;
};
