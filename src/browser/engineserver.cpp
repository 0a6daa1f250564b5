#include "browser/engineserver.h"

#include "browser/webenginebrowser.h"
#include "platform/helperchannel.h"

EngineServer::EngineServer(std::unique_ptr<HelperChannel> channel, std::chrono::milliseconds idleEnd,
                           QObject *parent)
    : QObject(parent)
    , m_channel(std::move(channel))
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleEnd);
    connect(&m_idle, &QTimer::timeout, this, &EngineServer::endWhenIdle);
    connect(m_channel.get(), &HelperChannel::received, this, &EngineServer::received);
}

EngineServer::~EngineServer() = default;

void EngineServer::serve(WebEngineBrowser *browser)
{
    m_browser = browser;
    connect(browser, &WebEngineBrowser::externalLinkRequested, this,
            [this](const QUrl &url) { write(EngineChannel::externalMessage(url)); });
    connect(browser, &WebEngineBrowser::portalGeometryChanged, this,
            [this](const QByteArray &geometry) { write(EngineChannel::geometryMessage(geometry)); });
    connect(browser, &WebEngineBrowser::portalClosed, this, &EngineServer::restartIdleTime);
    connect(browser, &WebEngineBrowser::loginFormShown, this,
            [this](const QString &account, quint64 tab, const QUrl &from) {
                write(EngineChannel::loginFormMessage(account, tab, from));
            });
    connect(browser, &WebEngineBrowser::renewRequested, this,
            [this](const QString &account, quint64 tab) { write(EngineChannel::renewMessage(account, tab)); });
    connect(browser, &WebEngineBrowser::cookiesGone, this,
            [this](const QString &account, const std::vector<EngineChannel::SessionCookie> &cookies) {
                write(EngineChannel::cookiesGoneMessage(account, cookies));
            });
    write(EngineChannel::plainMessage("ready"));
    // Nothing is read until the engine is up: runs wait in the pipe meanwhile.
    m_channel->startReading();
    restartIdleTime();
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
    if (const std::optional<QStringList> accounts = EngineChannel::parseRestore(message)) {
        // The program hears how many tabs came back, none included: it waits for that word
        // before it counts on this helper to bring them back again.
        const int restored = m_browser->restoreTabs(*accounts);
        if (restored > 0)
            m_idle.stop();
        write(EngineChannel::restoredMessage(restored));
        return;
    }
    if (const std::optional<QString> account = EngineChannel::parsePrepare(message)) {
        m_browser->prepare(*account);
        return;
    }
    if (const std::optional<QString> account = EngineChannel::parseForget(message)) {
        m_browser->forgetAccount(*account);
        return;
    }
    if (const std::optional<EngineChannel::Sessions> sessions = EngineChannel::parseSessions(message)) {
        m_browser->setSessions(*sessions);
        return;
    }
    if (const std::optional<EngineChannel::Renewal> renewal = EngineChannel::parseRenewal(message)) {
        m_browser->showRenewal(renewal->tab, renewal->state, renewal->text);
        return;
    }
    if (const std::optional<quint64> id = EngineChannel::parseCancel(message)) {
        // The run's own "ended" answers, if it is the one going on; otherwise this does. Either
        // way the program learns that the helper still answers.
        if (m_browser->isRunning() && id == m_running)
            m_browser->cancel();
        else
            write(EngineChannel::endedMessage(*id, RunOutcome::TimedOut));
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
    m_running = run->id;
    write(EngineChannel::startedMessage(run->id));
    m_browser->run(run->page, run->account, run->steps, run->budget,
                   [this, id = run->id, login = run->page == EnginePage::LogIn](
                           RunOutcome outcome, const std::vector<EngineChannel::SessionCookie> &cookies) {
                       // A login that went through tells what it set, for the program to know
                       // how long it lasts.
                       if (login && outcome == RunOutcome::Done)
                           write(EngineChannel::endedMessage(id, outcome, cookies));
                       else
                           write(EngineChannel::endedMessage(id, outcome));
                       restartIdleTime();
                   });
}

void EngineServer::write(const QJsonObject &message)
{
    const QByteArray frame = EngineChannel::encode(message);
    qsizetype done = 0;
    while (done < frame.size()) {
        const qint64 wrote = m_channel->writeSome(frame.constData() + done, frame.size() - done);
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
    m_channel->stopReading();
    m_ended = true;
    emit ending();
}
