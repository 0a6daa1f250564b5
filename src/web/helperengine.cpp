#include "web/helperengine.h"

#include "platform/childprocess.h"
#include "platform/ownerfolder.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kHelperName = QStringLiteral("yorumi-browser");

} // namespace

HelperEngine::HelperEngine(QObject *parent)
    : HelperEngine(Options{}, parent)
{
}

HelperEngine::HelperEngine(Options options, QObject *parent)
    : BrowserEngine(parent)
    , m_options(std::move(options))
{
    if (m_options.program.isEmpty())
        m_options.program = installedHelper();
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &HelperEngine::onDeadline);
}

HelperEngine::~HelperEngine()
{
    if (!m_helper)
        return;
    disconnect(m_helper, nullptr, this, nullptr);
    // The end of its input tells the helper to close its pages and profile, which writes the
    // portal's cookies out. This is the program's end: waiting a moment for it is harmless.
    m_helper->closeWriteChannel();
    if (!m_helper->waitForFinished(int(kEndWait.count())))
        m_helper->kill();
    m_helper->waitForFinished(int(kEndWait.count()));
}

QString HelperEngine::installedHelper()
{
    return QStandardPaths::findExecutable(kHelperName, Paths::helperFolders());
}

qint64 HelperEngine::helperProcessId() const
{
    return m_helper ? m_helper->processId() : 0;
}

void HelperEngine::run(EnginePage page, std::vector<PageStep> steps, std::chrono::milliseconds budget,
                       Done done)
{
    Q_ASSERT(!m_run);
    m_run.emplace();
    m_run->run = { m_nextId++, page, std::move(steps), budget };
    m_run->done = std::move(done);
    m_run->clock.start();
    m_deadline.start(budget + kDeadlineGrace);
    if (recentlyFailedToStart()) {
        finishSoon(RunOutcome::Failed);
        return;
    }
    if (!m_helper && !startHelper())
        return;
    if (m_ready)
        send();
}

void HelperEngine::openPortalPage(const QUrl &url, const QString &account, const QByteArray &geometry)
{
    // A helper that cannot start opens no window: the failure has been reported already.
    if (recentlyFailedToStart()) {
        emit portalPageNotOpened(url);
        return;
    }
    const quint64 id = m_nextOpenId++;
    post({ EngineChannel::openMessage({ id, url, account, geometry }), id, url });
    if (!m_helper)
        startHelper();
}

void HelperEngine::setAccount(const QString &account)
{
    // Without a helper there is no window to tell; a new one learns it from its first page.
    if (m_helper)
        post({ EngineChannel::accountMessage(account), 0, {} });
}

bool HelperEngine::recentlyFailedToStart() const
{
    return m_lastStartFailure.isValid() && m_lastStartFailure.elapsed() < kStartRetryPause.count();
}

void HelperEngine::post(Outgoing outgoing)
{
    m_outbox.push_back(std::move(outgoing));
    if (m_ready)
        sendOutbox();
}

void HelperEngine::sendOutbox()
{
    while (m_helper && !m_outbox.empty()) {
        Outgoing outgoing = std::move(m_outbox.front());
        m_outbox.pop_front();
        m_helper->write(EngineChannel::encode(outgoing.message));
        if (outgoing.openId != 0)
            m_unacknowledged.push_back(std::move(outgoing));
    }
}

