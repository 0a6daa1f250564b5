#include "browser/engineserver.h"

#include "browser/webenginebrowser.h"

#include <algorithm>
#include <climits>

#ifdef Q_OS_WIN
#include <io.h>

#include <mutex>
#include <thread>
#else
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>
#endif

namespace {

constexpr int kReadSize = 16384;

// Writes some of `size` bytes; how many, or a negative number on failure.
qint64 writeSome(int output, const char *data, qint64 size)
{
#ifdef Q_OS_WIN
    return _write(output, data, unsigned(std::min<qint64>(size, INT_MAX)));
#else
    for (;;) {
        const ssize_t wrote = ::write(output, data, size_t(size));
        if (wrote >= 0 || errno != EINTR)
            return wrote;
    }
#endif
}

} // namespace

#ifdef Q_OS_WIN
// What the reading thread and the server share: the server, until it reads no more.
struct EngineServer::InputThread
{
    std::mutex mutex;
    EngineServer *server = nullptr;
};
#endif

EngineServer::EngineServer(int input, int output, std::chrono::milliseconds idleEnd, QObject *parent)
    : QObject(parent)
    , m_input(input)
    , m_output(output)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleEnd);
    connect(&m_idle, &QTimer::timeout, this, &EngineServer::endWhenIdle);
#ifndef Q_OS_WIN
    m_notifier = new QSocketNotifier(qintptr(input), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[kReadSize];
        const ssize_t got = ::read(m_input, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        received(got > 0 ? QByteArray(buffer, got) : QByteArray());
    });
    // Nothing is read until the engine is up: runs wait in the pipe meanwhile.
    m_notifier->setEnabled(false);
#endif
}

EngineServer::~EngineServer()
{
#ifdef Q_OS_WIN
    // The reading thread may wait in a read that only the program's end finishes: it closes
    // the input itself then, or the helper's end does.
    if (m_inputThread) {
        const std::lock_guard lock(m_inputThread->mutex);
        m_inputThread->server = nullptr;
    } else {
        _close(m_input);
    }
    _close(m_output);
#else
    ::close(m_input);
    ::close(m_output);
#endif
}

void EngineServer::startReading()
{
#ifdef Q_OS_WIN
    m_inputThread = std::make_shared<InputThread>();
    m_inputThread->server = this;
    std::thread([shared = m_inputThread, input = m_input] {
        for (bool more = true; more;) {
            char buffer[kReadSize];
            const int got = _read(input, buffer, sizeof buffer);
            more = got > 0;
            const std::lock_guard lock(shared->mutex);
            if (!shared->server)
                break;
            // Handed to the server's thread, which drops it should the server be gone by then.
            QMetaObject::invokeMethod(
                    shared->server,
                    [server = shared->server, data = more ? QByteArray(buffer, got) : QByteArray()] {
                        server->received(data);
                    },
                    Qt::QueuedConnection);
        }
        _close(input);
    }).detach();
#else
    m_notifier->setEnabled(true);
#endif
}

void EngineServer::serve(WebEngineBrowser *browser)
{
    m_browser = browser;
    connect(browser, &WebEngineBrowser::externalLinkRequested, this,
            [this](const QUrl &url) { write(EngineChannel::externalMessage(url)); });
    connect(browser, &WebEngineBrowser::portalGeometryChanged, this,
            [this](const QByteArray &geometry) { write(EngineChannel::geometryMessage(geometry)); });
    connect(browser, &WebEngineBrowser::portalClosed, this, &EngineServer::restartIdleTime);
    write(EngineChannel::plainMessage("ready"));
    startReading();
    m_idle.start();
}

void EngineServer::received(const QByteArray &data)
{
    if (m_ended)
        return;
    if (data.isEmpty()) {
        // The program has gone, or closed the channel: time to write the cookies out and end.
        stop();
        return;
    }
    m_reader.append(data);
    while (!m_ended) {
        const std::optional<QJsonObject> message = m_reader.next();
        if (!message)
            break;
        onMessage(*message);
    }
    if (m_reader.broken() && !m_ended)
        stop();
}

void EngineServer::onMessage(const QJsonObject &message)
{
    if (const std::optional<EngineChannel::OpenPage> open = EngineChannel::parseOpen(message)) {
        m_idle.stop();
        m_browser->openPortalPage(open->url, open->account, open->geometry);
        write(EngineChannel::openedMessage(open->id));
        return;
    }
    if (const std::optional<QString> account = EngineChannel::parseAccount(message)) {
        m_browser->setAccount(*account);
        return;
    }
    const std::optional<EngineChannel::Run> run = EngineChannel::parseRun(message);
    if (!run)
        return;
    if (m_browser->isRunning()) {
        // The program sends one run at a time; one that overlaps cannot be served.
        write(EngineChannel::endedMessage(run->id, RunOutcome::Failed));
        return;
    }
    m_idle.stop();
    write(EngineChannel::startedMessage(run->id));
    m_browser->run(run->page, run->steps, run->budget, [this, id = run->id](RunOutcome outcome) {
        write(EngineChannel::endedMessage(id, outcome));
        restartIdleTime();
    });
}

void EngineServer::write(const QJsonObject &message)
{
    const QByteArray frame = EngineChannel::encode(message);
    qsizetype done = 0;
    while (done < frame.size()) {
        const qint64 wrote = writeSome(m_output, frame.constData() + done, frame.size() - done);
        if (wrote <= 0)
            return; // the program has gone; its input's end will follow
        done += wrote;
    }
}

void EngineServer::restartIdleTime()
{
    // The helper stays while a run or the portal window needs it.
    if (!m_ended && !m_browser->isRunning() && !m_browser->isPortalOpen())
        m_idle.start();
}

void EngineServer::endWhenIdle()
{
    if (m_ended || m_browser->isRunning() || m_browser->isPortalOpen())
        return;
    // From here on no run is read: one that the program sent meanwhile goes to a new helper.
    write(EngineChannel::plainMessage("bye"));
    stop();
}

void EngineServer::stop()
{
#ifdef Q_OS_WIN
    if (m_inputThread) {
        const std::lock_guard lock(m_inputThread->mutex);
        m_inputThread->server = nullptr;
    }
#else
    m_notifier->setEnabled(false);
#endif
    m_ended = true;
    emit ending();
}
