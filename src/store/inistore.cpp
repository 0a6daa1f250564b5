#include "store/inistore.h"

#include "platform/ownerfolder.h"

#include <QFileInfo>

using PrivateFile::Found;

const IniFileStore::FileState &IniFileStore::file(const QString &application)
{
    const QString path = SettingsStore::location(application);
    PrivateFile::Identity now;
    const Found found = PrivateFile::examine(path, SettingsStore::kMaxFileSize, now);
    const auto cached = m_files.find(application);
    if (cached != m_files.end() && cached->second.identity == now)
        return cached->second;

    FileState state;
    QByteArray contents;
    if (found == Found::Readable) {
        state.readable = PrivateFile::read(path, SettingsStore::kMaxFileSize, state.identity, contents)
                != Found::Unreadable;
    } else {
        state.identity = now;
        state.readable = found == Found::Absent;
    }
    state.document = IniDocument(contents);
    return m_files[application] = std::move(state);
}

std::optional<QString> IniFileStore::read(const QString &application, const QString &section,
                                          const QString &key)
{
    return file(application).document.value(section, key);
}

SettingsStore::Stamp IniFileStore::stamp(const QString &application)
{
    const FileState &state = file(application);
    return { state.identity, 0, state.readable };
}

SettingsStore::Commit IniFileStore::commit(const QString &application, const SettingsStore::Expectation &holds,
                                           const QList<IniDocument::Change> &changes)
{
    using Commit = SettingsStore::Commit;
    const QString path = SettingsStore::location(application);
    // Whatever happens next, the file is read afresh the next time.
    m_files.erase(application);
    if (!makeOwnerOnlyFolder(QFileInfo(path).absolutePath()))
        return Commit::Failed;

    // Start from what the disk holds now, never from an older reading.
    PrivateFile::Identity identity;
    QByteArray contents;
    const Found found = PrivateFile::read(path, SettingsStore::kMaxFileSize, identity, contents);
    // Another user's store is theirs to change.
    if (found == Found::Unreadable || (found == Found::Readable && !PrivateFile::ownedByUser(identity)))
        return Commit::Failed;
    const IniDocument document(contents);
    if (holds && !holds([&](const QString &section, const QString &key) { return document.value(section, key); }))
        return Commit::Refused;
    const QByteArray changed = document.changed(changes);
    if (changed == contents && (found == Found::Readable || changed.isEmpty()))
        return Commit::Written; // nothing to change, such as removing keys that are already gone
    return PrivateFile::replace(path, changed) ? Commit::Written : Commit::Failed;
}