bool HelperEngine::startHelper()
{
    if (m_options.program.isEmpty()) {
        const QStringList folders = Paths::helperFolders();
        startFailed(QStringLiteral("%1 was found neither beside the program (%2) nor in %3")
                            .arg(kHelperName, folders.value(0), folders.value(1)));
        return false;
    }
    const QString storage = Paths::engineProfile();
    const QString cache = Paths::engineCache();
    // The profile holds the portal's login cookies: its folders are the user's alone.
    for (const QString &folder : { storage, cache }) {
        if (!makeOwnerOnlyFolder(folder)) {
            startFailed(QStringLiteral("its profile folder %1 cannot be made").arg(folder));
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

    m_helper = new QProcess(this);
    m_helper->setProgram(m_options.program);
    // The helper goes by the program's name: what the engine keeps besides the profile lands in
    // the program's data folder too.
    m_helper->setArguments(QStringList{ QStringLiteral("--name"), QCoreApplication::applicationName(),
                                        QStringLiteral("--storage"), storage, QStringLiteral("--cache"),
                                        cache, QStringLiteral("--idle-end-ms"),
                                        QString::number(m_options.idleEnd.count()) }
                           + m_options.arguments);
    m_helper->setProcessEnvironment(environment);
    // What the helper says on its error output is the program's to say.
    m_helper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Should the program die without closing the helper's input, the helper ends with it.
    endWithThisProcess(*m_helper);
    connect(m_helper, &QProcess::readyReadStandardOutput, this, &HelperEngine::readHelper);
    connect(m_helper, &QProcess::finished, this, &HelperEngine::onHelperEnded);
    connect(m_helper, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onHelperEnded();
    });
    m_helper->start();
    return true;
}

void HelperEngine::send()
{
    if (!m_run || m_run->sent || !m_helper)
        return;
    const auto left = m_run->run.budget - std::chrono::milliseconds(m_run->clock.elapsed());
    if (left <= std::chrono::milliseconds(0)) {
        finish(RunOutcome::TimedOut);
        return;
    }
    EngineChannel::Run run = m_run->run;
    run.budget = left;
    m_helper->write(EngineChannel::encode(EngineChannel::runMessage(run)));
    m_run->sent = true;
}

void HelperEngine::readHelper()
{
    if (!m_helper)
        return;
    m_reader.append(m_helper->readAllStandardOutput());
    while (m_helper) {
        const std::optional<QJsonObject> message = m_reader.next();
        if (!message)
            break;
        onMessage(*message);
    }
    if (m_helper && m_reader.broken()) {
        // A helper that talks nonsense is treated as one that crashed.
        m_helper->kill();
    }
}

void HelperEngine::onMessage(const QJsonObject &message)
{
    using namespace EngineChannel;
    if (isType(message, "ready")) {
        m_ready = true;
        sendOutbox();
        send();
    } else if (isType(message, "bye")) {
        m_saidBye = true;
    } else if (const std::optional<quint64> opened = parseOpened(message)) {
        std::erase_if(m_unacknowledged, [id = *opened](const Outgoing &open) { return open.openId == id; });
    } else if (const std::optional<QUrl> url = parseExternal(message)) {
        emit externalLinkRequested(*url);
    } else if (const std::optional<QByteArray> geometry = parseGeometry(message)) {
        emit portalGeometryChanged(*geometry);
    } else if (!m_run || runId(message) != m_run->run.id) {
        return;
    } else if (isType(message, "started")) {
        m_run->started = true;
    } else if (const std::optional<RunOutcome> outcome = parseOutcome(message)) {
        finish(*outcome);
    }
}

void HelperEngine::onHelperEnded()
{
    if (!m_helper)
        return;
    const bool wasReady = m_ready;
    const bool saidBye = m_saidBye;
    const QString failure = m_helper->error() == QProcess::FailedToStart
            ? QStringLiteral("%1 cannot be run: %2").arg(m_options.program, m_helper->errorString())
            : m_helper->exitStatus() == QProcess::CrashExit
            ? QStringLiteral("%1 crashed before its engine was ready").arg(m_options.program)
            : QStringLiteral("%1 ended before its engine was ready (exit code %2)")
                      .arg(m_options.program)
                      .arg(m_helper->exitCode());
    // It was ending for idleness when these pages were sent: a new helper opens them. Pages it
    // took went with its window.
    std::deque<Outgoing> unread = std::exchange(m_unacknowledged, {});
    retireHelper();
    if (saidBye)
        m_outbox.insert(m_outbox.begin(), unread.begin(), unread.end());
    if (!wasReady) {
        if (m_run || !m_outbox.empty())
            startFailed(failure);
        return;
    }
    if (m_run) {
        if (saidBye && !m_run->started)
            m_run->sent = false; // it was ending for idleness when this run was sent
        else
            finish(RunOutcome::Failed); // it crashed or was killed during the run
    }
    // A new helper takes what is left, unless the next run has already started one.
    if (!m_helper && ((m_run && !m_run->sent) || !m_outbox.empty()))
        startHelper();
}

void HelperEngine::onDeadline()
{
    if (!m_run)
        return;
    // The helper let the budget pass without a word: it hangs. It goes, and the next run
    // starts a new one.
    if (m_helper)
        retireHelper();
    finish(RunOutcome::TimedOut);
}

void HelperEngine::retireHelper()
{
    QProcess *helper = std::exchange(m_helper, nullptr);
    m_ready = false;
    m_saidBye = false;
    m_unacknowledged.clear();
    m_reader = {};
    disconnect(helper, nullptr, this, nullptr);
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    helper->kill();
}

void HelperEngine::startFailed(const QString &why)
{
    m_lastStartFailure.start();
    // One line, once for each reason: a broken installation does not fill the log.
    const QString report = QStringLiteral("yorumi-livedoor: the browser engine cannot start: ") + why;
    if (report != m_lastReport) {
        m_lastReport = report;
        qWarning().noquote() << report;
    }
    QList<QUrl> pages;
    for (const Outgoing &outgoing : std::exchange(m_outbox, {})) {
        if (outgoing.openId != 0)
            pages.append(outgoing.page);
    }
    if (m_run)
        finishSoon(RunOutcome::Failed);
    emit unavailable();
    for (const QUrl &page : std::as_const(pages))
        emit portalPageNotOpened(page);
}

void HelperEngine::finishSoon(RunOutcome outcome)
{
    // Not from inside run(): the host is still setting the run up.
    QMetaObject::invokeMethod(
            this,
            [this, outcome, id = m_run->run.id] {
                if (m_run && m_run->run.id == id)
                    finish(outcome);
            },
            Qt::QueuedConnection);
}

void HelperEngine::finish(RunOutcome outcome)
{
    if (!m_run)
        return;
    m_deadline.stop();
    Done done = std::move(m_run->done);
    m_run.reset();
    done(outcome);
}
