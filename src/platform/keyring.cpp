#include "platform/keyring.h"

#include "platform/versioninfo.h"

#include <keychain.h>

#include <QObject>

namespace {

const QString kService = QStringLiteral("yorumi-livedoor");

// QtKeychain's answers, as the Secret Service and the Credential Manager give them: a keyring
// that is not there, or that cannot be reached, comes as OtherError (with the system's message);
// a locked one refuses writes (AccessDenied) once its unlock prompt was dismissed, and reads
// as holding nothing.
Keyring::Failure failureOf(const QKeychain::Job &job)
{
    switch (job.error()) {
    case QKeychain::NoError:
        return Keyring::Failure::None;
    case QKeychain::EntryNotFound:
        return Keyring::Failure::NotFound;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
    case QKeychain::OtherError:
        return Keyring::Failure::Unavailable;
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        return Keyring::Failure::Locked;
    case QKeychain::CouldNotDeleteEntry:
        break;
    }
    return Keyring::Failure::Refused;
}

// Starts a call of the given kind for the key; `finished` gets the job once it has answered.
template <typename JobType, typename Finished>
void start(QObject *parent, const QString &key, Finished finished,
           const std::function<void(JobType &)> &prepare = {})
{
    auto *job = new JobType(kService, parent);
    job->setAutoDelete(true);
    job->setKey(systemKey(key));
    if (prepare)
        prepare(*job);
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [job, finished = std::move(finished)] { finished(*job); });
    job->start();
}

} // namespace

QString caseBlindKey(const QString &key)
{
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return key;
    QString blind = key.left(slash + 1);
    for (const QChar c : QStringView(key).mid(slash + 1)) {
        const bool plain = c.unicode() < 0x80 && !c.isUpper() && c != QLatin1Char('%');
        if (plain)
            blind += c;
        else
            blind += QStringLiteral("%%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return blind;
}

QString itemLabel(const QString &key)
{
    const QString program = QString::fromUtf8(VersionInfo::legalTrademarks);
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    return slash < 0 ? program : program + QStringLiteral(": ") + key.mid(slash + 1);
}

SystemKeyring::SystemKeyring()
    : m_calls(std::make_unique<QObject>())
{
}

SystemKeyring::~SystemKeyring() = default;

void SystemKeyring::read(const QString &key, ReadDone done)
{
    start<QKeychain::ReadPasswordJob>(m_calls.get(), key,
                                      [done = std::move(done)](QKeychain::Job &job) {
                                          auto &read = static_cast<QKeychain::ReadPasswordJob &>(job);
                                          const Failure failure = failureOf(read);
                                          done(failure, failure == Failure::None ? read.textData() : QString());
                                      });
}

void SystemKeyring::write(const QString &key, const QString &value, Done done)
{
    start<QKeychain::WritePasswordJob>(
            m_calls.get(), key,
            [calls = m_calls.get(), key, done = std::move(done)](QKeychain::Job &job) {
                const Failure failure = failureOf(job);
                if (failure == Failure::None)
                    labelSystemItem(calls, kService, key);
                done(failure);
            },
            [&value](QKeychain::WritePasswordJob &job) { job.setTextData(value); });
}

void SystemKeyring::remove(const QString &key, Done done)
{
    start<QKeychain::DeletePasswordJob>(m_calls.get(), key, [done = std::move(done)](QKeychain::Job &job) {
        const Failure failure = failureOf(job);
        done(failure == Failure::NotFound ? Failure::None : failure);
    });
}
