#pragma once

#include "platform/keyring.h"

#include <QDir>
#include <QHash>
#include <QObject>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>

// A keyring for tests: it answers every call from the event loop, as the desktop's does, after
// `delay`. Its values are kept in memory, or, given a folder, one file per key there, each
// written in one step: a keyring that outlives a program killed while it talks to it.
class FakeKeyring final : public Keyring
{
public:
    explicit FakeKeyring(const QString &folder = QString())
        : m_folder(folder)
        , m_context(std::make_unique<QObject>())
    {
        if (!m_folder.isEmpty())
            QDir().mkpath(m_folder);
    }

    void read(const QString &key, ReadDone done) override
    {
        answer([this, key, done] {
            const Failure failure = nextFailure();
            if (failure != Failure::None)
                return done(failure, QString());
            const std::optional<QString> value = locked ? std::nullopt : valueOf(key);
            done(value ? Failure::None : Failure::NotFound, value.value_or(QString()));
        });
    }
    void write(const QString &key, const QString &value, Done done) override
    {
        ++writes;
        answer([this, key, value, done] {
            const Failure failure = locked ? Failure::Locked : nextFailure();
            if (failure == Failure::None)
                store(key, value);
            done(failure);
        });
    }
    void remove(const QString &key, Done done) override
    {
        answer([this, key, done] {
            const Failure failure = nextFailure();
            if (failure == Failure::None && !locked)
                store(key, std::nullopt);
            done(failure);
        });
    }

    // What the keyring holds.
    std::optional<QString> valueOf(const QString &key) const
    {
        if (m_folder.isEmpty())
            return m_values.contains(key) ? std::optional(m_values.value(key)) : std::nullopt;
        QFile file(fileOf(key));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QString::fromUtf8(file.readAll());
    }
    // The items held. A program killed as it wrote one leaves the writer's temporary file beside
    // them (the items' files are named by their keys in hex), which a keyring would not show.
    int size() const
    {
        if (m_folder.isEmpty())
            return int(m_values.size());
        const QStringList names = QDir(m_folder).entryList(QDir::Files);
        return int(std::count_if(names.cbegin(), names.cend(), [](const QString &name) {
            return std::all_of(name.cbegin(), name.cend(), [](QChar c) { return isxdigit(c.unicode()) != 0; });
        }));
    }
    void store(const QString &key, const std::optional<QString> &value)
    {
        if (m_folder.isEmpty()) {
            if (value)
                m_values.insert(key, *value);
            else
                m_values.remove(key);
            return;
        }
        if (!value) {
            QFile::remove(fileOf(key));
            return;
        }
        QSaveFile file(fileOf(key));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(value->toUtf8());
            file.commit();
        }
    }

    // Locked as the Secret Service is once its unlock prompt was dismissed: reads find nothing,
    // writes fail, removals succeed and remove nothing.
    bool locked = false;
    // From the call after `succeeding` more calls on, every call fails with `failure`.
    Failure failure = Failure::None;
    int succeeding = 0;
    std::chrono::milliseconds delay{ 0 };
    int calls = 0;
    int writes = 0;
    // Runs as each call is made, before it is answered: what the user does while the desktop's
    // keyring holds its answer (its unlock prompt waiting).
    std::function<void()> onCall;

private:
    void answer(std::function<void()> call)
    {
        ++calls;
        if (onCall)
            onCall();
        QTimer::singleShot(delay, m_context.get(), std::move(call));
    }
    Failure nextFailure()
    {
        if (failure == Failure::None)
            return Failure::None;
        return succeeding-- > 0 ? Failure::None : failure;
    }
    QString fileOf(const QString &key) const
    {
        return m_folder + QLatin1Char('/') + QString::fromLatin1(key.toUtf8().toHex());
    }

    QString m_folder;
    QHash<QString, QString> m_values;
    std::unique_ptr<QObject> m_context;
};
