#include "web/helperprocess.h"

#include "platform/childprocess.h"
#include "platform/ownerfolder.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kHelperName = QStringLiteral("yorumi-browser");

} // namespace

HelperProcess::HelperProcess(QObject *parent)
    : QObject(parent)
{
}

HelperProcess::~HelperProcess()
{
    if (!m_process || m_retired)
        return;
    disconnect(m_process, nullptr, this, nullptr);
    m_process->closeWriteChannel();
    if (!m_process->waitForFinished(int(kEndWait.count())))
        m_process->kill();
    m_process->waitForFinished(int(kEndWait.count()));
}

QString HelperProcess::installed()
{
    return QStandardPaths::findExecutable(kHelperName, Paths::helperFolders());
}

bool HelperProcess::start(const Options &options, QString &why)
{
    if (options.program.isEmpty()) {
        const QStringList folders = Paths::helperFolders();
        why = QStringLiteral("%1 was found neither beside the program (%2) nor in %3")
                      .arg(kHelperName, folders.value(0), folders.value(1));
        return false;
    }
    const QString storage = options.profile;
    const QString cache = options.cache;
    // The profile holds the portal's login cookies: its folders are the user's alone.
    for (const QString &folder : { storage, cache }) {
        if (!makeOwnerOnlyFolder(folder)) {
            why = QStringLiteral("its profile folder %1 cannot be made").arg(folder);
            return false;
        }
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The engine refuses to start its sandbox as root.
    if (runsAsRoot())
        environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    // The graphics driver keeps a cache of its own, shared by every program of the user; the
    // engine's goes with the rest of the engine's files, unless the user chose a place.
    if (!environment.contains(QStringLiteral("MESA_SHADER_CACHE_DIR")))
        environment.insert(QStringLiteral("MESA_SHADER_CACHE_DIR"), cache);

    m_process = new QProcess(this);
    m_process->setProgram(options.program);
    // The helper goes by the program's name: what the engine keeps besides the profile lands in
    // the program's data folder too.
    m_process->setArguments(QStringList{ QStringLiteral("--name"), QCoreApplication::applicationName(),
                                         QStringLiteral("--storage"), storage, QStringLiteral("--cache"),
                                         cache, QStringLiteral("--tabs"), options.tabs,
                                         QStringLiteral("--idle-end-ms"),
                                         QString::number(options.idleEnd.count()) }
                            + options.arguments);
    m_process->setProcessEnvironment(environment);
    // What the helper says on its error output is the program's to say.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Should the program die without closing the helper's input, the helper ends with it.
    endWithThisProcess(*m_process);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &HelperProcess::read);
    connect(m_process, &QProcess::finished, this, &HelperProcess::onEnded);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onEnded();
    });
    m_process->start();
    return true;
}

void HelperProcess::send(const EngineChannel::ToHelper &message)
{
    if (m_process && !m_retired)
        m_process->write(EngineChannel::frame(EngineChannel::encode(message)));
}

qint64 HelperProcess::processId() const
{
    return m_process && !m_retired ? m_process->processId() : 0;
}

void HelperProcess::read()
{
    m_reader.append(m_process->readAllStandardOutput());
    // A message may lead its listener to let this helper go: what follows is not heard then.
    while (!m_retired) {
        const std::optional<QJsonObject> next = m_reader.next();
        if (!next)
            break;
        const std::optional<EngineChannel::FromHelper> said = EngineChannel::parseFromHelper(*next);
        if (!said)
            continue;
        if (const auto *hello = std::get_if<EngineChannel::Ready>(&*said)) {
            // A helper installed by an update while the program ran speaks another version: it
            // is ended as one that could not start.
            if (hello->version != EngineChannel::kVersion) {
                m_otherVersion = hello->version;
                m_process->kill();
                return;
            }
            m_ready = true;
            emit ready();
        } else if (std::holds_alternative<EngineChannel::Bye>(*said)) {
            m_saidBye = true;
        } else {
            emit message(*said);
        }
    }
    // A helper that talks nonsense is treated as one that crashed.
    if (!m_retired && m_reader.broken())
        m_process->kill();
}

void HelperProcess::onEnded()
{
    if (m_retired)
        return;
    const QString failure = m_otherVersion
            ? QStringLiteral("%1 speaks version %2 of the channel, not %3")
                      .arg(m_process->program())
                      .arg(*m_otherVersion)
                      .arg(EngineChannel::kVersion)
            : m_process->error() == QProcess::FailedToStart
            ? QStringLiteral("%1 cannot be run: %2").arg(m_process->program(), m_process->errorString())
            : m_process->exitStatus() == QProcess::CrashExit
            ? QStringLiteral("%1 crashed before its engine was ready").arg(m_process->program())
            : QStringLiteral("%1 ended before its engine was ready (exit code %2)")
                      .arg(m_process->program())
                      .arg(m_process->exitCode());
    emit ended(failure);
}

void HelperProcess::retire()
{
    m_retired = true;
    disconnect(this, nullptr, nullptr, nullptr);
    if (!m_process || m_process->state() == QProcess::NotRunning) {
        deleteLater();
        return;
    }
    disconnect(m_process, nullptr, this, nullptr);
    connect(m_process, &QProcess::finished, this, &QObject::deleteLater);
    m_process->kill();
}
